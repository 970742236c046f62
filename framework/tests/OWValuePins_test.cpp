#include "framework/OWValuePins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/tests/pins_testing.h"

namespace tavrel {
namespace {

using testing_pins::TTestOwner;

class OWValuePins : public ::testing::Test {
 protected:
  ComponentPtr<TTestOwner> owner = TComponent::CreateUnowned<TTestOwner>();
};

// A source of one stream type that hands each operation to the sink's stream.
class TTypedSource : public TOWSourcePin {
 public:
  TTypedSource(TComponent* owner, const Guid& type) : TOWSourcePin(owner, nullptr, nullptr, 0) {
    AddType(type, TOWSubmit::Of<&TTypedSource::Submit>(this));
  }
  ~TTypedSource() override { Disconnect(); }

 private:
  TOWNotifyResult Submit(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    IOWBasicStream* b = QueryBasicStream(h, id);
    return b ? b->DispatchData(id, op, s) : TOWNotifyResult{};
  }
};

TEST_F(OWValuePins, ANotificationEventThatKeepsHandledReplacesTheDelivery) {
  struct Case {
    bool leaveHandled;
    size_t deliveries;  // to the sink, for one SetValue
  } cases[] = {{true, 0}, {false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.leaveHandled);
    TOWFloatSourcePin src(owner.get());
    std::vector<float> got;
    TOWFloatSinkPin sink(owner.get(), nullptr, TOWFloatChangeEvent([&](TOWPin*, float v, bool) { got.push_back(v); }));
    int heard = 0;
    IOWBasicStream* heardStream = nullptr;
    src.SetPinNotificationEvent(TOWPinNotificationEvent(
        [&](IOWBasicStream* h, const TDataTypeID& id, IOWNotifyOperation*, TOWNotifyState, bool& handled) {
          EXPECT_TRUE(handled);  // preset
          EXPECT_EQ(id, IID_IOWFloatStream);
          heardStream = h;
          handled = c.leaveHandled;
          ++heard;
          return TOWNotifyResult{};
        }));
    ASSERT_TRUE(sink.Connect(&src));
    got.clear();
    heard = 0;
    src.SetValue(1.5f);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(heardStream, static_cast<IOWBasicStream*>(&sink));
    EXPECT_EQ(got.size(), c.deliveries);
    sink.Disconnect();
  }
}

TEST_F(OWValuePins, DispatchOnlySinksHandEveryOperationToTheirEventOrDropIt) {
  using Make = std::function<std::unique_ptr<TOWStdSinkPin>(TComponent*, TOWPinDispatchEvent)>;
  struct Case {
    const char* name;
    Guid type;
    Make make;
  } cases[] = {
      {"Integer", IID_OWIntegerStream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWIntegerSinkPin>(o, nullptr, nullptr, e); }},
      {"Int64", IID_OWInt64Stream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWInt64SinkPin>(o, nullptr, nullptr, e); }},
      {"DateTime", IID_OWDateTimeStream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWDateTimeSinkPin>(o, nullptr, nullptr, e); }},
      {"ranged Integer", IID_OWRangedIntegerStream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWIntAndRangedSinkPin>(o, nullptr, nullptr, nullptr, e); }},
      {"Integer into ranged", IID_OWIntegerStream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWIntAndRangedSinkPin>(o, nullptr, nullptr, nullptr, e); }},
      {"ranged Int64", IID_OWRangedInt64Stream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWInt64AndRangedSinkPin>(o, nullptr, nullptr, nullptr, e); }},
      {"Int64 into ranged", IID_OWInt64Stream,
       [](TComponent* o, TOWPinDispatchEvent e) { return std::make_unique<TOWInt64AndRangedSinkPin>(o, nullptr, nullptr, nullptr, e); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool withEvent : {true, false}) {
      SCOPED_TRACE(withEvent);
      TTypedSource src(owner.get(), c.type);
      std::vector<IOWNotifyOperation*> seen;
      TOWPinDispatchEvent e;
      if (withEvent)
        e = TOWPinDispatchEvent([&](const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState, bool& handled) {
          EXPECT_TRUE(handled);
          EXPECT_EQ(id, c.type);
          seen.push_back(op);
          return TOWNotifyResult{nrDataChanged};
        });
      auto sink = c.make(owner.get(), e);
      ASSERT_TRUE(sink->Connect(&src));
      seen.clear();
      Ref<IOWNotifyOperation> real = MakeRef<TOWSuppliedRealOperation>(2.0);
      Ref<IOWNotifyOperation> start = MakeRef<TOWStartOperation>();
      src.Notify(real.get());
      src.Notify(start.get());
      std::vector<IOWNotifyOperation*> expected;
      if (withEvent) expected = {real.get(), start.get()};
      EXPECT_EQ(seen, expected);
      sink->Disconnect();
    }
  }
}

