#pragma once
// Components with pins for the form fuzz target: value source and sink
// pins, a string sink a Float state link reaches through a converter, a
// Boolean state pin and sink pins in collection items (whose identifier and
// display names differ) and in a pin list, so that every link value of form
// data is read: "Form", "State", "SinkPins", "SourcePin", "StateConverter",
// and the list's "Form", "Pins" and "PinsOwner".
//
// ReadPinLinks reads data into a root that already holds such a component,
// checks after a refused read that every link left is whole at both ends,
// and that what was read writes and reads back to the same links.
#include <algorithm>
#include <memory>
#include <string>
#include <span>
#include <vector>

#include "framework/OWPinList.h"
#include "framework/OWPinNames.h"
#include "framework/OWStateDispatcher.h"
#include "framework/OWStdPins.h"
#include "framework/OWStdTypes.h"
#include "framework/OWValuePins.h"
#include "platform/fuzz/fuzz_classes.h"

namespace tavrel::fuzz {

class TPinChannel : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TPinChannel(TCollection* c)
      : TCollectionItem(c),
        pin_(std::make_unique<TOWFloatSinkPin>(dynamic_cast<TComponent*>(c->GetOwner()), nullptr, TOWFloatChangeEvent{})) {}
  TOWFloatSinkPin* Pin() const { return pin_.get(); }

 private:
  std::unique_ptr<TOWFloatSinkPin> pin_;
};
inline const ClassInfo& TPinChannel::Class() {
  static const ClassInfo ci =
      ClassBuilder<TPinChannel>("TPinChannel", TCollectionItem::Class()).prop("Pin", &TPinChannel::Pin).build();
  return ci;
}

class TPinBox : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TPinBox(TComponent* owner)
      : TComponent(owner),
        out_(std::make_unique<TOWFloatSourcePin>(this)),
        in_(std::make_unique<TOWFloatSinkPin>(this, nullptr, TOWFloatChangeEvent{})),
        text_(std::make_unique<TOWStringSinkPin>(this, nullptr, TOWStringChangeEvent{})),
        enabled_(std::make_unique<TOWBoolStatePin>(this, nullptr, TOWBoolChangeEvent{})),
        channels_(std::make_unique<TCollection>(ItemClassOf<TPinChannel>(), this)),
        inputs_(std::make_unique<TOWPinList>(this, true)) {
    inputs_->Add(std::make_unique<TOWFloatSinkPin>(this, nullptr, TOWFloatChangeEvent{}), "Left");
    inputs_->Add(std::make_unique<TOWFloatSourcePin>(this));
  }
  ~TPinBox() override {
    inputs_.reset();
    channels_.reset();
    enabled_.reset();
    text_.reset();
    in_.reset();
    out_.reset();
  }
  TOWFloatSourcePin* Out() const { return out_.get(); }
  TOWFloatSinkPin* In() const { return in_.get(); }
  TOWStringSinkPin* Text() const { return text_.get(); }
  TOWBoolStatePin* Enabled() const { return enabled_.get(); }
  TCollection* Channels() const { return channels_.get(); }
  TOWPinList* Inputs() const { return inputs_.get(); }

 private:
  std::unique_ptr<TOWFloatSourcePin> out_;
  std::unique_ptr<TOWFloatSinkPin> in_;
  std::unique_ptr<TOWStringSinkPin> text_;
  std::unique_ptr<TOWBoolStatePin> enabled_;
  std::unique_ptr<TCollection> channels_;
  std::unique_ptr<TOWPinList> inputs_;
};
inline const ClassInfo& TPinBox::Class() {
  static const ClassInfo ci = ClassBuilder<TPinBox>("TPinBox", TComponent::Class())
                                  .prop("Out", &TPinBox::Out)
                                  .prop("In", &TPinBox::In)
                                  .prop("Text", &TPinBox::Text)
                                  .prop("Enabled", &TPinBox::Enabled)
                                  .prop("Channels", &TPinBox::Channels)
                                  .prop("Inputs", &TPinBox::Inputs)
                                  .build();
  return ci;
}

class TPinRoot : public TRoot {
  TAVREL_CLASS_INFO
 public:
  using TRoot::TRoot;
};
inline const ClassInfo& TPinRoot::Class() {
  static const ClassInfo ci = ClassBuilder<TPinRoot>("TPinRoot", TRoot::Class()).formRoot().build();
  return ci;
}

inline void RegisterPinClasses() {
  static bool done = [] {
    RegisterFuzzClasses();
    RegisterClass(TPinBox::Class());
    RegisterClass(TPinRoot::Class());
    RegisterStandardTypes();
    return true;
  }();
  (void)done;
}

