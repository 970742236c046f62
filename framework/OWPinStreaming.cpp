#include "framework/OWPinStreaming.h"

#include "framework/OWConverter.h"
#include "framework/OWPinNames.h"
#include "framework/OWStateDispatcher.h"
#include "framework/OWTypes.h"
#include "platform/exceptions.h"
#include "platform/guid.h"

namespace tavrel {

void WritePinNameValue(TWriter& Writer, const std::string& AIdentName, const std::string& ADisplayName) {
  if (AIdentName == ADisplayName) return Writer.WriteIdent(AIdentName);
  Writer.WriteListBegin();
  Writer.WriteIdent(AIdentName);
  Writer.WriteString(ADisplayName);
  Writer.WriteListEnd();
}

void ReadPinNameValue(TReader& Reader, std::string& AIdentName, std::string& ADisplayName) {
  if (Reader.NextValue() == vaList) {
    Reader.ReadListBegin();
    AIdentName = Reader.ReadIdent();
    ADisplayName = Reader.ReadString();
    Reader.ReadListEnd();
    return;
  }
  AIdentName = Reader.ReadIdent();
  ADisplayName = AIdentName;
}

void ReadSinkEntry(TReader& Reader, std::string& AIdentName, std::string& ADisplayName, std::string& AAfterName) {
  AAfterName.clear();
  if (Reader.NextValue() != vaList) {
    AIdentName = Reader.ReadIdent();
    ADisplayName = AIdentName;
    return;
  }
  Reader.ReadListBegin();
  AIdentName = Reader.ReadIdent();
  if (Reader.NextValue() == vaIdent) AAfterName = Reader.ReadIdent();
  ADisplayName = AIdentName;
  if (IsStringValue(Reader.NextValue())) ADisplayName = Reader.ReadString();
  Reader.ReadListEnd();
}

void ReadSourceValue(TReader& Reader, std::string& AIdentName, std::string& ADisplayName, std::string& AAfterName) {
  AAfterName.clear();
  if (Reader.NextValue() != vaList) {
    AIdentName = Reader.ReadIdent();
    ADisplayName = AIdentName;
    return;
  }
  Reader.ReadListBegin();
  if (Reader.NextValue() == vaList) {
    Reader.ReadListBegin();
    ReadPinNameValue(Reader, AIdentName, ADisplayName);
    AAfterName = Reader.ReadIdent();
    Reader.ReadListEnd();
  } else {
    AIdentName = Reader.ReadIdent();
    ADisplayName = Reader.ReadString();
  }
  Reader.ReadListEnd();
}

std::string ReadStateLinkName(TReader& Reader) {
  if (Reader.NextValue() != vaList) return Reader.ReadString();
  Reader.ReadListBegin();
  std::string name = Reader.ReadString();
  // Pins of other forms join by name when their own form is read.
  while (!Reader.EndOfList()) {
    TValueType v = Reader.NextValue();
    if (v != vaIdent && v != vaList) Reader.CheckValue(vaIdent);
    Reader.SkipValue();
  }
  Reader.ReadListEnd();
  return name;
}

// ---------------------------------------------------------------------------
// TOWPin: "Form"

std::string ReRootName(const std::string& AName, const std::string& ALoadFormName, const std::string& ARootName) {
  if (ALoadFormName.empty()) return AName;
  if (AName.size() <= ALoadFormName.size() || AName.compare(0, ALoadFormName.size(), ALoadFormName) != 0 ||
      AName[ALoadFormName.size()] != '.')
    return AName;
  return ARootName + AName.substr(ALoadFormName.size());
}

std::string TOWPin::ReRootName(const std::string& AName) {
  if (FLoadFormName.empty()) return AName;
  return tavrel::ReRootName(AName, FLoadFormName, GetRootName());
}

void TOWPin::DefineProperties(TFiler& Filer) {
  TOWPinObject::DefineProperties(Filer);
  bool state = HasStateDispatcher();
  bool store = state;
  if (auto* src = dynamic_cast<TOWSourcePin*>(this))
    store = store || src->SinkCount() > 0;
  else if (auto* sink = dynamic_cast<TOWSinkPin*>(this))
    store = store || sink->SourcePin() != nullptr;
  Filer.DefineProperty(
      "Form", [this](TReader& r) { FLoadFormName = r.ReadIdent(); },
      [this](TWriter& w) { w.WriteIdent(GetRootName()); }, store);
  // A state link through a converter is stored with the converter instead.
  Filer.DefineProperty(
      "State", [this](TReader& r) { ReadStateValue(r); }, [this](TWriter& w) { WriteStateValue(w); },
      state && !StoreStateConverter());
}

// ---------------------------------------------------------------------------
// TOWSourcePin: "SinkPins"

void TOWSourcePin::DefineProperties(TFiler& Filer) {
  TOWPin::DefineProperties(Filer);
  Filer.DefineProperty(
      "SinkPins", [this](TReader& r) { ReadSinkPins(r); }, [this](TWriter& w) { WriteSinkPins(w); },
      SinkCount() > 0);
}

void TOWSourcePin::ReadSinkPins(TReader& Reader) {
  TOWFormLinkReading reading;
  AdoptUnloadedPin();
  TComponent* root = GetRoot();
  std::string self = GetFullName(true);
  // Links already made from the other end come in the order they were read.
  std::vector<TOWBasicPin*> order;
  Reader.ReadListBegin();
  while (!Reader.EndOfList()) {
    // The whole entry is read before any name is resolved, so a broken
    // entry leaves no placeholder behind.
    std::string ident, display, afterName;
    ReadSinkEntry(Reader, ident, display, afterName);
    afterName = ReRootName(afterName);
    TOWBasicPin* after =
        afterName.empty() ? nullptr : PinGetByNameCreate(root, TOWPinType::ptSink, afterName, afterName, self);
    TOWBasicPin* sink =
        PinGetByNameCreate(root, TOWPinType::ptSink, ReRootName(ident), ReRootName(display), self);
    if (sink && DoConnectAfter(sink, after)) order.push_back(sink);
  }
  Reader.ReadListEnd();
  OrderSinkEntries(order);
}

bool TOWSourcePin::ConnectByName(TComponent* ARoot, const std::string& AName) {
  if (AName.empty()) {
    Disconnect();
    return true;
  }
  TOWPinPaths candidates;
  bool complete = CollectLinkCandidates(this, ARoot, candidates);
  for (const TOWPinPath& c : candidates)
    if (c.Path == AName) {
      Connect(c.Pin);
      return true;
    }
  return !complete;
}

void TOWSourcePin::WriteSinkPins(TWriter& Writer) {
  struct Entry {
    TOWBasicPin* pin;
    TOWBasicPin* after;
  };
  std::vector<Entry> entries;
  {
    ReadHold r(this);
    for (int i = 0; i < FSinkPins.Count(); ++i)
      entries.push_back({FSinkPins.Items(i)->RealPin, FSinkPins.Items(i)->NotifyAfterPin});
  }
  Writer.WriteListBegin();
  for (const Entry& e : entries) {
    std::string ident = e.pin->GetFullIdentName(true);
    std::string display = e.pin->GetFullName(true);
    if (ident == display && !e.after) {
      Writer.WriteIdent(ident);
      continue;
    }
    Writer.WriteListBegin();
    Writer.WriteIdent(ident);
    if (e.after) Writer.WriteIdent(e.after->GetFullIdentName(true));
    if (ident != display) Writer.WriteString(display);
    Writer.WriteListEnd();
  }
  Writer.WriteListEnd();
}

// ---------------------------------------------------------------------------
// TOWSinkPin: "SourcePin"

void TOWSinkPin::DefineProperties(TFiler& Filer) {
  TOWPin::DefineProperties(Filer);
  // An input pin has a source or a state link, never both; a state link
  // through a converter is stored with the converter.
  bool converter = StoreStateConverter();
  Filer.DefineProperty(
      "SourcePin", [this](TReader& r) { ReadSourcePin(r); }, [this](TWriter& w) { WriteSourcePin(w); },
      SourcePin() != nullptr && !converter);
  Filer.DefineProperty(
      "StateConverter", [this](TReader& r) { ReadStateConverter(r); },
      [this](TWriter& w) { WriteStateConverter(w); }, converter);
}

void TOWSinkPin::ReadSourcePin(TReader& Reader) {
  TOWFormLinkReading reading;
  AdoptUnloadedPin();
  TComponent* root = GetRoot();
  std::string self = GetFullName(true);
  std::string ident, display, afterName;
  ReadSourceValue(Reader, ident, display, afterName);
  afterName = ReRootName(afterName);
  TOWBasicPin* after =
      afterName.empty() ? nullptr : PinGetByNameCreate(root, TOWPinType::ptSink, afterName, afterName, self);
  TOWBasicPin* source = PinGetByNameCreate(root, TOWPinType::ptSource, ReRootName(ident), ReRootName(display), self);
  if (source) ConnectAfter(source, after);
}

bool TOWSinkPin::TryLinkTo(TComponent*, const std::string& Soutce, const std::string& SoutceName, bool) {
  if (Soutce == "nil") {
    Disconnect();
    return true;
  }
  TOWBasicPin* source = PinGetByNameCreate(GetRoot(), TOWPinType::ptSource, ReRootName(Soutce),
                                           ReRootName(SoutceName), GetFullName(true));
  return source && Connect(source);
}

void TOWSinkPin::WriteSourcePin(TWriter& Writer) {
  TOWBasicPin* source = SourcePin();
  if (!source) return Writer.WriteIdent("nil");
  std::string ident = source->GetFullIdentName(true);
  std::string display = source->GetFullName(true);
  TOWBasicPin* after = source->GetAfterPin(this);
  if (!after) return WritePinNameValue(Writer, ident, display);
  Writer.WriteListBegin();
  Writer.WriteListBegin();
  WritePinNameValue(Writer, ident, display);
  Writer.WriteIdent(after->GetFullIdentName(true));
  Writer.WriteListEnd();
  Writer.WriteListEnd();
}

bool TOWSinkPin::ConnectByName(TComponent* ARoot, const std::string& AName) {
  bool was = IsConnected() || HasStateDispatcher();
  if (AName.empty() || AName == "(Disconnected)") {
    Disconnect();
    return was;
  }
  // An existing source first, then a design-time state link of that name;
  // any other name is a source still to come.
  std::string name = ReRootName(AName);
  TOWBasicPin* p = PinGetByIdentName(GetRoot(), name);
  if (!p) p = PinGetByDisplayName(GetRoot(), name);
  if (!p || p->GetPinType() != TOWPinType::ptSource)
    if (Ref<TOWStateDispatcher> d = TOWStateDispatcher::GetByName(AName, true); d && ConnectToState(d)) return true;
  return TryLinkTo(ARoot, AName, AName, false) || was;
}

// ---------------------------------------------------------------------------
// "State" and "StateConverter"

namespace {

// The short form, or the long form naming the members of other forms the
// first time a root writes a link that crosses forms in this saving pass.
void WriteDispatcherValue(TWriter& Writer, TOWPin* APin, TOWStateDispatcher& d) {
  TComponent* root = APin->GetRoot();
  if (d.CountSaved() == 0) d.ClearSavedForms();
  bool written = false;
  if (d.IsCrosForm() && (!root || !d.IsFormSaved(root))) {
    Writer.WriteListBegin();
    Writer.WriteString(d.Name());
    std::string mine = APin->GetRootName();
    for (auto& m : d.Members())
      if (m.RealPin->GetRootName() != mine)
        WritePinNameValue(Writer, m.RealPin->GetFullIdentName(true), m.RealPin->GetFullName(true));
    Writer.WriteListEnd();
    written = true;
  }
  if (d.PinCount() == d.CountSaved())
    d.ClearSavedForms();
  else
    d.AddSavedForm(root);
  if (!written) Writer.WriteString(d.Name());
}

}  // namespace

void TOWPin::ReadStateValue(TReader& Reader) {
  TOWFormLinkReading reading;
  AdoptUnloadedPin();
  std::string name = ReadStateLinkName(Reader);
  ConnectToStateName(name);
  // A link that refuses this pin (a type it cannot carry) is bad data.
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d || d->Name() != name) throw EReadError();
}