TEST_F(OWValuePins, OnDisconnectHearsEachPinLeft) {
  TOWRealSourcePin src(owner.get());
  std::vector<TOWBasicPin*> left;
  src.SetOnDisconnect(TOWPinEvent([&](TOWBasicPin* p) { left.push_back(p); }));
  TOWRealSinkPin a(owner.get(), nullptr, {});
  TOWRealSinkPin b(owner.get(), nullptr, {});
  TOWRealSinkPin c(owner.get(), nullptr, {});
  ASSERT_TRUE(a.Connect(&src));
  ASSERT_TRUE(b.Connect(&src));
  ASSERT_TRUE(c.Connect(&src));
  src.DisconnectFrom(&b);
  EXPECT_EQ(left, (std::vector<TOWBasicPin*>{&b}));
  left.clear();
  src.Disconnect();  // last linked first
  EXPECT_EQ(left, (std::vector<TOWBasicPin*>{&c, &a}));
  EXPECT_FALSE(a.IsConnected());
  EXPECT_FALSE(c.IsConnected());

  // A Boolean state pin hears each other member of the link it leaves.
  TOWBoolStatePin x(owner.get(), nullptr, {}), y(owner.get(), nullptr, {}), z(owner.get(), nullptr, {});
  std::vector<TOWBasicPin*> xLeft, yLeft;
  x.SetOnDisconnect(TOWPinEvent([&](TOWBasicPin* p) { xLeft.push_back(p); }));
  y.SetOnDisconnect(TOWPinEvent([&](TOWBasicPin* p) { yLeft.push_back(p); }));
  ASSERT_TRUE(x.Connect(&y));
  ASSERT_TRUE(z.Connect(&x));
  x.Disconnect();
  EXPECT_EQ(xLeft.size(), 2u);
  EXPECT_NE(std::find(xLeft.begin(), xLeft.end(), &y), xLeft.end());
  EXPECT_NE(std::find(xLeft.begin(), xLeft.end(), &z), xLeft.end());
  EXPECT_EQ(yLeft, (std::vector<TOWBasicPin*>{&x}));
  EXPECT_TRUE(y.IsConnectedTo(&z));
  y.Disconnect();
  z.Disconnect();
}

// Every operation that reaches a sink, by kind, with its numbers.
struct Heard {
  std::vector<std::string> ops;
  TOWPinDispatchEvent Event() {
    return TOWPinDispatchEvent([this](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState s, bool&) {
      Add(op, s);
      return TOWNotifyResult{};
    });
  }
  void Add(IOWNotifyOperation* operation, TOWNotifyState s) {
    TOWNotifyOperation* op = operation->Instance();
    std::string text;
    char buf[96];
    if (auto* v = dynamic_cast<TOWSuppliedRealValueRangeOperation*>(op))
      std::snprintf(buf, sizeof buf, "value-range %.17g [%.17g, %.17g]", v->Value, v->Min, v->Max);
    else if (auto* r = dynamic_cast<TOWSuppliedRealRangeOperation*>(op))
      std::snprintf(buf, sizeof buf, "range [%.17g, %.17g]", r->Min, r->Max);
    else if (auto* d = dynamic_cast<TOWSuppliedRealOperation*>(op))
      std::snprintf(buf, sizeof buf, "real %.17g", d->Value);
    else if (auto* f = dynamic_cast<TOWSuppliedSingleOperation*>(op))
      std::snprintf(buf, sizeof buf, "single %.9g", double(f->Value));
    else
      std::snprintf(buf, sizeof buf, "other");
    ops.push_back(std::string(buf) + (s.Contains(nsNewLink) ? " +" : ""));
  }
};

// A sink that takes only the ranged Real type and logs what arrives.
class TRangedProbe : public TOWStdSinkPin {
 public:
  TRangedProbe(TComponent* owner, Heard* heard)
      : TOWStdSinkPin(owner, nullptr, heard->Event()) {
    AddType(IID_OWRangedRealStream);
  }
  ~TRangedProbe() override { Disconnect(); }
};

