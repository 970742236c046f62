#include "signal/MLSimpleMediaBuffer.h"

namespace tavrel {

namespace {

const Ref<TSLSmartBuffer>& MediaContainer(const Ref<TSLSmartBuffer>& c) {
  if (!c || !c->IsMedia()) throw EIntfCastError(kInterfaceNotSupported);
  return c;
}

}  // namespace

TMLMediaBuffer::TMLMediaBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer, uint32_t ASize)
    : TSLGenericBuffer(AOther, MediaContainer(AContainer), ASize) {}

Ref<TSLData> TMLMediaBuffer::MakeCopy() const { return MakeRef<TMLMediaBuffer>(*this); }

void TMLMediaBuffer::Assign(const TSLData& OtherBuffer) {
  const auto* other = dynamic_cast<const TSLGenericBuffer*>(&OtherBuffer);
  if (!other || !other->DataContainer().IsMedia()) {
    AssignData(&OtherBuffer);
    throw EIntfCastError(kInterfaceNotSupported);
  }
  TSLGenericBuffer::Assign(OtherBuffer);
}

}  // namespace tavrel
