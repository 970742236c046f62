// The stored graph fixture reads the window's form text into real audio
// components with their stored values and links.
#include "audio/tests/stored_graph.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "signal/ALAudioBuffer.h"

namespace tavrel {
namespace {

// A source pin reorders its sinks as it delivers (sinks that change the
// data go last), so links are compared as sets.
std::set<TOWBasicPin*> Sinks(TOWSourcePin* p) {
  std::set<TOWBasicPin*> r;
  for (int i = 0; i < p->SinkCount(); ++i) r.insert(p->GetSinkPin(i));
  return r;
}

TEST(StoredGraph, LoadsTheStoredValuesAndLinks) {
  int tapCalls = 0;
  auto g = LoadStoredGraph([&](TObject*, const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>&, bool&) { ++tapCalls; });
  EXPECT_EQ(g->Name(), "fmMain");

  // Stored order.
  std::vector<std::string> names;
  for (int i = 0; i < g->ComponentCount(); ++i) names.push_back(g->Components(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"ALAudioOut1", "ALAudioIn1", "ALGenericFilter1", "ALBandStop1",
                                             "ALBandPass1", "ALLowPass1", "ALHighPass1"}));

  TALAudioIn* in = g->ALAudioIn1();
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(in->Device()->DeviceName(), "Default");
  EXPECT_EQ(in->AudioFormat()->SampleRate(), 44100u);
  EXPECT_EQ(in->AudioFormat()->BufferSize(), 512u);
  EXPECT_EQ(in->AudioFormat()->Channels(), 2u);
  EXPECT_EQ(in->AudioFormat()->Bits(), 16u);
  EXPECT_FALSE(g->ALAudioOut1()->Enabled());
  EXPECT_EQ(g->ALAudioOut1()->Device()->DeviceName(), "Default");

  struct FilterCase {
    TALCommonFIRFilter* filter;
    bool enabled;
  } filters[] = {{g->ALLowPass1(), true},
                 {g->ALBandStop1(), false},
                 {g->ALBandPass1(), false},
                 {g->ALHighPass1(), false}};
  for (const auto& c : filters) {
    SCOPED_TRACE(c.filter->Name());
    EXPECT_EQ(c.filter->Enabled(), c.enabled);
    EXPECT_EQ(c.filter->NumTaps(), 41);
    EXPECT_EQ(c.filter->WindowType(), wtHamming);
    EXPECT_EQ(c.filter->Alpha(), 1.0);
  }
  EXPECT_EQ(g->ALLowPass1()->Frequency(), 1500.0);
  EXPECT_EQ(g->ALHighPass1()->Frequency(), 5000.0);
  for (TALBandFilter* b : {static_cast<TALBandFilter*>(g->ALBandStop1()), static_cast<TALBandFilter*>(g->ALBandPass1())}) {
    EXPECT_EQ(b->FreqLow(), 1000.0);
    EXPECT_EQ(b->FreqHigh(), 2000.0);
  }
  EXPECT_EQ(g->ALGenericFilter1()->SynchronizeType(), TSLSynchronizeType::stNone);

  using V = std::set<TOWBasicPin*>;
  EXPECT_EQ(Sinks(in->OutputPin()), (V{g->ALGenericFilter1()->InputPin(), g->ALLowPass1()->InputPin()}));
  EXPECT_EQ(Sinks(g->ALLowPass1()->OutputPin()), (V{g->ALBandStop1()->InputPin(), g->ALAudioOut1()->InputPin()}));
  EXPECT_EQ(Sinks(g->ALBandStop1()->OutputPin()), V{g->ALBandPass1()->InputPin()});
  EXPECT_EQ(Sinks(g->ALBandPass1()->OutputPin()), V{g->ALHighPass1()->InputPin()});
  EXPECT_EQ(Sinks(g->ALHighPass1()->OutputPin()), V{});
  EXPECT_EQ(Sinks(g->ALGenericFilter1()->OutputPin()), V{});

  // The tap's event is the root's published handler, which forwards to TapData.
  const TALProcessAudioNotify& handler = g->ALGenericFilter1()->OnProcessData;
  ASSERT_TRUE(handler);
  EXPECT_EQ(handler.name, "ALGenericFilter1ProcessData");
  EXPECT_EQ(handler.obj, g.get());
  Ref<TALAudioBuffer> buffer, out;
  bool send = true;
  handler(g->ALGenericFilter1(), buffer, out, send);
  EXPECT_EQ(tapCalls, 1);
}

}  // namespace
}  // namespace tavrel
