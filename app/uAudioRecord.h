#pragma once
// The outside recorder as the window uses it: the input devices, the lines
// of the selected device, and the choice of both by index. The program's
// recorder is the wave layer's (TCAudioRecord); tests give their own.
//
//   std::unique_ptr<IAudioRecord> rec = MakeAudioRecord();   // may throw
//   for (int i = 0; i < rec->GetDeviceCount(); ++i) list.Add(rec->GetDeviceName(i));
//   rec->SetDeviceIndex(0);
//   rec->SetDeviceLineIndex(0);
//
// Index -1 and indexes out of range change nothing. Any call may throw; the
// window drops the error.
#include <functional>
#include <memory>
#include <string>

namespace tavrel {

class IAudioRecord {
 public:
  virtual ~IAudioRecord() = default;
  virtual int GetDeviceCount() = 0;
  virtual std::string GetDeviceName(int index) = 0;
  virtual void SetDeviceIndex(int index) = 0;
  virtual int GetDeviceLineCount() = 0;
  virtual std::string GetDeviceLineName(int index) = 0;
  virtual void SetDeviceLineIndex(int index) = 0;
};

using TAudioRecordFactory = std::function<std::unique_ptr<IAudioRecord>()>;

// The recorder over the wave layer's current backend.
std::unique_ptr<IAudioRecord> MakeAudioRecord();

}  // namespace tavrel
