#include "framework/LPPersistent.h"

#include "framework/LPCollection.h"
#include "framework/LPProperties.h"
#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TLPPersistent::Class() {
  static const ClassInfo ci = ClassBuilder<TLPPersistent>("TLPPersistent", TPersistent::Class()).build();
  return ci;
}

const ClassInfo& TLPPersistentNotify::Class() {
  static const ClassInfo ci = ClassBuilder<TLPPersistentNotify>("TLPPersistentNotify", TLPPersistent::Class()).build();
  return ci;
}

const ClassInfo& TLPMasterPumping::Class() {
  static const ClassInfo ci = ClassBuilder<TLPMasterPumping>("TLPMasterPumping", TLPPersistent::Class())
                                  .field("Enabled", &TLPMasterPumping::FEnabled)
                                  .defaultValue(false)
                                  .field("Priority", &TLPMasterPumping::FPriority)
                                  .defaultValue(int64_t(0))
                                  .build();
  return ci;
}

TLPPersistent::TLPPersistent() { throw EOWException("Calling TLPPersistent.Create without lock!"); }

TLPPersistent::TLPPersistent(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock)
    : FLock(TLPLock::CreateCopy(ALock, TLPPropUpdateFunc([this] { PropertyChanged(); }, this, "PropertyChanged"))),
      FOwnerProperty(AOwnerProperty) {}

TLPPersistent::TLPPersistent(TLPPersistent* AOwner)
    : TLPPersistent(AOwner, AOwner ? AOwner->FLock : Ref<ILPLock>()) {}

TLPPersistent::TLPPersistent(TLPCollectionItem* AOwner)
    : TLPPersistent(AOwner, AOwner ? AOwner->Lock() : Ref<ILPLock>()) {}

void TLPPersistent::Assign(TPersistent* ASource) {
  auto* src = dynamic_cast<TLPPersistent*>(ASource);
  if (!src) return TPersistent::Assign(ASource);
  AssignPublished(*this, *FLock, *src, *src->FLock, false);
}

void TLPPersistent::DefineProperties(TFiler& Filer) {
  TPersistent::DefineProperties(Filer);
  DefineFloatsProperty(Filer, *this);
}

TLPPersistentNotify::TLPPersistentNotify(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TNotifyEvent AOnChange)
    : TLPPersistent(AOwnerProperty, ALock), FOnChange(std::move(AOnChange)) {}

TLPPersistentNotify::TLPPersistentNotify(TLPPersistent* AOwner, TNotifyEvent AOnChange)
    : TLPPersistent(AOwner), FOnChange(std::move(AOnChange)) {}

TLPPersistentNotify::TLPPersistentNotify(TLPCollectionItem* AOwner, TNotifyEvent AOnChange)
    : TLPPersistent(AOwner), FOnChange(std::move(AOnChange)) {}

void TLPPersistentNotify::PropertyChanged() {
  if (FOnChange) FOnChange(this);
}

}  // namespace tavrel
