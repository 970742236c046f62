#include "signal/SLCommonFilter.h"

#include <gtest/gtest.h>

#include <thread>

#include "signal/SLRealBuffer.h"
#include "signal/tests/stream_fixtures.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using Lines = std::vector<std::string>;

// A common filter whose processing can be held at its first buffer; it
// forwards to an output pin that a recording sink listens to.
class THeldFilter : public TSLBasicCommonFilter {
 public:
  explicit THeldFilter(TComponent* owner) : TSLBasicCommonFilter(owner) {}
  ~THeldFilter() override { Release(); }

  std::atomic<int> processed{0};
  std::atomic<uint32_t> lastThread{0};
  std::atomic<bool> hold{false};
  std::atomic<bool> raiseFirst{false};
  Event entered{true, false};
  Event released{true, false};
  std::unique_ptr<TSLOWSourcePin> out;

  void Release() { released.Set(); }
  TOWNotifyResult Send(const Ref<IOWNotifyOperation>& op) {
    return InputOperation(nullptr, IID_SLUniversalBuffer, op.get(), {nsLastIteration});
  }
  TOWNotifyResult SendBuffer() { return Send(MakeRef<TOWSuppliedBufferOperation>(*TSLRealBuffer::CreateSize(4))); }

 protected:
  TOWPin* GetOutputPin() override { return out.get(); }
  TOWNotifyResult ProcessBufferPair(const Ref<TSLGenericBuffer>& in, const Ref<TSLGenericBuffer>& o) override {
    EXPECT_NE(in.get(), o.get());
    EXPECT_EQ(&in->DataContainer(), &o->DataContainer());
    lastThread = GetCurrentThreadId();
    if (hold.exchange(false)) {
      entered.Set();
      released.WaitFor(INFINITE);
    }
    if (raiseFirst.exchange(false)) throw ERangeError("first");
    ++processed;
    return {};
  }
};

class SLThreadedFilter : public ::testing::Test {
 protected:
  TLog log;
  // The sink's own owner outlives it; the form goes in TearDown.
  ComponentPtr<TComponent> sinkOwner = Owner("Sinks");
  ComponentPtr<TComponent> form = Owner("Form");
  THeldFilter* filter = TComponent::Create<THeldFilter>(form.get());
  TSLOWSinkPin sink{sinkOwner.get(), nullptr, Logging(log, "sink")};

  void SetUp() override {
    filter->SetName("ALLowPass1");
    filter->out = std::make_unique<TSLOWSourcePin>(filter, filter->OutputLock(), filter->InputLock(),
                                                   TSLOperationEvent{});
    sink.Connect(filter->out.get());
  }
  void TearDown() override {
    sink.Disconnect();
    filter->Release();
    form.reset();
  }
  void StartWorker(TSLQueueFullMode mode) {
    filter->Threading()->SetEnabled(true);
    filter->Threading()->Queue()->SetFullMode(mode);
    filter->Send(MakeRef<TOWStartSampleRateOperation>(44100.0));
    ASSERT_NE(filter->FilterThread(), nullptr);
  }
  // One buffer taken by the worker and held there.
  void HoldWorker() {
    filter->hold = true;
    filter->SendBuffer();
    filter->entered.WaitFor(INFINITE);
  }
  void Drain() {
    filter->Release();
    filter->FilterThread()->GetQueueEvent().WaitFor(INFINITE);
  }
};

TEST_F(SLThreadedFilter, WithoutThreadingBuffersAreProcessedInTheDeliveringCall) {
  filter->Send(MakeRef<TOWStartSampleRateOperation>(44100.0));
  EXPECT_TRUE(filter->Running());
  EXPECT_EQ(filter->FilterThread(), nullptr);
  filter->SendBuffer();
  EXPECT_EQ(filter->processed.load(), 1);
  EXPECT_EQ(filter->lastThread.load(), GetCurrentThreadId());
  // Routing: the start and a stop are forwarded, the buffer is not.
  filter->Send(MakeRef<TOWStopOperation>());
  EXPECT_FALSE(filter->Running());
  EXPECT_EQ(log.lines, (Lines{"sink:start", "sink:stop"}));
}

TEST_F(SLThreadedFilter, DropModeQueuesSixteenWhileTheWorkerIsHeld) {
  filter->Threading()->Queue()->SetSize(15);
  StartWorker(fmDropData);
  HoldWorker();
  for (int i = 0; i < 20; ++i) filter->SendBuffer();
  EXPECT_EQ(filter->FilterThread()->QueuedCount(), 16);
  Drain();
  EXPECT_EQ(filter->processed.load(), 1 + 16);
  EXPECT_NE(filter->lastThread.load(), GetCurrentThreadId());
}

TEST_F(SLThreadedFilter, BlockModeWaitsUntilTheWorkerTookOne) {
  StartWorker(fmBlock);
  HoldWorker();
  for (int i = 0; i < 16; ++i) filter->SendBuffer();
  std::atomic<int> processedWhenAccepted{-1};
  std::thread pusher([&] {
    filter->SendBuffer();
    processedWhenAccepted = filter->processed.load();
  });
  filter->Release();
  pusher.join();
  // Nothing is processed while the worker is held, so the 17th push came
  // back only after the worker had moved on.
  EXPECT_GE(processedWhenAccepted.load(), 1);
  Drain();
  EXPECT_EQ(filter->processed.load(), 18);
}

TEST_F(SLThreadedFilter, AStopWhileAPushIsBlockedDoesNotHang) {
  StartWorker(fmBlock);
  HoldWorker();
  for (int i = 0; i < 16; ++i) filter->SendBuffer();
  std::thread pusher([&] { filter->SendBuffer(); });
  std::thread stopper([&] { filter->Send(MakeRef<TOWStopOperation>()); });
  filter->Release();
  stopper.join();
  pusher.join();
  EXPECT_FALSE(filter->Running());
  EXPECT_EQ(filter->FilterThread(), nullptr);
  EXPECT_EQ(Only(log, "sink:stop"), Lines{"sink:stop"});
}