TEST_F(OWValuePins, TheRangedRealSourceSendsExactDoublesAndItsRangeToEachKindOfSink) {
  TOWRealRangedSourcePin src(owner.get());
  src.SubmitValueRange(0.1, -1, 1);
  Heard real, single, ranged;
  std::vector<double> realValues;
  TOWRealSinkPin realSink(owner.get(), nullptr, TOWRealChangeEvent([&](TOWPin*, double v, bool onConnect) {
                            realValues.push_back(v);
                            real.ops.push_back(onConnect ? "value +" : "value");
                          }),
                          real.Event());
  TOWFloatSinkPin floatSink(owner.get(), nullptr, TOWFloatChangeEvent([&](TOWPin*, float v, bool) {
                              single.ops.push_back("value " + std::to_string(v));
                            }),
                            single.Event());
  TRangedProbe probe(owner.get(), &ranged);
  // Each links without a converter and hears the current value at once.
  ASSERT_TRUE(realSink.Connect(&src));
  ASSERT_TRUE(floatSink.Connect(&src));
  ASSERT_TRUE(probe.Connect(&src));
  EXPECT_EQ(src.ConverterCount(), 0);
  EXPECT_EQ(src.GetConnectionID(&realSink), IID_OWRealStream);
  EXPECT_EQ(realValues, std::vector<double>{0.1});  // the double itself, no Float on the way
  EXPECT_EQ(floatSink.Value(), 0.1f);
  EXPECT_EQ(ranged.ops, std::vector<std::string>{"value-range 0.10000000000000001 [-1, 1] +"});

  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> real, ranged;
  } steps[] = {
      {"SubmitValueRange", [&] { src.SubmitValueRange(0.3, -2, 2); }, {"value"},
       {"value-range 0.29999999999999999 [-2, 2]"}},
      {"the same Value", [&] { src.SetValue(0.3); }, {}, {}},
      {"a new Value keeps the range", [&] { src.SetValue(0.7); }, {"value"},
       {"value-range 0.69999999999999996 [-2, 2]"}},
      {"SubmitRange", [&] { src.SubmitRange(-5, 5); }, {"range [-5, 5]"}, {"range [-5, 5]"}},
      {"the same Min", [&] { src.SetMin(-5); }, {}, {}},
      {"a new Max", [&] { src.SetMax(7); }, {"range [-5, 7]"}, {"range [-5, 7]"}},
      {"a NaN Min", [&] { src.SetMin(std::nan("")); }, {}, {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    real.ops.clear();
    ranged.ops.clear();
    step.act();
    EXPECT_EQ(real.ops, step.real);
    EXPECT_EQ(ranged.ops, step.ranged);
  }
  EXPECT_EQ(realSink.Value(), 0.7);
  EXPECT_EQ(floatSink.Value(), 0.7f);
  EXPECT_EQ(src.Min(), -5);
  EXPECT_EQ(src.Max(), 7);
  realSink.Disconnect();
  floatSink.Disconnect();
  probe.Disconnect();
}

TEST_F(OWValuePins, ValueSourcesAreClockSources) {
  // A sink that takes only clock ticks links to a Float source by the
  // Clock type and hears its ticks and its values.
  TOWFloatSourcePin src(owner.get());
  int ticks = 0, values = 0;
  testing_pins::TClockSink clock(owner.get(), TOWPinDispatchEvent([&](const TDataTypeID& id, IOWNotifyOperation* op,
                                                                       TOWNotifyState s, bool&) {
                                   EXPECT_EQ(id, IID_OWClockStream);
                                   if (s.Contains(nsNewLink)) return TOWNotifyResult{};
                                   if (dynamic_cast<TOWSuppliedSingleOperation*>(op->Instance()))
                                     ++values;
                                   else if (dynamic_cast<TOWClockOperation*>(op->Instance()))
                                     ++ticks;
                                   return TOWNotifyResult{};
                                 }));
  ASSERT_TRUE(clock.Connect(&src));
  EXPECT_EQ(src.GetConnectionID(&clock), IID_OWClockStream);
  src.Clock();
  src.SetValue(1.5f);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(values, 1);
  clock.Disconnect();
}

}  // namespace
}  // namespace tavrel
