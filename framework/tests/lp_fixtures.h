#pragma once
// Small components, sub-objects and collection items for the component
// base class tests: enough published properties of every kind to show
// copying, `_Floats` and form round trips.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/LPCollection.h"
#include "framework/LPComponent.h"
#include "framework/LPPersistent.h"
#include "platform/classinfo.h"

namespace tavrel::lp_fixtures {

inline uint32_t OwnerOf(const Ref<ILPLock>& lock) { return lock->Instance()->GetCounts().owningThread; }

class TBand : public TLPCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TBand(TCollection* c) : TLPCollectionItem(c) {}
  double Freq() const { return FLock->Getter(FFreq); }
  void SetFreq(double v) { FLock->Setter(FFreq, v); }
  std::string Label() const { return FLock->Getter(FLabel); }
  void SetLabel(std::string v) { FLock->Setter(FLabel, std::move(v)); }
  int changes = 0;

 protected:
  void PropertyChanged() override { ++changes; }

 private:
  double FFreq = 1000;
  std::string FLabel;
};

inline const ClassInfo& TBand::Class() {
  static const ClassInfo ci = ClassBuilder<TBand>("TBand", TLPCollectionItem::Class())
                                  .prop("Freq", &TBand::Freq, &TBand::SetFreq)
                                  .prop("Label", &TBand::Label, &TBand::SetLabel)
                                  .build();
  return ci;
}

class TFormat : public TLPPersistentNotify {
  TAVREL_CLASS_INFO
 public:
  using TLPPersistentNotify::TLPPersistentNotify;
  double Rate() const { return FLock->Getter(FRate); }
  void SetRate(double v) { FLock->SetterMin(FRate, v, 1.0); }
  int32_t Channels() const { return FLock->Getter(FChannels); }
  void SetChannels(int32_t v) { FLock->SetterMinMax(FChannels, v, 1, 8); }

 private:
  double FRate = 44100;
  int32_t FChannels = 2;
};

inline const ClassInfo& TFormat::Class() {
  static const ClassInfo ci = ClassBuilder<TFormat>("TFormat", TLPPersistentNotify::Class())
                                  .prop("Channels", &TFormat::Channels, &TFormat::SetChannels)
                                  .prop("Rate", &TFormat::Rate, &TFormat::SetRate)
                                  .build();
  return ci;
}

// A filter-like component: two locks, sub-objects, a collection, a
// reference, an event, a read-only and a never-stored property.
class TFilterLike : public TLPInputOutputLockComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TFilterLike(TComponent* AOwner)
      : TLPInputOutputLockComponent(AOwner),
        FFormat(std::make_unique<TFormat>(this, FLock, TNotifyEvent([this](TObject* s) { formatSenders.push_back(s); }))),
        FPumping(std::make_unique<TLPMasterPumping>(this, FLock)),
        FTones(std::make_unique<TLPCollection>(this, FLock, ItemClassOf<TBand>())) {}

  int32_t Count() const { return FLock->Getter(FCount); }
  void SetCount(int32_t v) { FLock->Setter(FCount, v); }
  bool Enabled() const { return FLock->Getter(FEnabled); }
  void SetEnabled(bool v) { FLock->Setter(FEnabled, v); }
  double Gain() const { return FLock->Getter(FGain); }
  void SetGain(double v) { FLock->Setter(FGain, v); }
  float Level() const { return FLock->Getter(FLevel); }
  void SetLevel(float v) { FLock->Setter(FLevel, v); }
  double Stamp() const { return FLock->Getter(FStamp); }
  void SetStamp(double v) { FLock->Setter(FStamp, v); }
  std::string Title() const { return FLock->Getter(FTitle); }
  void SetTitle(std::string v) { FLock->Setter(FTitle, std::move(v)); }
  int32_t Secret() const { return FSecret; }
  void SetSecret(int32_t v) { FSecret = v; }
  int32_t Computed() const { return FCount * 2; }
  TComponent* Partner() const { return FPartner; }
  void SetPartner(TComponent* p) { FPartner = p; }
  TFormat* Format() const { return FFormat.get(); }
  TLPMasterPumping* Pumping() const { return FPumping.get(); }
  TLPCollection* Tones() const { return FTones.get(); }

  TNotifyEvent OnTick;
  std::vector<TObject*> formatSenders;
  int changes = 0;
  Ref<ILPLock> watched;   // a lock that must not be held while this one changes
  bool watchedHeld = false;
  bool bothHeld = true;   // both own locks held at every change

 protected:
  void PropertyChanged() override {
    ++changes;
    uint32_t me = GetCurrentThreadId();
    if (watched && OwnerOf(watched) == me) watchedHeld = true;
    bothHeld = bothHeld && OwnerOf(FInputLock) == me && OwnerOf(FOutputLock) == me;
  }

 private:
  int32_t FCount = 0;
  bool FEnabled = false;
  double FGain = 2;
  float FLevel = 1;
  double FStamp = 0;
  std::string FTitle;
  int32_t FSecret = 0;
  TComponent* FPartner = nullptr;
  std::unique_ptr<TFormat> FFormat;
  std::unique_ptr<TLPMasterPumping> FPumping;
  std::unique_ptr<TLPCollection> FTones;
};

