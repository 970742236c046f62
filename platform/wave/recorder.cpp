#include "platform/wave/recorder.h"

#include "platform/text.h"

namespace tavrel {

bool IsMasterCapture(const RecorderMixer::Element& element) {
  return SameText(element.name, "Capture");
}

RecorderLines ChooseRecorderLines(const std::vector<RecorderMixer::Element>& elements) {
  RecorderLines lines;
  for (std::size_t i = 0; i < elements.size(); ++i)
    if (elements[i].captureSource && !elements[i].items.empty()) {
      lines.kind = RecorderLines::Kind::Source;
      lines.source = i;
      lines.names = elements[i].items;
      return lines;
    }
  for (std::size_t i = 0; i < elements.size(); ++i)
    if (elements[i].captureSwitch && !IsMasterCapture(elements[i])) {
      lines.switches.push_back(i);
      lines.names.push_back(elements[i].name);
    }
  if (!lines.switches.empty()) lines.kind = RecorderLines::Kind::Switches;
  return lines;
}

bool ApplyRecorderLine(RecorderMixer& mixer, const RecorderLines& lines, std::size_t index) {
  if (index >= lines.names.size()) return false;
  if (lines.kind == RecorderLines::Kind::Source) return mixer.SelectItem(lines.source, index);
  bool ok = true;
  for (std::size_t k = 0; k < lines.switches.size(); ++k)
    ok = mixer.SetCaptureSwitch(lines.switches[k], k == index) && ok;
  return ok;
}

TCAudioRecord::TCAudioRecord()
    : backend_(WaveRegistry::Instance().Backend()),
      devices_(WaveRegistry::Instance().RefreshDevices(WaveDirection::In)) {}

TCAudioRecord::~TCAudioRecord() = default;

int TCAudioRecord::GetDeviceCount() const { return int(devices_.size()); }

std::string TCAudioRecord::GetDeviceName(int index) const {
  if (index < 0 || index >= GetDeviceCount()) return {};
  return devices_[index].name;
}

void TCAudioRecord::SetDeviceIndex(int index) {
  if (index < 0 || index >= GetDeviceCount()) return;
  deviceIndex_ = index;
  lineIndex_ = -1;
  lines_ = {};
  mixer_ = backend_->OpenMixer(devices_[index].device);
  if (mixer_) lines_ = ChooseRecorderLines(mixer_->Elements());
}

int TCAudioRecord::GetDeviceLineCount() const { return int(lines_.names.size()); }

std::string TCAudioRecord::GetDeviceLineName(int index) const {
  if (index < 0 || index >= GetDeviceLineCount()) return {};
  return lines_.names[index];
}

void TCAudioRecord::SetDeviceLineIndex(int index) {
  if (!mixer_ || index < 0 || index >= GetDeviceLineCount()) return;
  if (ApplyRecorderLine(*mixer_, lines_, std::size_t(index))) lineIndex_ = index;
}

}  // namespace tavrel
