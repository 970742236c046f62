#pragma once
// The base of every processing component: a component lock through which
// all its published properties are read and written, and a set-up hook.
//
//   class TALGain : public TLPInputOutputLockComponent {
//     TAVREL_CLASS_INFO
//    public:
//     using TLPInputOutputLockComponent::TLPInputOutputLockComponent;
//     double Gain() const { return FLock->Getter(FGain); }
//     void SetGain(double v) { FLock->SetterMin(FGain, v, 0.0); }
//    protected:
//     void SetUp(bool AJustCreated) override;   // once, see below
//     void PropertyChanged() override;          // after every changed property
//    private:
//     double FGain = 1;
//   };
//   auto* g = TComponent::Create<TALGain>(form);  // SetUp(true)
//
// SetUp runs once per component: with true right after construction for a
// component created in code, and with false from Loaded for a component
// read from form data, or created in code while an owner up its chain was
// loading. Neither while designing.
//
// Assign from another TLPComponent copies every writable published property
// but Name (LPProperties.h); `_Floats` keeps float properties of value 0 in
// the form data.
//
// TLPInputOutputLockComponent has an input lock (the one TLPComponent made)
// and an output lock; FLock becomes a paired lock over both, taken input
// first and released output first.
#include "framework/LPLock.h"
#include "platform/component.h"

namespace tavrel {

class TLPComponent : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TLPComponent(TComponent* AOwner);

  const Ref<ILPLock>& Lock() const { return FLock; }

  void Assign(TPersistent* ASource) override;
  void DefineProperties(TFiler& Filer) override;

 protected:
  void AfterConstruction() override;
  void Loaded() override;

  virtual void SetUp(bool AJustCreated) { (void)AJustCreated; }
  // The lock's change notification.
  virtual void PropertyChanged() {}
  // The notification method that calls this object's PropertyChanged.
  TLPPropUpdateFunc PropertyChangedFunc();

  Ref<ILPLock> FLock;
};

class TLPInputOutputLockComponent : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TLPInputOutputLockComponent(TComponent* AOwner);

  const Ref<ILPLock>& InputLock() const { return FInputLock; }
  const Ref<ILPLock>& OutputLock() const { return FOutputLock; }

 protected:
  Ref<ILPLock> FInputLock;
  Ref<ILPLock> FOutputLock;
};

}  // namespace tavrel
