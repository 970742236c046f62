#include "framework/OWPinStreaming.h"

#include "framework/OWPinNames.h"
#include "framework/OWStateDispatcher.h"
#include "platform/exceptions.h"

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
  bool store = false;
  if (auto* src = dynamic_cast<TOWSourcePin*>(this))
    store = src->SinkCount() > 0;
  else if (auto* sink = dynamic_cast<TOWSinkPin*>(this))
    store = sink->SourcePin() != nullptr;
  else if (auto* state = dynamic_cast<TOWStatePin*>(this))
    store = state->Dispatcher() != nullptr;
  Filer.DefineProperty(
      "Form", [this](TReader& r) { FLoadFormName = r.ReadIdent(); },
      [this](TWriter& w) { w.WriteIdent(GetRootName()); }, store);
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
  Reader.ReadListBegin();
  while (!Reader.EndOfList()) {
    std::string ident, display, afterName;
    ReadSinkEntry(Reader, ident, display, afterName);
    TOWBasicPin* after = nullptr;
    if (!afterName.empty()) {
      afterName = ReRootName(afterName);
      after = PinGetByNameCreate(root, TOWPinType::ptSink, afterName, afterName, self);
    }
    TOWBasicPin* sink =
        PinGetByNameCreate(root, TOWPinType::ptSink, ReRootName(ident), ReRootName(display), self);
    if (sink) DoConnectAfter(sink, after);
  }
  Reader.ReadListEnd();
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
  Filer.DefineProperty(
      "SourcePin", [this](TReader& r) { ReadSourcePin(r); }, [this](TWriter& w) { WriteSourcePin(w); },
      SourcePin() != nullptr);
}

void TOWSinkPin::ReadSourcePin(TReader& Reader) {
  TOWFormLinkReading reading;
  AdoptUnloadedPin();
  TComponent* root = GetRoot();
  std::string self = GetFullName(true);
  std::string ident, display, afterName;
  ReadSourceValue(Reader, ident, display, afterName);
  TOWBasicPin* after = nullptr;
  if (!afterName.empty()) {
    afterName = ReRootName(afterName);
    after = PinGetByNameCreate(root, TOWPinType::ptSink, afterName, afterName, self);
  }
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

// ---------------------------------------------------------------------------
// TOWStatePin: "State"

void TOWStatePin::DefineProperties(TFiler& Filer) {
  TOWPin::DefineProperties(Filer);
  Filer.DefineProperty(
      "State", [this](TReader& r) { ReadStateValue(r); }, [this](TWriter& w) { WriteStateValue(w); },
      Dispatcher() != nullptr);
}

void TOWStatePin::ReadStateValue(TReader& Reader) {
  TOWFormLinkReading reading;
  AdoptUnloadedPin();
  ConnectToStateName(ReadStateLinkName(Reader));
}

void TOWStatePin::WriteStateValue(TWriter& Writer) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return;
  TComponent* root = GetRoot();
  if (d->CountSaved() == 0) d->ClearSavedForms();
  bool written = false;
  if (d->IsCrosForm() && (!root || !d->IsFormSaved(root))) {
    Writer.WriteListBegin();
    Writer.WriteString(d->Name());
    std::string mine = GetRootName();
    for (auto& m : d->Members())
      if (m.RealPin->GetRootName() != mine)
        WritePinNameValue(Writer, m.RealPin->GetFullIdentName(true), m.RealPin->GetFullName(true));
    Writer.WriteListEnd();
    written = true;
  }
  if (d->PinCount() == d->CountSaved())
    d->ClearSavedForms();
  else
    d->AddSavedForm(root);
  if (!written) Writer.WriteString(d->Name());
}

}  // namespace tavrel
