#include "framework/OWConverter.h"

#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TOWFormatConverter::Class() {
  static const ClassInfo ci = ClassBuilder<TOWFormatConverter>("TOWFormatConverter", TComponent::Class()).build();
  return ci;
}

TOWFormatConverter::TOWFormatConverter() : TComponent(nullptr), FLock(MakeRef<TOWLock>()) {}

Ref<IOWFormatConverter> TOWFormatConverter::CreateConverter() { return MakeRef<TOWFormatConverter>(); }

void TOWFormatConverter::CreatePins(std::unique_ptr<TOWSinkPin> AInputPin, std::unique_ptr<TOWSourcePin> AOutputPin) {
  FInputPin = std::move(AInputPin);
  FOutputPin = std::move(AOutputPin);
  if (FInputPin && FOutputPin) FOutputPin->FunctionSources().Add(FInputPin.get());
}

TOWNotifyResult TOWFormatConverter::ForwardUpstream(IOWStream*, const TDataTypeID&, IOWNotifyOperation* Operation,
                                                    TOWNotifyState) {
  return FInputPin ? FInputPin->Notify(Operation) : TOWNotifyResult{};
}

Ref<IOWFormatConverter> CreateConverterByName(std::string_view AClassName) {
  const ClassInfo* ci = GetClass(AClassName);
  if (!ci || !ci->inheritsFrom(TOWFormatConverter::Class()) || !ci->create) return nullptr;
  return Ref<IOWFormatConverter>(dynamic_cast<TOWFormatConverter*>(ci->create(nullptr)));
}

// Runs when the last IOWFormatConverter reference goes, on that thread.
TOWFormatConverter::~TOWFormatConverter() {
  {
    Ref<IOWLockSection> free = FLock->UnlockAll();
    if (FInputPin) FInputPin->Disconnect();
  }
  Destroying();
  Ref<IOWLockSection> stop = FLock->StopLock();
  if (FInputPin) FInputPin->Disconnect();
  if (FOutputPin) FOutputPin->Disconnect();
  FInputPin.reset();
  FOutputPin.reset();
}

}  // namespace tavrel
