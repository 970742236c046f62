#pragma once
// Components shaped like the main window's audio graph, for reading and
// writing pin links: a capture-like source, a playback-like sink, a filter
// with an input and an output pin, a mixer whose sink pins sit in the items
// of a collection (so their identifier and display names differ), and a
// form class.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/LPComponent.h"
#include "framework/OWPinNames.h"
#include "framework/tests/pins_testing.h"
#include "platform/classinfo.h"
#include "platform/collection.h"

namespace tavrel::pin_links {

using testing_pins::TTestSinkPin;
using testing_pins::TTestSourcePin;
using testing_pins::TypeA;

// Records each SetUp with whether the component's pins were linked then.
class TLinkProbe : public TLPComponent {
 public:
  using TLPComponent::TLPComponent;
  struct SetUpCall {
    bool justCreated;
    bool linked;
  };
  std::vector<SetUpCall> setUps;
  virtual bool Linked() = 0;
  void SetUp(bool AJustCreated) override { setUps.push_back({AJustCreated, Linked()}); }
};

class TLinkAudioIn : public TLinkProbe {
  TAVREL_CLASS_INFO
 public:
  explicit TLinkAudioIn(TComponent* owner)
      : TLinkProbe(owner), FOutput(std::make_unique<TTestSourcePin>(this, std::vector<Guid>{TypeA})) {}
  ~TLinkAudioIn() override { FOutput.reset(); }
  TTestSourcePin* OutputPin() const { return FOutput.get(); }
  bool Linked() override { return FOutput->IsConnected(); }

 private:
  std::unique_ptr<TTestSourcePin> FOutput;
};

class TLinkAudioOut : public TLinkProbe {
  TAVREL_CLASS_INFO
 public:
  explicit TLinkAudioOut(TComponent* owner)
      : TLinkProbe(owner), FInput(std::make_unique<TTestSinkPin>(this, "out", nullptr, std::vector<Guid>{TypeA})) {}
  ~TLinkAudioOut() override { FInput.reset(); }
  TTestSinkPin* InputPin() const { return FInput.get(); }
  bool Linked() override { return FInput->IsConnected(); }

 private:
  std::unique_ptr<TTestSinkPin> FInput;
};

class TLinkFilter : public TLinkProbe {
  TAVREL_CLASS_INFO
 public:
  explicit TLinkFilter(TComponent* owner)
      : TLinkProbe(owner),
        FOutput(std::make_unique<TTestSourcePin>(this, std::vector<Guid>{TypeA})),
        FInput(std::make_unique<TTestSinkPin>(this, "in", nullptr, std::vector<Guid>{TypeA})) {}
  ~TLinkFilter() override {
    FInput.reset();
    FOutput.reset();
  }
  TTestSinkPin* InputPin() const { return FInput.get(); }
  TTestSourcePin* OutputPin() const { return FOutput.get(); }
  bool Linked() override { return FInput->IsConnected(); }

 private:
  std::unique_ptr<TTestSourcePin> FOutput;
  std::unique_ptr<TTestSinkPin> FInput;
};

class TLinkChannel : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TLinkChannel(TCollection* c)
      : TCollectionItem(c),
        FPin(std::make_unique<TTestSinkPin>(dynamic_cast<TComponent*>(c->GetOwner()), "channel", nullptr,
                                            std::vector<Guid>{TypeA})) {}
  TTestSinkPin* Pin() const { return FPin.get(); }

 private:
  std::unique_ptr<TTestSinkPin> FPin;
};

class TLinkMixer : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TLinkMixer(TComponent* owner)
      : TComponent(owner), FChannels(std::make_unique<TCollection>(ItemClassOf<TLinkChannel>(), this)) {}
  ~TLinkMixer() override { FChannels.reset(); }
  TCollection* Channels() const { return FChannels.get(); }
  TTestSinkPin* Channel(int i) const { return static_cast<TLinkChannel*>(FChannels->Items(i))->Pin(); }

 private:
  std::unique_ptr<TCollection> FChannels;
};

class TLinkForm : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TLinkForm(TComponent* owner) : TComponent(owner) {}
};

inline const ClassInfo& TLinkAudioIn::Class() {
  static const ClassInfo ci =
      ClassBuilder<TLinkAudioIn>("TLinkAudioIn", TLPComponent::Class()).prop("OutputPin", &TLinkAudioIn::OutputPin).build();
  return ci;
}
inline const ClassInfo& TLinkAudioOut::Class() {
  static const ClassInfo ci =
      ClassBuilder<TLinkAudioOut>("TLinkAudioOut", TLPComponent::Class()).prop("InputPin", &TLinkAudioOut::InputPin).build();
  return ci;
}
inline const ClassInfo& TLinkFilter::Class() {
  static const ClassInfo ci = ClassBuilder<TLinkFilter>("TLinkFilter", TLPComponent::Class())
                                  .prop("InputPin", &TLinkFilter::InputPin)
                                  .prop("OutputPin", &TLinkFilter::OutputPin)
                                  .build();
  return ci;
}
inline const ClassInfo& TLinkChannel::Class() {
  static const ClassInfo ci =
      ClassBuilder<TLinkChannel>("TLinkChannel", TCollectionItem::Class()).prop("Pin", &TLinkChannel::Pin).build();
  return ci;
}
inline const ClassInfo& TLinkMixer::Class() {
  static const ClassInfo ci =
      ClassBuilder<TLinkMixer>("TLinkMixer", TComponent::Class()).prop("Channels", &TLinkMixer::Channels).build();
  return ci;
}
inline const ClassInfo& TLinkForm::Class() {
  static const ClassInfo ci = ClassBuilder<TLinkForm>("TLinkForm", TComponent::Class()).formRoot().build();
  return ci;
}

// A component of class T named AName, owned by AOwner.
template <class T, class... Args>
T* AddNamed(TComponent* AOwner, const char* AName, Args&&... args) {
  auto* c = TComponent::Create<T>(AOwner, std::forward<Args>(args)...);
  c->SetName(AName);
  return c;
}

inline ComponentPtr<TLinkForm> NamedForm(const char* AName) {
  auto f = TComponent::CreateUnowned<TLinkForm>();
  f->SetName(AName);
  return f;
}

// Pieces of form data, to check what a writer stored.
inline std::vector<uint8_t> Ident(const std::string& s) {
  std::vector<uint8_t> r{7, uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}
inline std::vector<uint8_t> Str(const std::string& s) {
  std::vector<uint8_t> r{6, uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}
// A property name as the form stores it: a bare short string.
inline std::vector<uint8_t> PropName(const std::string& s) {
  std::vector<uint8_t> r{uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}
inline std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> r;
  for (auto& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}
inline bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

// A stored component of the expected class, or a test failure.
template <class T>
T* Find(TComponent* form, const char* name) {
  auto* c = dynamic_cast<T*>(form->FindComponent(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

inline std::vector<TOWBasicPin*> Sinks(TOWSourcePin* p) {
  std::vector<TOWBasicPin*> r;
  for (int i = 0; i < p->SinkCount(); ++i) r.push_back(p->GetSinkPin(i));
  return r;
}

inline void RegisterLinkClasses() {
  for (const ClassInfo* ci : {&TLinkAudioIn::Class(), &TLinkAudioOut::Class(), &TLinkFilter::Class(),
                              &TLinkMixer::Class(), &TLinkForm::Class()})
    if (!GetClass(ci->name)) RegisterClass(*ci);
}

}  // namespace tavrel::pin_links