inline const ClassInfo& TFilterLike::Class() {
  static const ClassInfo ci = ClassBuilder<TFilterLike>("TFilterLike", TLPInputOutputLockComponent::Class())
                                  .prop("Count", &TFilterLike::Count, &TFilterLike::SetCount)
                                  .prop("Computed", &TFilterLike::Computed)
                                  .prop("Enabled", &TFilterLike::Enabled, &TFilterLike::SetEnabled)
                                  .prop("Format", &TFilterLike::Format)
                                  .prop("Gain", &TFilterLike::Gain, &TFilterLike::SetGain)
                                  .prop("Level", &TFilterLike::Level, &TFilterLike::SetLevel)
                                  .event("OnTick", &TFilterLike::OnTick)
                                  .prop("Partner", &TFilterLike::Partner, &TFilterLike::SetPartner)
                                  .prop("Pumping", &TFilterLike::Pumping)
                                  .prop("Secret", &TFilterLike::Secret, &TFilterLike::SetSecret)
                                  .stored(false)
                                  .prop("Stamp", &TFilterLike::Stamp, &TFilterLike::SetStamp)
                                  .typeName("TDateTime")
                                  .prop("Title", &TFilterLike::Title, &TFilterLike::SetTitle)
                                  .prop("Tones", &TFilterLike::Tones)
                                  .build();
  return ci;
}

// Publishes only some of TFilterLike's properties.
class TSmaller : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  using TLPComponent::TLPComponent;
  int32_t FCount = 5;
  bool FEnabled = true;
  double FGain = 9;
};

inline const ClassInfo& TSmaller::Class() {
  static const ClassInfo ci = ClassBuilder<TSmaller>("TSmaller", TLPComponent::Class())
                                  .field("Count", &TSmaller::FCount)
                                  .field("Enabled", &TSmaller::FEnabled)
                                  .field("Gain", &TSmaller::FGain)
                                  .build();
  return ci;
}

// Records its SetUp calls with what it knew at the time.
class TProbe : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  using TLPComponent::TLPComponent;
  int32_t Level() const { return FLock->Getter(FLevel); }
  void SetLevel(int32_t v) { FLock->Setter(FLevel, v); }
  TComponent* Partner() const { return FPartner; }
  void SetPartner(TComponent* p) { FPartner = p; }

  struct Call {
    bool justCreated;
    int32_t level;
    TComponent* partner;
  };
  std::vector<Call> setUps;

 protected:
  void SetUp(bool AJustCreated) override { setUps.push_back({AJustCreated, FLevel, FPartner}); }

 private:
  int32_t FLevel = 0;
  TComponent* FPartner = nullptr;
};

inline const ClassInfo& TProbe::Class() {
  static const ClassInfo ci = ClassBuilder<TProbe>("TProbe", TLPComponent::Class())
                                  .prop("Level", &TProbe::Level, &TProbe::SetLevel)
                                  .prop("Partner", &TProbe::Partner, &TProbe::SetPartner)
                                  .build();
  return ci;
}

// Creates a probe of its own in its constructor, read from form data or not.
class TMaker : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TMaker(TComponent* AOwner) : TLPComponent(AOwner), inner(TComponent::Create<TProbe>(this)) {}
  TProbe* inner;
};

inline const ClassInfo& TMaker::Class() {
  static const ClassInfo ci = ClassBuilder<TMaker>("TMaker", TLPComponent::Class()).build();
  return ci;
}

class TTestForm : public TComponent {
  TAVREL_CLASS_INFO
 public:
  using TComponent::TComponent;
};

inline const ClassInfo& TTestForm::Class() {
  static const ClassInfo ci = ClassBuilder<TTestForm>("TTestForm", TComponent::Class()).formRoot().build();
  return ci;
}

inline void RegisterFixtureClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const ClassInfo* ci : {&TFilterLike::Class(), &TSmaller::Class(), &TProbe::Class(), &TMaker::Class(),
                                &TTestForm::Class()})
      RegisterClass(*ci);
  });
}

}  // namespace tavrel::lp_fixtures
