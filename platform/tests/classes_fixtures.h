#pragma once
// Components with a property of every kind, shared by the class library,
// form and INI tests.
#include <string>
#include <vector>

#include "platform/classes.h"

namespace tavrel::test {

enum class TMode { mdOff, mdSlow, mdFast };
inline const EnumInfo& ModeInfo() {
  static const EnumInfo e{"TMode", {"mdOff", "mdSlow", "mdFast"}};
  return e;
}
inline const EnumInfo& StyleInfo() {
  static const EnumInfo e{"TStyle", {"fsBold", "fsItalic", "fsUnderline"}};
  return e;
}

// Records what happens to components, in order.
using Trace = std::vector<std::string>;

class TPart : public TComponent {
  TAVREL_CLASS_INFO
 public:
  // Without a trace of its own a part writes to its owner's.
  explicit TPart(TComponent* owner, Trace* trace = nullptr) : TComponent(owner), trace_(trace ? trace : TraceOf(owner)) {}
  static Trace* TraceOf(TComponent* owner);
  ~TPart() override { Log("~" + Name()); }

  double Frequency() const { return frequency_; }
  void SetFrequency(double v) { frequency_ = v; }
  float Gain() const { return gain_; }
  void SetGain(float v) { gain_ = v; }
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  int64_t Big() const { return big_; }
  void SetBig(int64_t v) { big_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  TMode Mode() const { return mode_; }
  void SetMode(TMode v) { mode_ = v; }
  unsigned Style() const { return style_; }
  void SetStyle(unsigned v) { style_ = v; }
  TPart* Peer() const { return peer_; }
  void SetPeer(TPart* p) { peer_ = p; }
  double Stamp() const { return stamp_; }
  void SetStamp(double v) { stamp_ = v; }
  int Computed() const { return count_ * 2; }

  TNotifyEvent OnChange;
  Value Extra;

  Trace* trace_;

 protected:
  void AfterConstruction() override { Log("created " + ClassName()); }
  void BeforeDestruction() override {
    TComponent::BeforeDestruction();
    Log("destroying " + Name());
  }
  void Loaded() override {
    TComponent::Loaded();
    Log("loaded " + Name());
  }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove) {
      Log(Name() + " hears " + c->Name() + " go");
      if (c == peer_) peer_ = nullptr;
    }
  }
  void Log(const std::string& s) {
    if (trace_) trace_->push_back(s);
  }

 private:
  double frequency_ = 1000;
  float gain_ = 1;
  int count_ = 0;
  int64_t big_ = 0;
  std::string caption_;
  bool active_ = false;
  TMode mode_ = TMode::mdOff;
  unsigned style_ = 0;
  TPart* peer_ = nullptr;
  double stamp_ = 0;
};

inline const ClassInfo& TPart::Class() {
  static const ClassInfo ci = ClassBuilder<TPart>("TPart", TComponent::Class())
                                  .prop("Frequency", &TPart::Frequency, &TPart::SetFrequency)
                                  .defaultValue(1000.0L)
                                  .prop("Gain", &TPart::Gain, &TPart::SetGain)
                                  .prop("Count", &TPart::Count, &TPart::SetCount)
                                  .defaultValue(int64_t(0))
                                  .prop("Big", &TPart::Big, &TPart::SetBig)
                                  .prop("Caption", &TPart::Caption, &TPart::SetCaption)
                                  .prop("Active", &TPart::Active, &TPart::SetActive)
                                  .defaultValue(false)
                                  .prop("Mode", &TPart::Mode, &TPart::SetMode)
                                  .enumType(ModeInfo())
                                  .defaultValue(int64_t(0))
                                  .prop("Style", &TPart::Style, &TPart::SetStyle)
                                  .setOf(StyleInfo())
                                  .prop("Peer", &TPart::Peer, &TPart::SetPeer)
                                  .prop("Stamp", &TPart::Stamp, &TPart::SetStamp)
                                  .typeName("TDateTime")
                                  .prop("Computed", &TPart::Computed)
                                  .event("OnChange", &TPart::OnChange)
                                  .field("Extra", &TPart::Extra)
                                  .build();
  return ci;
}

// A form class: the root walk stops at it.
class TTestForm : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TTestForm(TComponent* owner, Trace* trace = nullptr) : TComponent(owner), trace_(trace) {}
  Trace* trace_;

 protected:
  void Loaded() override {
    TComponent::Loaded();
    if (trace_) trace_->push_back("loaded " + Name());
  }
};

inline const ClassInfo& TTestForm::Class() {
  static const ClassInfo ci = ClassBuilder<TTestForm>("TTestForm", TComponent::Class()).formRoot().build();
  return ci;
}

inline Trace* TPart::TraceOf(TComponent* owner) {
  if (auto* p = dynamic_cast<TPart*>(owner)) return p->trace_;
  if (auto* f = dynamic_cast<TTestForm*>(owner)) return f->trace_;
  return nullptr;
}

}  // namespace tavrel::test
