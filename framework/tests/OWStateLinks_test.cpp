// Link operations on state links: what each answers, which links result
// and which pin events it raises.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/OWStateDispatcher.h"
#include "framework/OWStdTypes.h"
#include "framework/OWValuePins.h"
#include "framework/tests/pins_testing.h"

namespace tavrel {
namespace {

using testing_pins::TTestOwner;

// A state pin that sends values of one type to whatever stream receives them.
class TTypedStatePin : public TOWStatePin {
 public:
  TTypedStatePin(TComponent* owner, Guid type) : TOWStatePin(owner, nullptr) {
    AddType(type, TOWSubmit::Of<&TTypedStatePin::Submit>(this));
  }
  ~TTypedStatePin() override { Disconnect(); }

 private:
  TOWNotifyResult Submit(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    IOWBasicStream* b = QueryBasicStream(h, id);
    return b ? b->DispatchData(id, op, s) : TOWNotifyResult{};
  }
};

// Pin events as text; pins by label, dispatchers by name. Events of pins
// without a label (a converter's) are left out.
class TEventText : public IOWPinListener {
 public:
  std::map<TOWPinObject*, std::string> labels;
  std::vector<std::string> heard;
  void PinLinked(TOWBasicPin* p, TOWPinObject* o) override { Put(p, "linked", o); }
  void PinUnlinked(TOWBasicPin* p, TOWPinObject* o) override { Put(p, "unlinked", o); }
  void PinChanged(TOWBasicPin* p) override { Put(p, "changed", nullptr); }
  void DispatcherCreated(TOWStateDispatcher* d) override { heard.push_back("created " + d->Name()); }
  void DispatcherDestroying(TOWStateDispatcher* d, bool) override { heard.push_back("destroying " + d->Name()); }
  void DispatcherChanged(TOWStateDispatcher* d) override { heard.push_back("dispatcher " + d->Name()); }

 private:
  std::string Name(TOWPinObject* o) {
    if (auto* d = dynamic_cast<TOWStateDispatcher*>(o)) return d->Name();
    auto it = labels.find(o);
    return it == labels.end() ? "?" : it->second;
  }
  void Put(TOWBasicPin* p, const char* what, TOWPinObject* other) {
    if (!labels.count(p)) return;
    heard.push_back(std::string(what) + " " + labels[p] + (other ? " " + Name(other) : ""));
  }
};

// Boolean state pins X, Y, Z, W; a Float state pin L; a Boolean sink B; a
// text sink T with a text source for it; named links d1, d2 and an empty one.
struct Pins {
  ComponentPtr<TTestOwner> form = [] {
    auto f = TComponent::CreateUnowned<TTestOwner>();
    f->SetName("fmMain");
    return f;
  }();
  TOWBoolStatePin X{form.get(), nullptr, {}}, Y{form.get(), nullptr, {}}, Z{form.get(), nullptr, {}},
      W{form.get(), nullptr, {}};
  TTypedStatePin L{form.get(), IID_IOWFloatStream};
  TOWBoolSinkPin B{form.get(), nullptr, {}};
  TOWStringSinkPin T{form.get(), nullptr, {}};
  TOWStringSourcePin Text{form.get()};
  Ref<TOWStateDispatcher> d1 = TOWStateDispatcher::CreateNamed("d1", false);
  Ref<TOWStateDispatcher> d2 = TOWStateDispatcher::CreateNamed("d2", false);
  Ref<TOWStateDispatcher> empty = TOWStateDispatcher::CreateNamed("empty", false);

