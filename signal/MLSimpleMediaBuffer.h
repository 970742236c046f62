#pragma once
// Media buffers: data buffers whose container carries a time stamp, the
// time of the first sample and the time just after the last, in 100 ns
// units of the stream's clock.
//
//   buffer->GetTimeStamp().SetBeginTime(start);
//   buffer->GetTimeStamp().SetEndTime(start + duration);
//   buffer->GetTimeStamp().SetAvailable(true);
//
// The stamp lives in the container, so every buffer sharing the data sees
// it and a private copy made on write keeps it. A new container has none
// (Available false, times 0). Writing the stamp never separates sharers.
#include <cstdint>

#include "signal/SLSimpleDataBuffer.h"

namespace tavrel {

// A view on the stamp of a buffer's current container.
class TMLTimeStamp {
 public:
  explicit TMLTimeStamp(TSLGenericBuffer& AIntBuffer) : FIntBuffer(&AIntBuffer) {}

  bool Available() const { return FIntBuffer->DataContainer().TimeStampAvailable(); }
  void SetAvailable(bool v) { FIntBuffer->DataContainer().SetTimeStampAvailable(v); }
  int64_t BeginTime() const { return FIntBuffer->DataContainer().TimeStampBegin(); }
  void SetBeginTime(int64_t v) { FIntBuffer->DataContainer().SetTimeStampBegin(v); }
  int64_t EndTime() const { return FIntBuffer->DataContainer().TimeStampEnd(); }
  void SetEndTime(int64_t v) { FIntBuffer->DataContainer().SetTimeStampEnd(v); }

 private:
  TSLGenericBuffer* FIntBuffer;
};

class TMLMediaBuffer : public TSLGenericBuffer {
 public:
  // The container must be a media one (EIntfCastError otherwise).
  TMLMediaBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer, uint32_t ASize);
  explicit TMLMediaBuffer(const TMLMediaBuffer& Other) : TSLGenericBuffer(Other) {}

  Ref<TSLData> MakeCopy() const override;
  // Only a buffer over a media container (EIntfCastError otherwise).
  void Assign(const TSLData& OtherBuffer) override;
  TMLTimeStamp GetTimeStamp() { return TMLTimeStamp(*this); }
};

}  // namespace tavrel
