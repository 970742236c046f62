#pragma once
// Small pin classes for the pin tests: a typed source pin that hands each
// delivery to the receiver interface of the handler, a sink pin that logs
// what it receives, a filter component (input pin -> output pin, with an
// input and an output lock) and an A-to-B converter.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/LPComponent.h"
#include "framework/OWConverter.h"
#include "framework/OWPins.h"
#include "framework/OWStdPins.h"

namespace tavrel::testing_pins {

inline constexpr Guid TypeA{0xA0000001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
inline constexpr Guid TypeB{0xB0000002, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
inline constexpr Guid TypeC{0xC0000003, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};

// What a typed source hands each delivery to.
class ITestReceiver {
 public:
  virtual TOWNotifyResult Receive(const Guid& id, IOWNotifyOperation* op, TOWNotifyState state) = 0;

 protected:
  ~ITestReceiver() = default;
};

struct Call {
  std::string pin;
  Guid id;
  bool last;
  bool newLink;
  uint32_t operation;
};

class Log {
 public:
  void Add(Call c) {
    std::lock_guard hold(m_);
    calls_.push_back(std::move(c));
  }
  // Deliveries only (link announcements left out).
  std::vector<Call> Deliveries() {
    std::lock_guard hold(m_);
    std::vector<Call> r;
    for (auto& c : calls_)
      if (!c.newLink) r.push_back(c);
    return r;
  }
  std::vector<Call> Announcements() {
    std::lock_guard hold(m_);
    std::vector<Call> r;
    for (auto& c : calls_)
      if (c.newLink) r.push_back(c);
    return r;
  }
  std::vector<std::string> Order() {
    std::vector<std::string> r;
    for (auto& c : Deliveries()) r.push_back(c.pin + (c.last ? "*" : ""));
    return r;
  }
  void Clear() {
    std::lock_guard hold(m_);
    calls_.clear();
  }

 private:
  std::mutex m_;
  std::vector<Call> calls_;
};

// A source pin whose data types carry deliveries to ITestReceiver.
class TTestSourcePin : public TOWSourcePin {
 public:
  TTestSourcePin(TComponent* owner, std::vector<Guid> types, Ref<IOWLock> lock = nullptr,
                 Ref<IOWLock> inputLock = nullptr, int maxConnections = 0)
      : TOWSourcePin(owner, std::move(lock), std::move(inputLock), maxConnections) {
    for (auto& t : types) AddType(t, TOWSubmit::Of<&TTestSourcePin::Send>(this));
  }
  ~TTestSourcePin() override { Disconnect(); }
  std::atomic<int> upstream{0};

 private:
  TOWNotifyResult Send(IOWStream* handler, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    // A link announcement may reach a sink of another type (through a converter).
    auto* r = dynamic_cast<ITestReceiver*>(handler);
    return r ? r->Receive(id, op, s) : TOWNotifyResult{};
  }
};

// A sink pin that logs and then runs its optional reaction.
class TTestSinkPin : public TOWSinkPin, public ITestReceiver {
 public:
  using Reaction = std::function<TOWNotifyResult(IOWNotifyOperation*, TOWNotifyState)>;
  TTestSinkPin(TComponent* owner, std::string name, Log* log, std::vector<Guid> types, Ref<IOWLock> lock = nullptr)
      : TOWSinkPin(owner, std::move(lock)), name_(std::move(name)), log_(log) {
    for (auto& t : types) AddType(t);
  }
  ~TTestSinkPin() override { Disconnect(); }
  TOWNotifyResult Receive(const Guid& id, IOWNotifyOperation* op, TOWNotifyState s) override {
    if (!s.Contains(nsNewLink)) ++received;
    if (log_) log_->Add({name_, id, s.Contains(nsLastIteration), s.Contains(nsNewLink), op->Instance()->OperationID()});
    if (s.Contains(nsNewLink)) return {};
    return reaction ? reaction(op, s) : TOWNotifyResult{};
  }
  Reaction reaction;
  std::atomic<int> received{0};  // deliveries, not announcements
  const std::string& PinName() const { return name_; }

 private:
  std::string name_;
  Log* log_;
};

// A processing component: input pin, output pin, the component's input and
// output locks; what arrives at the input goes on through the output on the
// same thread.
class TTestFilter : public TLPInputOutputLockComponent {
 public:
  TTestFilter(TComponent* owner, const std::string& name, Log* log, Guid type = TypeA)
      : TLPInputOutputLockComponent(owner),
        InputLock(FInputLock),
        OutputLock(FOutputLock),
        Output(std::make_unique<TTestSourcePin>(this, std::vector<Guid>{type}, OutputLock, InputLock)),
        Input(std::make_unique<TTestSinkPin>(this, name, log, std::vector<Guid>{type}, InputLock)) {
    Input->reaction = [this](IOWNotifyOperation* op, TOWNotifyState) { return Output->Notify(op); };
  }
  ~TTestFilter() override {
    Input.reset();
    Output.reset();
  }
  Ref<IOWLock> InputLock, OutputLock;
  std::unique_ptr<TTestSourcePin> Output;
  std::unique_ptr<TTestSinkPin> Input;
};

// A plain component to own pins.
class TTestOwner : public TComponent {
 public:
  explicit TTestOwner(TComponent* owner) : TComponent(owner) {}
};

// Turns A into B; counts its calls and the converters alive.
class TAToBConverter : public TOWFormatConverter {
 public:
  static inline std::atomic<int> alive{0};
  static inline std::atomic<int> calls{0};
  TAToBConverter() { ++alive; }
  ~TAToBConverter() override { --alive; }
  static Ref<IOWFormatConverter> CreateConverter() {
    Ref<TAToBConverter> c = MakeRef<TAToBConverter>();
    auto out = std::make_unique<TTestSourcePin>(c.get(), std::vector<Guid>{TypeB}, c->Lock());
    auto in = std::make_unique<Input>(c.get(), c->Lock());
    Input* raw = in.get();
    c->CreatePins(std::move(in), std::move(out));
    raw->converter = c.get();
    return c;
  }

 private:
  class Input : public TOWSinkPin, public ITestReceiver {
   public:
    Input(TComponent* owner, Ref<IOWLock> lock) : TOWSinkPin(owner, std::move(lock)) { AddType(TypeA); }
    TOWNotifyResult Receive(const Guid&, IOWNotifyOperation* op, TOWNotifyState s) override {
      if (s.Contains(nsNewLink)) return {};
      ++calls;
      return converter->OutputPin()->Notify(op);
    }
    TAToBConverter* converter = nullptr;
  };
};

// A second converter for the same pair, to see which one negotiation picks.
class TAToBConverter2 : public TAToBConverter {
 public:
  static inline std::atomic<int> made{0};
  static Ref<IOWFormatConverter> CreateConverter() {
    ++made;
    return TAToBConverter::CreateConverter();
  }
};

// A standard sink that takes clock ticks and can send operations back.
class TClockSink : public TOWStdSinkPin {
 public:
  TClockSink(TComponent* owner, TOWPinDispatchEvent e) : TOWStdSinkPin(owner, nullptr, std::move(e)) {
    AddType(IID_OWClockStream, TOWSubmit::Of<&TClockSink::Back>(this));
  }
  bool SupportsStreamInterface(const Guid& IID) override {
    return IID == IID_OWClockStream || TOWStdSinkPin::SupportsStreamInterface(IID);
  }

 private:
  TOWNotifyResult Back(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    IOWBasicStream* b = QueryBasicStream(h, IID_OWClockStream);
    return b ? b->DispatchData(id, op, s) : TOWNotifyResult{};
  }
};

}  // namespace tavrel::testing_pins
