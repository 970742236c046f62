#include "framework/LPComponent.h"

#include "framework/LPProperties.h"
#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TLPComponent::Class() {
  static const ClassInfo ci = ClassBuilder<TLPComponent>("TLPComponent", TComponent::Class()).build();
  return ci;
}

const ClassInfo& TLPInputOutputLockComponent::Class() {
  static const ClassInfo ci =
      ClassBuilder<TLPInputOutputLockComponent>("TLPInputOutputLockComponent", TLPComponent::Class()).build();
  return ci;
}

TLPComponent::TLPComponent(TComponent* AOwner) : TComponent(AOwner), FLock(MakeRef<TLPLock>(PropertyChangedFunc())) {}

TLPPropUpdateFunc TLPComponent::PropertyChangedFunc() {
  return TLPPropUpdateFunc([this] { PropertyChanged(); }, this, "PropertyChanged");
}

void TLPComponent::AfterConstruction() {
  TComponent::AfterConstruction();
  if (!HasState(csDesigning) && !IsLoadingInChain()) SetUp(true);
}

void TLPComponent::Loaded() {
  TComponent::Loaded();
  if (!HasState(csDesigning)) SetUp(false);
}

void TLPComponent::Assign(TPersistent* ASource) {
  auto* src = dynamic_cast<TLPComponent*>(ASource);
  if (!src) return TComponent::Assign(ASource);
  AssignPublished(*this, *FLock, *src, *src->FLock, true);
}

void TLPComponent::DefineProperties(TFiler& Filer) {
  TComponent::DefineProperties(Filer);
  DefineFloatsProperty(Filer, *this);
}

TLPInputOutputLockComponent::TLPInputOutputLockComponent(TComponent* AOwner)
    : TLPComponent(AOwner), FInputLock(FLock), FOutputLock(MakeRef<TLPLock>(PropertyChangedFunc())) {
  FLock = MakeRef<TLPPairedLock>(FInputLock, FOutputLock, PropertyChangedFunc());
}

}  // namespace tavrel