TEST_F(SLThreadedFilter, AFailingOperationDoesNotEndTheWorker) {
  StartWorker(fmBlock);
  filter->raiseFirst = true;
  filter->SendBuffer();
  filter->SendBuffer();
  Drain();
  EXPECT_EQ(filter->processed.load(), 1);
}

// The base filter (not the common one) tests IsEnabled itself.
class TSwitchableFilter : public TSLBasicThreadedEnableFilter {
 public:
  explicit TSwitchableFilter(TComponent* owner) : TSLBasicThreadedEnableFilter(owner) {}
  int buffers = 0;
  std::unique_ptr<TSLOWSourcePin> out;

 protected:
  TOWPin* GetOutputPin() override { return out.get(); }
  TOWNotifyResult ProcessBuffer(const Ref<TSLGenericBuffer>&) override {
    ++buffers;
    return {nrDataChanged};
  }
};

TEST(SLThreadedEnableFilter, SwitchedOffDropsBuffersButForwardsStartAndStop) {
  TLog log;
  auto form = Owner("Form");
  auto* filter = TComponent::Create<TSwitchableFilter>(form.get());
  filter->out = std::make_unique<TSLOWSourcePin>(filter, filter->OutputLock(), filter->InputLock(), TSLOperationEvent{});
  TSLOWSinkPin sink(form.get(), nullptr, Logging(log, "sink"));
  sink.Connect(filter->out.get());
  auto send = [&](Ref<IOWNotifyOperation> op) { return filter->InputOperation(nullptr, {}, op.get(), {}); };
  EXPECT_EQ(send(MakeRef<TOWSuppliedBufferOperation>(*TSLRealBuffer::CreateSize(1))), TOWNotifyResult{nrDataChanged});
  filter->SetEnabled(false);
  send(MakeRef<TOWStartSampleRateOperation>(8000.0));
  EXPECT_TRUE(send(MakeRef<TOWSuppliedBufferOperation>(*TSLRealBuffer::CreateSize(1))).Empty());
  send(MakeRef<TOWStopOperation>());
  EXPECT_EQ(filter->buffers, 1);
  EXPECT_FALSE(filter->Running());
  EXPECT_EQ(log.lines, (Lines{"sink:start", "sink:stop"}));
  EXPECT_FALSE(filter->Enabled());
  sink.Disconnect();
}

TEST(SLThreadingSettings, DefaultsAndCopy) {
  auto form = Owner("Form");
  auto* a = TComponent::Create<TSwitchableFilter>(form.get());
  auto* b = TComponent::Create<TSwitchableFilter>(form.get());
  EXPECT_FALSE(a->Threading()->Enabled());
  EXPECT_EQ(a->Threading()->Queue()->Size(), 15u);
  EXPECT_EQ(a->Threading()->Queue()->FullMode(), fmBlock);
  a->Threading()->Queue()->SetSize(30);
  a->Threading()->Queue()->SetFullMode(fmDropData);
  a->Threading()->SetEnabled(true);
  b->SetThreading(a->Threading());
  EXPECT_TRUE(b->Threading()->Enabled());
  EXPECT_EQ(b->Threading()->Queue()->Size(), 30u);
  EXPECT_EQ(b->Threading()->Queue()->FullMode(), fmDropData);
}

}  // namespace
}  // namespace tavrel

#include <algorithm>
#include <mutex>

#include "platform/forms.h"

namespace tavrel {
namespace {

class TQueueForm : public TComponent {
  TAVREL_CLASS_INFO
 public:
  using TComponent::TComponent;
};
const ClassInfo& TQueueForm::Class() {
  static const ClassInfo ci = ClassBuilder<TQueueForm>("TQueueForm", TComponent::Class()).formRoot().build();
  return ci;
}

class TQueueFilter : public TSLBasicCommonFilter {
  TAVREL_CLASS_INFO
 public:
  using TSLBasicCommonFilter::TSLBasicCommonFilter;
};
const ClassInfo& TQueueFilter::Class() {
  static const ClassInfo ci = ClassBuilder<TQueueFilter>("TQueueFilter", TSLBasicCommonFilter::Class()).build();
  return ci;
}

std::vector<uint8_t> Str(const std::string& s) {
  std::vector<uint8_t> r{uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}

TEST(SLThreadingSettings, TheOlderQueueSizeIsReadButNeverWritten) {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterClass(TQueueForm::Class());
    RegisterClass(TQueueFilter::Class());
  });
  auto form = TComponent::CreateUnowned<TQueueForm>();
  form->SetName("Form1");
  auto* f = TComponent::Create<TQueueFilter>(form.get());
  f->SetName("F1");
  f->Threading()->Queue()->SetSize(20);
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  const std::vector<uint8_t> written = Str("Threading.Queue.Size"), older = Str("Threading.QueueSize");
  auto at = std::search(bytes.begin(), bytes.end(), written.begin(), written.end());
  ASSERT_NE(at, bytes.end());
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), older.begin(), older.end()), bytes.end());

  // The same value stored under the older name.
  at = bytes.erase(at, at + long(written.size()));
  bytes.insert(at, older.begin(), older.end());
  auto copy = TComponent::CreateUnowned<TQueueForm>();
  ReadRootComponent(*copy, bytes);
  auto* r = dynamic_cast<TQueueFilter*>(copy->FindComponent("F1"));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Threading()->Queue()->Size(), 20u);
}

}  // namespace
}  // namespace tavrel
