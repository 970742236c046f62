#pragma once
// The outside recorder: the input devices (exactly the wave layer's input
// device names, in the same order), the input lines of the selected device
// and the choice of device and line by index.
//
//   TCAudioRecord rec;
//   for (int i = 0; i < rec.GetDeviceCount(); ++i) list.Add(rec.GetDeviceName(i));
//   rec.SetDeviceIndex(1);
//   for (int i = 0; i < rec.GetDeviceLineCount(); ++i) lines.Add(rec.GetDeviceLineName(i));
//   rec.SetDeviceLineIndex(0);   // the line the capture records from
//
// Lines come from the mixer of the device's card: the items of an enumerated
// capture source when the card has one, else the mixer elements with a
// capture switch (choosing one switches it on and the others off). The
// card's master capture switch (the element "Capture") is never a line and
// is never switched: it gates every line. A device without a card mixer has
// no lines. Index -1 and out-of-range indexes change nothing.
#include <memory>
#include <string>
#include <vector>

#include "platform/wave/wave_backend.h"

namespace tavrel {

// The mixer of one card as the recorder sees it (the ALSA mixer, or a fake).
class RecorderMixer {
 public:
  struct Element {
    std::string name;
    bool captureSource = false;              // an enumerated capture-source control
    std::vector<std::string> items;          // its items
    bool captureSwitch = false;              // has a capture switch
  };
  virtual ~RecorderMixer() = default;
  virtual std::vector<Element> Elements() = 0;
  virtual bool SelectItem(std::size_t element, std::size_t item) = 0;
  virtual bool SetCaptureSwitch(std::size_t element, bool on) = 0;
};

// The card's master capture control, which every line passes through.
bool IsMasterCapture(const RecorderMixer::Element& element);

// Which elements give the lines: one enumerated capture source, or the
// elements with a capture switch other than the master.
struct RecorderLines {
  enum class Kind { None, Source, Switches } kind = Kind::None;
  std::size_t source = 0;               // element index, for Source
  std::vector<std::size_t> switches;    // element indexes, for Switches
  std::vector<std::string> names;
};
RecorderLines ChooseRecorderLines(const std::vector<RecorderMixer::Element>& elements);
// Applies line `index` of `lines`; false when the mixer refused.
bool ApplyRecorderLine(RecorderMixer& mixer, const RecorderLines& lines, std::size_t index);

class TCAudioRecord {
 public:
  TCAudioRecord();  // lists the input devices of the wave layer's backend
  ~TCAudioRecord();
  TCAudioRecord(const TCAudioRecord&) = delete;
  TCAudioRecord& operator=(const TCAudioRecord&) = delete;

  int GetDeviceCount() const;
  std::string GetDeviceName(int index) const;  // "" out of range
  int DeviceIndex() const { return deviceIndex_; }
  void SetDeviceIndex(int index);

  int GetDeviceLineCount() const;
  std::string GetDeviceLineName(int index) const;  // "" out of range
  int DeviceLineIndex() const { return lineIndex_; }
  void SetDeviceLineIndex(int index);

 private:
  std::shared_ptr<WaveBackend> backend_;
  std::vector<WaveDeviceEntry> devices_;
  int deviceIndex_ = -1;
  std::unique_ptr<RecorderMixer> mixer_;
  RecorderLines lines_;
  int lineIndex_ = -1;
};

}  // namespace tavrel