// Every link is whole at both of its ends.
inline void CheckLinks() {
  std::vector<TOWBasicPin*> pins = RegisteredPins();
  auto registered = [&](TOWBasicPin* p) { return std::find(pins.begin(), pins.end(), p) != pins.end(); };
  for (TOWBasicPin* p : pins) {
    if (p->IsConverterPin()) continue;  // a converter's pins are checked through their link
    if (auto* src = dynamic_cast<TOWSourcePin*>(p)) {
      for (int i = 0; i < src->SinkCount(); ++i) {
        TOWBasicPin* sink = src->GetSinkPin(i);
        if (!registered(sink)) __builtin_trap();
        if (auto* s = dynamic_cast<TOWSinkPin*>(sink); s && s->SourcePin() != src) __builtin_trap();
        if (dynamic_cast<TOWUnloadedPin*>(sink) && !sink->IsConnectedTo(src)) __builtin_trap();
      }
    }
    if (auto* sink = dynamic_cast<TOWSinkPin*>(p)) {
      TOWBasicPin* s = sink->SourcePin();
      if (s && !registered(s)) __builtin_trap();
      if (s && !s->IsConverterPin() && !s->IsConnectedTo(sink)) __builtin_trap();
    }
    if (auto* pin = dynamic_cast<TOWPin*>(p)) {
      Ref<TOWStateDispatcher> d = pin->Dispatcher();
      if (!d) continue;
      bool member = false;
      for (auto& m : d->Members()) {
        if (!registered(m.RealPin) || !registered(m.ConnectionPin)) __builtin_trap();
        member = member || m.RealPin == pin || m.ConnectionPin == pin;
      }
      if (!member) __builtin_trap();
    }
  }
}

// The links as text, sorted: the order of a source's sinks depends on which
// end of each link was read first, so it is not compared.
inline std::vector<std::string> DescribeLinks() {
  std::vector<std::string> r;
  for (TOWBasicPin* p : RegisteredPins()) {
    if (p->IsConverterPin()) continue;
    std::string name = p->GetFullIdentName(true);
    if (auto* src = dynamic_cast<TOWSourcePin*>(p))
      for (int i = 0; i < src->SinkCount(); ++i) {
        TOWBasicPin* sink = src->GetSinkPin(i);
        TOWBasicPin* after = src->GetAfterPin(sink);
        r.push_back(name + " -> " + sink->GetFullIdentName(true) + (after ? " after " + after->GetFullIdentName(true) : ""));
      }
    if (auto* sink = dynamic_cast<TOWSinkPin*>(p); sink && sink->SourcePin())
      r.push_back(name + " <- " + sink->SourcePin()->GetFullIdentName(true));
    if (auto* pin = dynamic_cast<TOWPin*>(p))
      if (Ref<TOWStateDispatcher> d = pin->Dispatcher()) r.push_back(name + " in " + d->Name());
  }
  std::sort(r.begin(), r.end());
  return r;
}

// After every root is gone nothing of the links is left.
inline void CheckNothingLeft() {
  ClearUnloadedPins();
  if (!RegisteredPins().empty() || TOWStateDispatcher::Alive() != 0) __builtin_trap();
}

inline void ReadPinLinks(std::span<const uint8_t> data) {
  RegisterPinClasses();
  std::vector<uint8_t> first;
  std::vector<std::string> links;
  {
    // The root already holds a component with pins, so that stored links
    // may name pins that exist before reading.
    auto root = TComponent::CreateUnowned<TPinRoot>();
    auto* held = TComponent::Create<TPinBox>(root.get());
    held->SetName("Held");
    held->Channels()->Add();
    try {
      ReadRootComponent(*root, data);
    } catch (const EReadError&) {
      if (root->ComponentCount() != 1) __builtin_trap();  // a half-read component was left
      CheckLinks();
      root.reset();
      CheckNothingLeft();
      return;
    }
    CheckLinks();
    links = DescribeLinks();
    try {
      first = WriteRootComponent(*root);
    } catch (const EWriteError&) {
      root.reset();
      CheckNothingLeft();
      return;
    }
  }
  CheckNothingLeft();
  {
    // The held component is stored with the others.
    auto again = TComponent::CreateUnowned<TPinRoot>();
    ReadRootComponent(*again, first);  // must not fail
    CheckLinks();
    if (DescribeLinks() != links) __builtin_trap();
  }
  CheckNothingLeft();
}

}  // namespace tavrel::fuzz