  // Each pin with the name of its link, "-" without one.
  std::string Links() {
    std::string r;
    const std::pair<const char*, TOWPin*> all[] = {{"X", &X}, {"Y", &Y}, {"Z", &Z}, {"W", &W},
                                                   {"L", &L}, {"B", &B}, {"T", &T}};
    for (auto& [name, pin] : all) {
      Ref<TOWStateDispatcher> d = pin->Dispatcher();
      r += std::string(r.empty() ? "" : " ") + name + ":" + (d ? d->Name() : "-");
    }
    return r;
  }
  void Label(TEventText& e) {
    const std::pair<const char*, TOWPinObject*> all[] = {{"X", &X}, {"Y", &Y}, {"Z", &Z}, {"W", &W}, {"L", &L},
                                                         {"B", &B}, {"T", &T}, {"Text", &Text}};
    for (auto& [name, pin] : all) e.labels[pin] = name;
  }
  ~Pins() {
    for (TOWPin* p : std::initializer_list<TOWPin*>{&X, &Y, &Z, &W, &L, &B, &T}) p->Disconnect();
  }
};

using Events = std::vector<std::string>;

TEST(StateLinkOperations, AnswersLinksAndEventsTable) {
  ClearStreamTypeRegistries();
  UnregisterStandardTypes();
  RegisterStandardTypes();
  struct Case {
    const char* what;
    std::function<void(Pins&)> before;
    std::function<bool(Pins&)> op;
    bool answer;
    std::string links;
    Events events;
  } cases[] = {
      {"join a link", [](Pins& p) { p.Y.ConnectToState(p.d1); },
       [](Pins& p) { return p.X.ConnectToState(p.d1); }, true, "X:d1 Y:d1 Z:- W:- L:- B:- T:-",
       {"dispatcher d1", "linked X d1", "changed X"}},
      {"join the link the pin is in",
       [](Pins& p) {
         p.Y.ConnectToState(p.d1);
         p.X.ConnectToState(p.d1);
       },
       [](Pins& p) { return p.X.ConnectToState(p.d1); }, false, "X:d1 Y:d1 Z:- W:- L:- B:- T:-", {}},
      {"a text sink refused by a Boolean link keeps its source",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
         p.T.Connect(&p.Text);
       },
       [](Pins& p) { return p.T.ConnectToState(p.d1) || p.T.SourcePin() != &p.Text; }, false,
       "X:d1 Y:d1 Z:- W:- L:- B:- T:-", {}},
      {"a state pin refused by a link of another type",
       [](Pins& p) { p.X.ConnectToState(p.d1); },
       [](Pins& p) { return p.L.ConnectToState(p.d1); }, false, "X:d1 Y:- Z:- W:- L:- B:- T:-", {}},
      {"a sink into an empty link is recorded", nullptr,
       [](Pins& p) { return p.T.ConnectToState(p.empty); }, false, "X:- Y:- Z:- W:- L:- B:- T:empty",
       {"dispatcher empty", "linked T empty", "changed T"}},
      {"a state pin into an empty link joins", nullptr,
       [](Pins& p) { return p.X.ConnectToState(p.empty); }, true, "X:empty Y:- Z:- W:- L:- B:- T:-",
       {"dispatcher empty", "linked X empty", "changed X"}},
      {"the sink recorded first is linked by the state pin that joins", [](Pins& p) { p.B.ConnectToState(p.empty); },
       [](Pins& p) { return p.X.ConnectToState(p.empty); }, true, "X:empty Y:- Z:- W:- L:- B:empty T:-",
       {"dispatcher empty", "linked X empty", "changed X"}},
      {"A.Connect(B) across two links: B joins A's link",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
         p.Z.ConnectToState(p.d2);
         p.W.ConnectToState(p.d2);
       },
       [](Pins& p) { return p.X.Connect(&p.Z); }, true, "X:d1 Y:d1 Z:d1 W:- L:- B:- T:-",
       {"unlinked Z d2", "unlinked W d2", "dispatcher d2", "changed W", "changed Z", "dispatcher d1", "linked Z d1",
        "changed Z"}},
      {"two unlinked state pins start a link named after the form", nullptr,
       [](Pins& p) { return p.X.Connect(&p.Y); }, true, "X:fmMainLink1 Y:fmMainLink1 Z:- W:- L:- B:- T:-",
       {"created fmMainLink1", "dispatcher fmMainLink1", "linked X fmMainLink1", "dispatcher fmMainLink1",
        "linked Y fmMainLink1", "changed Y", "changed X"}},
      {"sink to state pin, same type", nullptr, [](Pins& p) { return p.B.Connect(&p.X); }, true,
       "X:fmMainLink1 Y:- Z:- W:- L:- B:fmMainLink1 T:-",
       {"created fmMainLink1", "dispatcher fmMainLink1", "linked X fmMainLink1", "dispatcher fmMainLink1",
        "linked B fmMainLink1", "changed B", "changed X"}},
      {"state pin to sink, same type", nullptr, [](Pins& p) { return p.X.Connect(&p.B); }, true,
       "X:fmMainLink1 Y:- Z:- W:- L:- B:fmMainLink1 T:-",
       {"created fmMainLink1", "dispatcher fmMainLink1", "linked X fmMainLink1", "dispatcher fmMainLink1",
        "linked B fmMainLink1", "changed B", "changed X"}},
      {"sink to state pin through a converter", nullptr, [](Pins& p) { return p.T.Connect(&p.L); }, true,
       "X:- Y:- Z:- W:- L:fmMainLink1 B:- T:fmMainLink1",
       {"created fmMainLink1", "dispatcher fmMainLink1", "linked L fmMainLink1", "linked T ?", "changed T",
        "dispatcher fmMainLink1", "linked T fmMainLink1", "changed T", "changed L"}},
      {"a sink joins a link through a converter, dropping its source",
       [](Pins& p) {
         p.L.ConnectToState(p.d1);
         p.T.Connect(&p.Text);
       },
       [](Pins& p) { return p.T.ConnectToState(p.d1); }, true, "X:- Y:- Z:- W:- L:d1 B:- T:d1",
       {"changed Text", "unlinked T Text", "changed T", "linked T ?", "changed T", "dispatcher d1", "linked T d1",
        "changed T"}},
      {"a state pin disconnects from a member: the member leaves",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
         p.Z.ConnectToState(p.d1);
       },
       [](Pins& p) {
         p.X.DisconnectFrom(&p.Y);
         return true;
       },
       true, "X:d1 Y:- Z:d1 W:- L:- B:- T:-", {"unlinked Y d1", "dispatcher d1", "changed Y"}},
      {"a sink disconnects from the state pin: a link of two dissolves",
       [](Pins& p) { p.X.Connect(&p.B); },
       [](Pins& p) {
         p.B.DisconnectFrom(&p.X);
         return true;
       },
       true, "X:- Y:- Z:- W:- L:- B:- T:-",
       {"unlinked X fmMainLink1", "unlinked B fmMainLink1", "dispatcher fmMainLink1", "changed B", "changed X",
        "destroying fmMainLink1"}},
      {"a state pin disconnects from a sink fed through a converter",
       [](Pins& p) { p.L.Connect(&p.T); },
       [](Pins& p) {
         p.L.DisconnectFrom(&p.T);
         return p.T.SourcePin() == nullptr;
       },
       true, "X:- Y:- Z:- W:- L:- B:- T:-",
       {"unlinked T ?", "changed T", "unlinked T fmMainLink1", "unlinked L fmMainLink1", "dispatcher fmMainLink1",
        "changed L", "changed T", "destroying fmMainLink1"}},
      {"disconnecting from a pin of another link changes nothing",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
         p.Z.ConnectToState(p.d2);
       },
       [](Pins& p) {
         p.X.DisconnectFrom(&p.Z);
         return true;
       },
       true, "X:d1 Y:d1 Z:d2 W:- L:- B:- T:-", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int dispatchers = TOWStateDispatcher::Alive();
    {
      Pins p;
      if (c.before) c.before(p);
      auto events = MakeRef<TEventText>();
      p.Label(*events);
      AddPinListener(events);
      bool answer = c.op(p);
      RemovePinListener(events);
      EXPECT_EQ(answer, c.answer);
      EXPECT_EQ(p.Links(), c.links);
      EXPECT_EQ(events->heard, c.events);
    }
    // Every link and converter made goes with its pins.
    EXPECT_EQ(TOWStateDispatcher::Alive(), dispatchers);
  }
}

TEST(StateLinkOperations, ValuesTravelOverLinksMadeFromEitherSide) {
  ClearStreamTypeRegistries();
  UnregisterStandardTypes();
  RegisterStandardTypes();
  for (bool fromSink : {false, true}) {
    SCOPED_TRACE(fromSink);
    Pins p;
    // Boolean: directly.
    ASSERT_TRUE(fromSink ? p.B.Connect(&p.X) : p.X.Connect(&p.B));
    p.X.SetValue(true);
    EXPECT_TRUE(p.B.Value());
    // Float to text: through a converter of the Part's class.
    ASSERT_TRUE(fromSink ? p.T.Connect(&p.L) : p.L.Connect(&p.T));
    ASSERT_NE(p.T.FormatConverter(), nullptr);
    EXPECT_EQ(p.T.FormatConverter()->Instance()->ClassName(), "TOWFloatToStringFormatConverter");
    p.L.Notify(MakeRef<TOWSuppliedSingleOperation>(0.5f).get());
    EXPECT_EQ(p.T.Value(), "0.5");
  }
}

}  // namespace
}  // namespace tavrel
