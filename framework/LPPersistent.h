#pragma once
// Property sub-objects of components (an audio format, a device choice):
// persistents guarded by their owner's lock with a change notification of
// their own.
//
//   class TALAudioFormat : public TLPPersistentNotify {
//     TAVREL_CLASS_INFO
//    public:
//     using TLPPersistentNotify::TLPPersistentNotify;
//     double SampleRate() const { return FLock->Getter(FSampleRate); }
//     void SetSampleRate(double v) { FLock->SetterMin(FSampleRate, v, 1.0); }
//   };
//   // in the owning component's constructor:
//   FFormat = std::make_unique<TALAudioFormat>(this, FLock,
//                 TNotifyEvent([this](TObject*) { FormatChanged(); }));
//
// FLock is a copy over the owner's TOWLock (TLPLock::CreateCopy): the
// owner and its sub-objects exclude each other through one lock, while the
// sub-object's setters notify the sub-object's PropertyChanged (for
// TLPPersistentNotify: OnChange with the sub-object as sender). There is
// no sub-object without a lock: the constructor without arguments raises.
#include "framework/LPLock.h"
#include "platform/method.h"
#include "platform/object.h"

namespace tavrel {

class TLPCollectionItem;

class TLPPersistent : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  // Raises EOWException "Calling TLPPersistent.Create without lock!".
  TLPPersistent();
  TLPPersistent(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock);
  explicit TLPPersistent(TLPPersistent* AOwner);
  explicit TLPPersistent(TLPCollectionItem* AOwner);
  TLPPersistent(const TLPPersistent&) = delete;
  TLPPersistent& operator=(const TLPPersistent&) = delete;

  const Ref<ILPLock>& Lock() const { return FLock; }

  TPersistent* GetOwner() override { return FOwnerProperty; }
  void Assign(TPersistent* ASource) override;
  void DefineProperties(TFiler& Filer) override;

  virtual void OwnerNameChanged(const std::string& AOldName, const std::string& ANewName) {
    (void)AOldName;
    (void)ANewName;
  }

 protected:
  virtual void PropertyChanged() {}

  Ref<ILPLock> FLock;
  TPersistent* FOwnerProperty = nullptr;  // not owned
};

class TLPPersistentNotify : public TLPPersistent {
  TAVREL_CLASS_INFO
 public:
  TLPPersistentNotify(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TNotifyEvent AOnChange = {});
  TLPPersistentNotify(TLPPersistent* AOwner, TNotifyEvent AOnChange);
  TLPPersistentNotify(TLPCollectionItem* AOwner, TNotifyEvent AOnChange);

  TNotifyEvent FOnChange;

 protected:
  // OnChange with this object, under the shared write lock.
  void PropertyChanged() override;
};

// The pumping settings of a playback component, read directly by it.
class TLPMasterPumping : public TLPPersistent {
  TAVREL_CLASS_INFO
 public:
  using TLPPersistent::TLPPersistent;

  bool Enabled() const { return FEnabled; }
  int32_t Priority() const { return FPriority; }

 private:
  bool FEnabled = false;
  int32_t FPriority = 0;
};

}  // namespace tavrel
