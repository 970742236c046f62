#include "app/uAudioRecord.h"

#include "platform/wave/recorder.h"

namespace tavrel {

namespace {

class TWaveRecord : public IAudioRecord {
 public:
  int GetDeviceCount() override { return rec_.GetDeviceCount(); }
  std::string GetDeviceName(int index) override { return rec_.GetDeviceName(index); }
  void SetDeviceIndex(int index) override { rec_.SetDeviceIndex(index); }
  int GetDeviceLineCount() override { return rec_.GetDeviceLineCount(); }
  std::string GetDeviceLineName(int index) override { return rec_.GetDeviceLineName(index); }
  void SetDeviceLineIndex(int index) override { rec_.SetDeviceLineIndex(index); }

 private:
  TCAudioRecord rec_;
};

}  // namespace

std::unique_ptr<IAudioRecord> MakeAudioRecord() { return std::make_unique<TWaveRecord>(); }

}  // namespace tavrel
