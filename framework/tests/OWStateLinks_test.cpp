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
using testing_pins::TTestSinkPin;

// A state pin that sends values of its types to whatever stream receives them.
class TTypedStatePin : public TOWStatePin {
 public:
  TTypedStatePin(TComponent* owner, std::initializer_list<Guid> types) : TOWStatePin(owner, nullptr) {
    for (const Guid& type : types) AddType(type, TOWSubmit::Of<&TTypedStatePin::Submit>(this));
  }
  ~TTypedStatePin() override { Disconnect(); }

 private:
  TOWNotifyResult Submit(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    IOWBasicStream* b = QueryBasicStream(h, id);
    return b ? b->DispatchData(id, op, s) : TOWNotifyResult{};
  }
};

// A text source that has agreed no type with the pins it feeds yet.
class TUnsettledSourcePin : public TOWStringSourcePin {
 public:
  using TOWStringSourcePin::TOWStringSourcePin;
  Guid GetConnectionID(TOWBasicPin*) override { return {}; }
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

// Publishes the pins of the tables, so they have names (fmMain.Panel.X).
class TPanel : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TPanel(TComponent* owner) : TComponent(owner) {}
  TOWBoolStatePin *x = nullptr, *y = nullptr, *z = nullptr;
  TTypedStatePin *l = nullptr, *s = nullptr;
  TOWBoolSinkPin* b = nullptr;
  TOWStringSinkPin *t = nullptr, *u = nullptr;
  TOWStringSourcePin* text = nullptr;
  TOWBoolStatePin* X() const { return x; }
  TOWBoolStatePin* Y() const { return y; }
  TOWBoolStatePin* Z() const { return z; }
  TTypedStatePin* L() const { return l; }
  TTypedStatePin* S() const { return s; }
  TOWBoolSinkPin* B() const { return b; }
  TOWStringSinkPin* T() const { return t; }
  TOWStringSinkPin* U() const { return u; }
  TOWStringSourcePin* Text() const { return text; }
  void Forget() { x = y = z = nullptr, l = s = nullptr, b = nullptr, t = u = nullptr, text = nullptr; }
};
const ClassInfo& TPanel::Class() {
  static const ClassInfo ci = ClassBuilder<TPanel>("TPanel", TComponent::Class())
                                  .prop("X", &TPanel::X)
                                  .prop("Y", &TPanel::Y)
                                  .prop("Z", &TPanel::Z)
                                  .prop("L", &TPanel::L)
                                  .prop("S", &TPanel::S)
                                  .prop("B", &TPanel::B)
                                  .prop("T", &TPanel::T)
                                  .prop("U", &TPanel::U)
                                  .prop("Text", &TPanel::Text)
                                  .build();
  return ci;
}

// Boolean state pins X, Y, Z, W; a Float state pin L, a text state pin S
// and a state pin M of both; a Boolean sink B; text sinks T and U with a
// text source for them and one that agrees no type; a sink Q of Float and
// text; named links d1, d2 and an empty one.
struct Pins {
  ComponentPtr<TTestOwner> form = [] {
    auto f = TComponent::CreateUnowned<TTestOwner>();
    f->SetName("fmMain");
    return f;
  }();
  TPanel* panel = [this] {
    auto* p = TComponent::Create<TPanel>(form.get());
    p->SetName("Panel");
    return p;
  }();
  TOWBoolStatePin X{panel, nullptr, {}}, Y{panel, nullptr, {}}, Z{panel, nullptr, {}}, W{panel, nullptr, {}};
  TTypedStatePin L{panel, {IID_IOWFloatStream}}, S{panel, {IID_IOWStringStream}};
  TTypedStatePin M{panel, {IID_IOWFloatStream, IID_IOWStringStream}};
  TOWBoolSinkPin B{panel, nullptr, {}};
  TOWStringSinkPin T{panel, nullptr, {}}, U{panel, nullptr, {}};
  TOWStringSourcePin Text{panel};
  TUnsettledSourcePin Unsettled{panel};
  TTestSinkPin Q{panel, "Q", nullptr, {IID_IOWFloatStream, IID_IOWStringStream}};
  Ref<TOWStateDispatcher> d1 = TOWStateDispatcher::CreateNamed("d1", false);
  Ref<TOWStateDispatcher> d2 = TOWStateDispatcher::CreateNamed("d2", false);
  Ref<TOWStateDispatcher> empty = TOWStateDispatcher::CreateNamed("empty", false);