void TOWPin::WriteStateValue(TWriter& Writer) {
  if (Ref<TOWStateDispatcher> d = Dispatcher()) WriteDispatcherValue(Writer, this, *d);
}

bool TOWSinkPin::StoreStateConverter() {
  // Only a converter the state link placed: a converter in a plain link
  // from a source is stored with the source.
  TOWBasicPin* s = ConnectionSourcePin();
  auto* conv = s ? dynamic_cast<TOWFormatConverter*>(s->Owner()) : nullptr;
  Ref<TOWStateDispatcher> d = conv ? Dispatcher() : nullptr;
  return d && d->FormatConverterOf(conv->InputPin()).Instance;
}

void TOWSinkPin::ReadStateConverter(TReader& Reader) {
  TOWFormLinkReading reading;
  AdoptUnloadedPin();
  Reader.ReadListBegin();
  std::string name = ReadStateLinkName(Reader);
  Guid from = StringToGUID(Reader.ReadString());
  Guid to = StringToGUID(Reader.ReadString());
  Reader.ReadListEnd();
  // Nothing is made for a pair no converter is registered for.
  if (!FindTypeConverter(from, to)) throw EReadError();
  if (!ConnectToStateThrough(TOWStateDispatcher::GetByNameCreate(this, name, IsDesignTime(false)), from, to))
    throw EReadError();
}

