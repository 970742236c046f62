#pragma once
// On-demand loaders of the multimedia libraries. Each loader binds one
// library by its Windows-style file name and looks its entry points up by
// name, in table order, into variables that stay null when absent. A
// library without the loader's key entry point is unloaded again at once.
// None of these libraries exists on Linux: Load then returns false and binds
// nothing, and the program carries on; nothing in the system calls the
// entry points.
//
//   LibraryLoader& dd = VLDirectDraw();
//   if (dd.Load()) create = dd.Entry(6);   // "DirectDrawCreate"
//   dd.Unload();
//
// Loading goes through platform/dynlib: it shows nothing for a missing file
// and keeps the floating-point environment across the load.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/dynlib.h"

namespace tavrel {

class LibraryLoader {
 public:
  // `entryNames` may name one entry point twice; each gets its own variable.
  LibraryLoader(std::string fileName, std::vector<std::string> entryNames, size_t keyEntry);
  ~LibraryLoader();
  LibraryLoader(const LibraryLoader&) = delete;
  LibraryLoader& operator=(const LibraryLoader&) = delete;

  bool Loaded() const { return library_ != nullptr; }
  // True when the library is (already) loaded and has its key entry point.
  bool Load();
  // True when nothing is loaded; otherwise frees the library, clears every
  // variable and returns whether freeing succeeded.
  bool Unload();

  const std::string& FileName() const { return fileName_; }
  size_t EntryCount() const { return entries_.size(); }
  void* Entry(size_t index) const { return entries_.at(index); }
  const std::string& EntryName(size_t index) const { return entryNames_.at(index); }

 private:
  const std::string fileName_;
  const std::vector<std::string> entryNames_;
  const size_t keyEntry_;
  LibraryHandle library_ = nullptr;
  std::vector<void*> entries_;
};

// The loaders of the program, made on first use: "d3d9.dll" (1 entry
// point, key "Direct3DCreate9"), "dsound.dll" (13, key "DirectSoundCreate")
// and "ddraw.dll" (9, key "DirectDrawCreate").
LibraryLoader& VLDirect3D9();
LibraryLoader& VLDirectSound();
LibraryLoader& VLDirectDraw();

// Their entry-point tables, in lookup order.
const std::vector<std::string>& Direct3D9EntryNames();
const std::vector<std::string>& DirectSoundEntryNames();
const std::vector<std::string>& DirectDrawEntryNames();

}  // namespace tavrel