  Pins() {
    panel->x = &X, panel->y = &Y, panel->z = &Z, panel->l = &L, panel->s = &S;
    panel->b = &B, panel->t = &T, panel->u = &U, panel->text = &Text;
  }

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
    for (TOWPin* p : std::initializer_list<TOWPin*>{&X, &Y, &Z, &W, &L, &S, &M, &B, &T, &U, &Text, &Unsettled, &Q})
      p->Disconnect();
    panel->Forget();
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
      {"a sink offered to a link of input pins only is refused and keeps its source",
       [](Pins& p) {
         p.B.ConnectToState(p.empty);
         p.T.Connect(&p.Text);
       },
       [](Pins& p) { return p.T.ConnectToState(p.empty) || p.T.SourcePin() != &p.Text; }, false,
       "X:- Y:- Z:- W:- L:- B:empty T:-", {}},
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

std::string YesNo(bool b) { return b ? "yes" : "no"; }
std::string NameOf(TOWBasicPin* p) { return p ? p->GetFullName(false) : "-"; }
std::string NameOf(const Ref<TOWStateDispatcher>& d) { return d ? d->Name() : "-"; }
std::string TypeOf(const Guid& id) { return DataTypeIDToText(id); }

// What a link editor asks of a pin, by the text of the question.
const std::map<std::string, std::function<std::string(Pins&)>>& Questions() {
  static const std::map<std::string, std::function<std::string(Pins&)>> q = {
      {"X.ConnectedDispatcherCount", [](Pins& p) { return std::to_string(p.X.ConnectedDispatcherCount()); }},
      {"X.GetConnectedDispatcher(0)", [](Pins& p) { return NameOf(p.X.GetConnectedDispatcher(0)); }},
      {"X.GetConnectedDispatcher(3)", [](Pins& p) { return NameOf(p.X.GetConnectedDispatcher(3)); }},
      {"X.IsConnectedToState(d1)", [](Pins& p) { return YesNo(p.X.IsConnectedToState(p.d1)); }},
      {"X.IsConnectedToState(d2)", [](Pins& p) { return YesNo(p.X.IsConnectedToState(p.d2)); }},
      {"X.IsConnectedToState(nil)", [](Pins& p) { return YesNo(p.X.IsConnectedToState(nullptr)); }},
      {"X.IsConnectedByStateTo(Y)", [](Pins& p) { return YesNo(p.X.IsConnectedByStateTo(&p.Y)); }},
      {"X.IsConnectedByStateTo(X)", [](Pins& p) { return YesNo(p.X.IsConnectedByStateTo(&p.X)); }},
      {"X.IsConnectedByStateTo(Z)", [](Pins& p) { return YesNo(p.X.IsConnectedByStateTo(&p.Z)); }},
      {"X.IsConnectedTo(Y)", [](Pins& p) { return YesNo(p.X.IsConnectedTo(&p.Y)); }},
      {"X.IsConnectedTo(X)", [](Pins& p) { return YesNo(p.X.IsConnectedTo(&p.X)); }},
      {"X.IsConnectedAfter(X, nil)", [](Pins& p) { return YesNo(p.X.IsConnectedAfter(&p.X, nullptr)); }},
      {"X.IsConnectedAfter(Y, nil)", [](Pins& p) { return YesNo(p.X.IsConnectedAfter(&p.Y, nullptr)); }},
      {"X.IsConnectedAfter(Z, Y)", [](Pins& p) { return YesNo(p.X.IsConnectedAfter(&p.Z, &p.Y)); }},
      {"X.IsConnectedAfter(Z, nil)", [](Pins& p) { return YesNo(p.X.IsConnectedAfter(&p.Z, nullptr)); }},
      {"X.IsConnectedAfter(B, Y)", [](Pins& p) { return YesNo(p.X.IsConnectedAfter(&p.B, &p.Y)); }},
      {"X.GetAfterPin(Z)", [](Pins& p) { return NameOf(p.X.GetAfterPin(&p.Z)); }},
      {"X.IsLinkedTo(fmMain.Panel.Y)", [](Pins& p) { return YesNo(p.X.IsLinkedTo("fmMain.Panel.Y")); }},
      {"X.IsLinkedTo(Panel.Y)", [](Pins& p) { return YesNo(p.X.IsLinkedTo("Panel.Y")); }},
      {"X.IsLinkedTo(fmMain.Panel.X)", [](Pins& p) { return YesNo(p.X.IsLinkedTo("fmMain.Panel.X")); }},
      {"X.IsLinkedTo(fmMain.Panel.Z)", [](Pins& p) { return YesNo(p.X.IsLinkedTo("fmMain.Panel.Z")); }},
      {"d(X).GetAfterPinDisplayName(Z)",
       [](Pins& p) { return p.X.Dispatcher() ? p.X.Dispatcher()->GetAfterPinDisplayName(&p.Z) : "-"; }},
      {"B.ConnectedDispatcherCount", [](Pins& p) { return std::to_string(p.B.ConnectedDispatcherCount()); }},
      {"B.GetConnectedDispatcher(1)", [](Pins& p) { return NameOf(p.B.GetConnectedDispatcher(1)); }},
      {"B.IsConnectedAfter(B, Y)", [](Pins& p) { return YesNo(p.B.IsConnectedAfter(&p.B, &p.Y)); }},
      {"B.GetAfterPin(B)", [](Pins& p) { return NameOf(p.B.GetAfterPin(&p.B)); }},
      {"B.DownStreamID", [](Pins& p) { return TypeOf(p.B.DownStreamID()); }},
      {"B.UpStreamLinkName", [](Pins& p) { return p.B.UpStreamLinkName(); }},
      {"B.DownStreamLinkName", [](Pins& p) { return p.B.DownStreamLinkName(); }},
      {"B.GetSourceLinkName", [](Pins& p) { return p.B.GetSourceLinkName(); }},
      {"B.IsLinkedTo()", [](Pins& p) { return YesNo(p.B.IsLinkedTo("")); }},
      {"B.IsLinkedTo(fmMain.Panel.X)", [](Pins& p) { return YesNo(p.B.IsLinkedTo("fmMain.Panel.X")); }},
      {"B.IsConnectedTo(B)", [](Pins& p) { return YesNo(p.B.IsConnectedTo(&p.B)); }},
      {"B.IsConnectedToState(nil)", [](Pins& p) { return YesNo(p.B.IsConnectedToState(nullptr)); }},
      {"T.ConnectedDispatcherCount", [](Pins& p) { return std::to_string(p.T.ConnectedDispatcherCount()); }},
      {"T.DownStreamID", [](Pins& p) { return TypeOf(p.T.DownStreamID()); }},
      {"T.UpStreamLinkName", [](Pins& p) { return p.T.UpStreamLinkName(); }},
      {"T.DownStreamLinkName", [](Pins& p) { return p.T.DownStreamLinkName(); }},
      {"T.GetSourceLinkName", [](Pins& p) { return p.T.GetSourceLinkName(); }},
      {"T.IsLinkedTo(Panel.Text)", [](Pins& p) { return YesNo(p.T.IsLinkedTo("Panel.Text")); }},
      {"T.IsLinkedTo(fmMain.Panel.Text)", [](Pins& p) { return YesNo(p.T.IsLinkedTo("fmMain.Panel.Text")); }},
      {"T.IsLinkedTo(fmMain.Panel.L)", [](Pins& p) { return YesNo(p.T.IsLinkedTo("fmMain.Panel.L")); }},
      {"T.IsLinkedTo()", [](Pins& p) { return YesNo(p.T.IsLinkedTo("")); }},
      {"Q.DownStreamID", [](Pins& p) { return TypeOf(p.Q.DownStreamID()); }},
      {"Q.UpStreamLinkName", [](Pins& p) { return p.Q.UpStreamLinkName(); }},
      {"Q.DownStreamLinkName", [](Pins& p) { return p.Q.DownStreamLinkName(); }},
      {"L.IsConnectedByStateTo(T)", [](Pins& p) { return YesNo(p.L.IsConnectedByStateTo(&p.T)); }},
      {"L.IsLinkedTo(fmMain.Panel.T)", [](Pins& p) { return YesNo(p.L.IsLinkedTo("fmMain.Panel.T")); }},
      {"L.IsLinkedTo(fmMain.Panel.L)", [](Pins& p) { return YesNo(p.L.IsLinkedTo("fmMain.Panel.L")); }},
      {"Text.IsLinkedTo(Panel.T)", [](Pins& p) { return YesNo(p.Text.IsLinkedTo("Panel.T")); }},
      {"Text.IsLinkedTo(fmMain.Panel.T)", [](Pins& p) { return YesNo(p.Text.IsLinkedTo("fmMain.Panel.T")); }},
      {"Text.IsLinkedTo(fmMain.Panel.S)", [](Pins& p) { return YesNo(p.Text.IsLinkedTo("fmMain.Panel.S")); }},
      {"Text.IsConnectedAfter(U, T)", [](Pins& p) { return YesNo(p.Text.IsConnectedAfter(&p.U, &p.T)); }},
      {"Text.IsConnectedAfter(S, nil)", [](Pins& p) { return YesNo(p.Text.IsConnectedAfter(&p.S, nullptr)); }},
      {"Text.GetConnectedAfterPin(1)", [](Pins& p) { return NameOf(p.Text.GetConnectedAfterPin(1)); }},
      {"Text.GetAfterPinDisplayName(U)", [](Pins& p) { return p.Text.GetAfterPinDisplayName(&p.U); }},
      {"Text.ConnectedDispatcherCount", [](Pins& p) { return std::to_string(p.Text.ConnectedDispatcherCount()); }},
  };
  return q;
}

TEST(StateLinkOperations, QuestionsOnALinkAnswerTable) {
  ClearStreamTypeRegistries();
  UnregisterStandardTypes();
  RegisterStandardTypes();
  struct Answer {
    const char* question;
    std::string answer;
  };
  struct Case {
    const char* links;
    std::function<void(Pins&)> make;
    std::vector<Answer> answers;
  } cases[] = {
      {"no link", nullptr,
       {{"X.ConnectedDispatcherCount", "0"},
        {"X.GetConnectedDispatcher(0)", "-"},
        {"X.IsConnectedToState(d1)", "no"},
        {"X.IsConnectedToState(nil)", "yes"},
        {"X.IsConnectedByStateTo(Y)", "no"},
        {"X.IsConnectedByStateTo(X)", "no"},
        {"X.IsConnectedTo(X)", "no"},
        {"X.IsLinkedTo(fmMain.Panel.X)", "no"},
        {"X.IsConnectedAfter(Y, nil)", "no"},
        {"X.GetAfterPin(Z)", "-"},
        {"X.IsLinkedTo(fmMain.Panel.Y)", "no"},
        {"B.ConnectedDispatcherCount", "0"},
        {"B.DownStreamID", "NIL ID"},
        {"B.UpStreamLinkName", ""},
        {"B.DownStreamLinkName", ""},
        {"B.GetSourceLinkName", ""},
        {"B.IsLinkedTo()", "yes"},
        {"B.IsLinkedTo(fmMain.Panel.X)", "no"},
        {"B.IsConnectedTo(B)", "no"},
        {"B.IsConnectedToState(nil)", "yes"},
        {"Text.IsLinkedTo(Panel.T)", "no"},
        {"Text.IsConnectedAfter(S, nil)", "no"}}},
      {"X, Y in d1",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
       },
       {{"X.ConnectedDispatcherCount", "1"},
        {"X.GetConnectedDispatcher(0)", "d1"},
        {"X.GetConnectedDispatcher(3)", "d1"},
        {"X.IsConnectedToState(d1)", "yes"},
        {"X.IsConnectedToState(d2)", "no"},
        {"X.IsConnectedToState(nil)", "no"},
        {"X.IsConnectedByStateTo(Y)", "yes"},
        {"X.IsConnectedByStateTo(X)", "yes"},
        {"X.IsConnectedTo(Y)", "yes"},
        {"X.IsConnectedTo(X)", "yes"},
        {"X.IsConnectedAfter(X, nil)", "yes"},
        {"X.IsConnectedAfter(Y, nil)", "yes"},
        {"X.IsConnectedAfter(Z, nil)", "no"},
        {"X.IsLinkedTo(fmMain.Panel.Y)", "yes"},
        {"X.IsLinkedTo(Panel.Y)", "no"},
        {"X.IsLinkedTo(fmMain.Panel.X)", "yes"},
        {"X.IsConnectedByStateTo(Z)", "no"},
        {"X.IsLinkedTo(fmMain.Panel.Z)", "no"},
        {"B.ConnectedDispatcherCount", "0"}}},
      {"X, Y, Z after Y in d1",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
         p.Z.ConnectToState(p.d1, &p.Y);
       },
       {{"X.ConnectedDispatcherCount", "1"},
        {"X.IsConnectedByStateTo(Z)", "yes"},
        {"X.IsLinkedTo(fmMain.Panel.Z)", "yes"},
        {"X.IsConnectedAfter(Z, Y)", "yes"},
        {"X.IsConnectedAfter(Z, nil)", "no"},
        {"X.IsConnectedAfter(Y, nil)", "yes"},
        {"X.GetAfterPin(Z)", "Panel.Y"},
        {"d(X).GetAfterPinDisplayName(Z)", "fmMain.Panel.Y"}}},
      {"X, Y, and B after Y in d1",
       [](Pins& p) {
         p.X.ConnectToState(p.d1);
         p.Y.ConnectToState(p.d1);
         p.B.ConnectToState(p.d1, &p.Y);
       },
       {{"X.IsConnectedAfter(B, Y)", "yes"},
        {"B.ConnectedDispatcherCount", "1"},
        {"B.GetConnectedDispatcher(1)", "d1"},
        {"B.IsConnectedAfter(B, Y)", "yes"},
        {"B.GetAfterPin(B)", "Panel.Y"},
        {"B.DownStreamID", "Boolean"},
        {"B.GetSourceLinkName", ""},
        {"B.IsLinkedTo()", "yes"},
        {"B.IsLinkedTo(fmMain.Panel.X)", "no"},
        {"B.IsConnectedTo(B)", "yes"},
        {"B.IsConnectedToState(nil)", "no"}}},
      {"S and T in d2",
       [](Pins& p) {
         p.S.ConnectToState(p.d2);
         p.T.ConnectToState(p.d2);
       },
       {{"T.ConnectedDispatcherCount", "1"},
        {"T.DownStreamID", "Sting"},
        {"T.UpStreamLinkName", "Sting"},
        {"T.DownStreamLinkName", "Sting"}}},
      // T is the first member: it names what it selects with the second.
      {"T recorded first, then S",
       [](Pins& p) {
         p.T.ConnectToState(p.empty);
         p.S.ConnectToState(p.empty);
       },
       {{"T.DownStreamID", "Sting"}, {"T.UpStreamLinkName", "Sting"}, {"T.DownStreamLinkName", "Sting"}}},
      // L takes no text back, and sends T Float for a converter to turn.
      {"T recorded first, then L",
       [](Pins& p) {
         p.T.ConnectToState(p.empty);
         p.L.ConnectToState(p.empty);
       },
       {{"T.DownStreamID", "Float"}, {"T.UpStreamLinkName", ""}, {"T.DownStreamLinkName", ""}}},
      // L is first and selects Float for Q; M, second, would select text.
      {"L, M, then Q in d1",
       [](Pins& p) {
         for (TOWPin* pin : std::initializer_list<TOWPin*>{&p.L, &p.M, &p.Q}) pin->ConnectToState(p.d1);
       },
       {{"Q.DownStreamID", "Float"}, {"Q.UpStreamLinkName", "Float"}, {"Q.DownStreamLinkName", "Float"}}},
      // Q is first: it names what it selects with L, the second member.
      {"Q recorded first, then L and M",
       [](Pins& p) {
         for (TOWPin* pin : std::initializer_list<TOWPin*>{&p.Q, &p.L, &p.M}) pin->ConnectToState(p.empty);
       },
       {{"Q.DownStreamID", "Float"}, {"Q.UpStreamLinkName", "Float"}, {"Q.DownStreamLinkName", "Float"}}},
      {"T alone", [](Pins& p) { p.T.ConnectToState(p.empty); },
       {{"T.ConnectedDispatcherCount", "1"},
        {"T.DownStreamID", "NIL ID"},
        {"T.UpStreamLinkName", ""},
        {"T.DownStreamLinkName", ""}}},
      {"L to T through a converter", [](Pins& p) { p.L.Connect(&p.T); },
       {{"L.IsConnectedByStateTo(T)", "yes"},
        {"L.IsLinkedTo(fmMain.Panel.T)", "yes"},
        {"T.ConnectedDispatcherCount", "1"},
        {"T.DownStreamID", "Sting"},
        {"T.UpStreamLinkName", "Sting"},
        {"T.DownStreamLinkName", "Sting"},
        {"T.GetSourceLinkName", ""},
        {"T.IsLinkedTo(fmMain.Panel.L)", "no"},
        {"L.IsLinkedTo(fmMain.Panel.L)", "yes"}}},
      {"Text to T, and to U after T",
       [](Pins& p) {
         p.T.Connect(&p.Text);
         p.U.ConnectAfter(&p.Text, &p.T);
       },
       {{"T.ConnectedDispatcherCount", "0"},
        {"T.DownStreamID", "Sting"},
        {"T.UpStreamLinkName", "Sting"},
        {"T.DownStreamLinkName", "Sting"},
        {"T.GetSourceLinkName", "Panel.Text"},
        {"T.IsLinkedTo(Panel.Text)", "yes"},
        {"T.IsLinkedTo()", "no"},
        {"T.IsLinkedTo(fmMain.Panel.Text)", "no"},
        {"Text.IsLinkedTo(Panel.T)", "yes"},
        {"Text.IsLinkedTo(fmMain.Panel.T)", "yes"},
        {"Text.IsConnectedAfter(U, T)", "yes"},
        {"Text.GetConnectedAfterPin(1)", "Panel.T"},
        {"Text.GetAfterPinDisplayName(U)", "Panel.T"},
        {"Text.ConnectedDispatcherCount", "0"}}},
      // No agreed type from the source: T's is what the source would select for it.
      {"Unsettled to T", [](Pins& p) { p.T.Connect(&p.Unsettled); },
       {{"T.DownStreamID", "Sting"}, {"T.DownStreamLinkName", ""}}},
      {"Text and S in d2",
       [](Pins& p) {
         p.Text.ConnectToState(p.d2);
         p.S.ConnectToState(p.d2);
       },
       {{"Text.ConnectedDispatcherCount", "1"},
        {"Text.IsConnectedAfter(S, nil)", "yes"},
        {"Text.IsLinkedTo(fmMain.Panel.S)", "no"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.links);
    Pins p;
    if (c.make) c.make(p);
    for (const Answer& a : c.answers) {
      auto q = Questions().find(a.question);
      ASSERT_NE(q, Questions().end()) << a.question;
      EXPECT_EQ(q->second(p), a.answer) << a.question;
    }
  }
}

TEST(StateLinkOperations, AfterPinsByNameTable) {
  ClearStreamTypeRegistries();
  UnregisterStandardTypes();
  RegisterStandardTypes();
  auto three = [](Pins& p) {
    for (TOWPin* pin : {&p.X, &p.Y, &p.Z}) pin->ConnectToState(p.d1);
  };
  auto twoSinks = [](Pins& p) {
    p.T.Connect(&p.Text);
    p.U.Connect(&p.Text);
  };
  struct Case {
    const char* what;
    std::function<void(Pins&)> make;
    std::function<std::string(Pins&)> op;  // answers the after-pin's name afterwards
    std::string after;
  } cases[] = {
      {"a member by its name without root", three,
       [](Pins& p) {
         p.d1->SetAfterPinByName(&p.Z, "Panel.Y");
         return p.d1->GetAfterPinDisplayName(&p.Z);
       },
       "fmMain.Panel.Y"},
      {"a member by its name with root", three,
       [](Pins& p) {
         p.d1->SetAfterPinByName(&p.Z, "fmMain.Panel.X");
         return p.d1->GetAfterPinDisplayName(&p.Z);
       },
       "fmMain.Panel.X"},
      {"a name no member has changes nothing", three,
       [](Pins& p) {
         p.d1->SetAfterPinByName(&p.Z, "Panel.X");
         p.d1->SetAfterPinByName(&p.Z, "Panel.W");
         return p.d1->GetAfterPinDisplayName(&p.Z);
       },
       "fmMain.Panel.X"},
      {"a pin that is no member gets none", three,
       [](Pins& p) {
         p.d1->SetAfterPinByName(&p.W, "Panel.X");
         return p.d1->GetAfterPinDisplayName(&p.W);
       },
       ""},
      {"the name read back sets the same pin", three,
       [](Pins& p) {
         p.d1->SetAfterPinByName(&p.Z, "Panel.X");
         p.d1->SetAfterPinByName(&p.Z, p.d1->GetAfterPinDisplayName(&p.Z));
         return NameOf(p.d1->GetAfterPinOf(&p.Z));
       },
       "Panel.X"},
      {"a source's link by the other sink's name", twoSinks,
       [](Pins& p) {
         p.Text.SetAfterPinByName(&p.U, "Panel.T");
         return p.Text.GetAfterPinDisplayName(&p.U) + (p.Text.IsConnectedAfter(&p.U, &p.T) ? " (after T)" : "");
       },
       "Panel.T (after T)"},
      {"a source's link by the name of a pin it does not feed", twoSinks,
       [](Pins& p) {
         p.Text.SetAfterPinByName(&p.U, "Panel.X");
         return p.Text.GetAfterPinDisplayName(&p.U);
       },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Pins p;
    c.make(p);
    EXPECT_EQ(c.op(p), c.after);
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
