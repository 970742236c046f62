// One captured buffer through the first hops of the capture path: a 512-frame
// stereo 16-bit audio buffer submitted on a source pin, through a common
// audio filter that passes it on, to a sink; against a plain malloc /
// memcpy / free of the same bytes. Heap allocations are counted by this
// program's own global operator new.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "bench/alloc_counter.h"
#include "bench/support.h"
#include "signal/ALCommonFilter.h"

namespace {

using namespace tavrel;

constexpr uint32_t kFrames = 512, kChannels = 2, kBits = 16;
constexpr size_t kBytes = kFrames * kChannels * kBits / 8 + 40;

// capture pin -> filter (switched off: pass-through) -> sink
struct Chain {
  ComponentPtr<TComponent> form = TComponent::CreateUnowned<TComponent>();
  TALCommonFilter* filter = TComponent::Create<TALCommonFilter>(form.get());
  TALOWAudioSourcePin capture{form.get(), nullptr, nullptr, {}};
  uint64_t received = 0;
  TALOWAudioSinkPin sink{form.get(), nullptr,
                         TSLOperationEvent([this](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op,
                                                  TOWNotifyState) {
                           if (dynamic_cast<TOWSuppliedBufferOperation*>(op->Instance())) ++received;
                           return TOWNotifyResult{};
                         })};
  Chain() {
    filter->InputPin()->Connect(&capture);
    sink.Connect(filter->OutputPin());
    filter->SetEnabled(false);
    capture.Notify(MakeRef<TOWStartWaveOperation>(nullptr, false).get());
  }
  ~Chain() {
    sink.Disconnect();
    filter->InputPin()->Disconnect();
  }
};

void PassThrough(benchmark::State& state) {
  Chain chain;
  auto buffer = TALAudioBuffer::CreateSize(44100, kBits, kChannels, kFrames);
  std::memset(buffer->Write(), 0, buffer->GetByteSize());
  const uint64_t before = tavrel::bench::HeapAllocations();
  for (auto _ : state) {
    buffer->GetTimeStamp().SetAvailable(false);
    chain.capture.SubmitBuffer(*buffer);
  }
  state.counters["allocs/buffer"] =
      benchmark::Counter(double(tavrel::bench::HeapAllocations() - before) / double(state.iterations()));
  if (chain.received != uint64_t(state.iterations())) state.SkipWithError("a buffer was lost");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("source_filter_sink", PassThrough);
  benchmark::RegisterBenchmark(
      "malloc_memcpy_free", [](benchmark::State& state) { tavrel::bench::PlainBufferCopy(state, kBytes); });
  tavrel::bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  uint64_t allocations = 0;
  {
    Chain chain;
    auto buffer = TALAudioBuffer::CreateSize(44100, kBits, kChannels, kFrames);
    chain.capture.SubmitBuffer(*buffer);  // warm
    buffer->GetTimeStamp().SetAvailable(false);
    const uint64_t before = tavrel::bench::HeapAllocations();
    chain.capture.SubmitBuffer(*buffer);
    allocations = tavrel::bench::HeapAllocations() - before;
  }
  const double ours = table.Time("source_filter_sink"), plain = table.Time("malloc_memcpy_free");
  std::printf("\n512-frame stereo 16-bit buffer: source pin -> common filter (pass-through) -> sink\n");
  std::printf("%-22s %10.1f ns\n%-22s %10.1f ns\nratio %.2f; heap allocations per buffer: %llu "
              "(operations, buffer objects, lock sections)\n",
              "source->filter->sink", ours, "malloc/memcpy/free", plain, ours / plain,
              static_cast<unsigned long long>(allocations));
  benchmark::Shutdown();
  return 0;
}
