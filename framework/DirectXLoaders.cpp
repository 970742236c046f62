#include "framework/DirectXLoaders.h"

#include <algorithm>

namespace tavrel {

LibraryLoader::LibraryLoader(std::string fileName, std::vector<std::string> entryNames,
                             size_t keyEntry)
    : fileName_(std::move(fileName)),
      entryNames_(std::move(entryNames)),
      keyEntry_(keyEntry),
      entries_(entryNames_.size(), nullptr) {}

LibraryLoader::~LibraryLoader() { Unload(); }

bool LibraryLoader::Load() {
  if (Loaded()) return true;
  library_ = LoadLibrary(fileName_);
  if (!library_) return false;
  for (size_t i = 0; i < entryNames_.size(); ++i)
    entries_[i] = GetProcAddress(library_, entryNames_[i].c_str());
  if (keyEntry_ < entries_.size() && entries_[keyEntry_]) return true;
  Unload();
  return false;
}

bool LibraryLoader::Unload() {
  if (!Loaded()) return true;
  const bool freed = FreeLibrary(library_);
  library_ = nullptr;
  std::fill(entries_.begin(), entries_.end(), nullptr);
  return freed;
}

const std::vector<std::string>& Direct3D9EntryNames() {
  static const std::vector<std::string> names{"Direct3DCreate9"};
  return names;
}

const std::vector<std::string>& DirectSoundEntryNames() {
  static const std::vector<std::string> names{
      "DirectSoundCreate",           "DirectSoundEnumerateW",
      "DirectSoundEnumerateA",       "DirectSoundEnumerateW",
      "DirectSoundCaptureCreate",    "DirectSoundCaptureEnumerateW",
      "DirectSoundCaptureEnumerateA", "DirectSoundCaptureEnumerateW",
      "DirectSoundCreate8",          "DirectSoundCaptureCreate8",
      "DirectSoundFullDuplexCreate", "DirectSoundFullDuplexCreate",
      "GetDeviceID"};
  return names;
}

const std::vector<std::string>& DirectDrawEntryNames() {
  static const std::vector<std::string> names{
      "DirectDrawEnumerateA",   "DirectDrawEnumerateW",   "DirectDrawEnumerateW",
      "DirectDrawEnumerateExA", "DirectDrawEnumerateExW", "DirectDrawEnumerateExW",
      "DirectDrawCreate",       "DirectDrawCreateEx",     "DirectDrawCreateClipper"};
  return names;
}

LibraryLoader& VLDirect3D9() {
  static LibraryLoader loader("d3d9.dll", Direct3D9EntryNames(), 0);
  return loader;
}

LibraryLoader& VLDirectSound() {
  static LibraryLoader loader("dsound.dll", DirectSoundEntryNames(), 0);
  return loader;
}

LibraryLoader& VLDirectDraw() {
  static LibraryLoader loader("ddraw.dll", DirectDrawEntryNames(), 6);
  return loader;
}

}  // namespace tavrel
