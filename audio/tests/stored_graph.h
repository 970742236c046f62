#pragma once
// The main window's stored audio graph, read from its form text with no
// window around it: capture, the analysis tap, the four FIR filters and
// playback, with the window's stored values and pin links.
//
//   ComponentPtr<TStoredGraphForm> g = LoadStoredGraph(
//       [&](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) { Look(*in); });
//   g->ALAudioIn1()->Device()->SetDeviceName("Capture");
//   SetProp(*g->ALAudioOut1(), "Enabled", true);   // playback first,
//   SetProp(*g->ALAudioIn1(), "Enabled", true);    // then capture
//
// The tap's OnProcessData is stored as the handler name
// "ALGenericFilter1ProcessData"; the root publishes that name and forwards
// every call to TapData (set it before the audio starts: the capture's
// wave thread calls it). The audio classes must be registered first
// (AudioModules()).
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "audio/ALAudioIn.h"
#include "audio/ALAudioOut.h"
#include "audio/ALCommonFIRFilter.h"
#include "audio/ALGenericFilter.h"
#include "audio/StoredGraph.h"
#include "platform/classinfo.h"
#include "platform/formtext.h"
#include "platform/forms.h"

namespace tavrel {

// Stored in the order the window keeps its components.
inline const std::string kStoredGraphText =
    std::string("object fmMain: TfmMain\n") + kStoredGraphObjects + "end\n";

// The root the graph is read into. It carries the window's class name so
// that the window's form text reads into it unchanged.
class TStoredGraphForm : public TComponent {
  TAVREL_CLASS_INFO
 public:
  using TapHandler =
      std::function<void(TObject* Sender, const Ref<TALAudioBuffer>& InBuffer, Ref<TALAudioBuffer>& OutBuffer,
                          bool& SendOutputData)>;

  explicit TStoredGraphForm(TComponent* owner) : TComponent(owner) {
    PublishMethod("ALGenericFilter1ProcessData",
                  TALProcessAudioNotify(
                      [this](TObject* s, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool& send) {
                        if (TapData) TapData(s, in, out, send);
                      },
                      this));
  }

  TapHandler TapData;

  TALAudioOut* ALAudioOut1() const { return Find<TALAudioOut>("ALAudioOut1"); }
  TALAudioIn* ALAudioIn1() const { return Find<TALAudioIn>("ALAudioIn1"); }
  TALGenericFilter* ALGenericFilter1() const { return Find<TALGenericFilter>("ALGenericFilter1"); }
  TALBandStop* ALBandStop1() const { return Find<TALBandStop>("ALBandStop1"); }
  TALBandPass* ALBandPass1() const { return Find<TALBandPass>("ALBandPass1"); }
  TALLowPass* ALLowPass1() const { return Find<TALLowPass>("ALLowPass1"); }
  TALHighPass* ALHighPass1() const { return Find<TALHighPass>("ALHighPass1"); }

 private:
  // A missing or mistyped component is a broken fixture, not a null to test.
  template <class T>
  T* Find(const char* name) const {
    auto* c = dynamic_cast<T*>(FindComponent(name));
    if (!c) throw std::logic_error(std::string("stored graph has no ") + name);
    return c;
  }
};

inline const ClassInfo& TStoredGraphForm::Class() {
  static const ClassInfo ci = ClassBuilder<TStoredGraphForm>("TfmMain", TComponent::Class()).formRoot().build();
  return ci;
}

// Reads the stored graph (or another form text of the same window) into a
// new root; the handler, when given, becomes TapData before anything runs.
inline ComponentPtr<TStoredGraphForm> LoadStoredGraph(TStoredGraphForm::TapHandler tap = {},
                                                      std::string_view text = kStoredGraphText) {
  auto form = TComponent::CreateUnowned<TStoredGraphForm>();
  form->TapData = std::move(tap);
  ReadRootComponent(*form, ObjectTextToBinary(text));
  return form;
}

}  // namespace tavrel