void TOWSinkPin::WriteStateConverter(TWriter& Writer) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  TOWBasicPin* source = ConnectionSourcePin();
  auto* conv = source ? dynamic_cast<TOWFormatConverter*>(source->Owner()) : nullptr;
  TOWStateDispatcher::Converter c = d && conv ? d->FormatConverterOf(conv->InputPin()) : TOWStateDispatcher::Converter{};
  if (!c.Instance) throw EWriteError("the state link of " + GetFullName(true) + " has no converter");
  Writer.WriteListBegin();
  WriteDispatcherValue(Writer, this, *d);
  Writer.WriteString(FormatGUIDText(c.FromID));
  Writer.WriteString(FormatGUIDText(c.ToID));
  Writer.WriteListEnd();
}

bool TOWSinkPin::ConnectToStateThrough(const Ref<TOWStateDispatcher>& ADispatcher, const Guid& AFromID,
                                       const Guid& AToID) {
  TOWFormatConverterClass make = FindTypeConverter(AFromID, AToID);
  if (!ADispatcher || !make) return false;
  return JoinStateThrough(ADispatcher, make(), AFromID, AToID, nullptr);
}

bool TOWSinkPin::JoinStateThrough(const Ref<TOWStateDispatcher>& ADispatcher, const Ref<IOWFormatConverter>& AConverter,
                                  const Guid& AFromID, const Guid& AToID, TOWBasicPin* NotifyAfterPin) {
  // Held from the start: whatever fails below, a new converter goes.
  Ref<IOWFormatConverter> conv = AConverter;
  TOWFormatConverter* c = conv ? conv->Instance() : nullptr;
  if (!ADispatcher || !c || !c->InputPin() || !c->OutputPin()) return false;
  // Refused: the pin keeps the links it has.
  if (!CanConnectTo(c->OutputPin(), true)) return false;
  Disconnect();
  if (!ConnectAfter(c->OutputPin(), nullptr)) return false;
  if (!ADispatcher->FormatConverterOf(c->InputPin()).Instance) ADispatcher->AddFormatConverter({conv, AFromID, AToID});
  ADispatcher->AddPinAfter(c->InputPin(), this, NotifyAfterPin);
  BroadcastLinked(ADispatcher.get());
  BroadcastChanged();
  StateLinkChanged();
  return true;
}

}  // namespace tavrel
