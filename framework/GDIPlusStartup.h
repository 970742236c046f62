#pragma once
// Start-up and shut-down of the graphics library, run once with the
// program's module list. The library is bound by name through
// platform/dynlib; on Linux it is absent, so the module stays "not started"
// and shut-down has nothing to undo.
//
//   StartGDIPlus();      // module start-up; a second call does nothing
//   ...
//   ShutdownGDIPlus();   // module shut-down; a second call does nothing
//
// The module counts as started only when the library's start-up reported
// success, so shut-down never hands the library a token it did not issue.
#include <cstdint>
#include <string>

#include "platform/dynlib.h"

namespace tavrel {

// The records exchanged with the library's start-up entry point.
struct GdiplusStartupInput {
  uint32_t GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  int32_t SuppressBackgroundThread = 1;
  int32_t SuppressExternalCodecs = 0;
};

struct GdiplusStartupOutput {
  int32_t (*NotificationHook)(uintptr_t* token) = nullptr;
  void (*NotificationUnhook)(uintptr_t token) = nullptr;
};

class GDIPlusModule {
 public:
  explicit GDIPlusModule(std::string fileName);
  ~GDIPlusModule();  // shuts down
  GDIPlusModule(const GDIPlusModule&) = delete;
  GDIPlusModule& operator=(const GDIPlusModule&) = delete;

  // When not started: binds the library, calls its start-up and, on
  // success, marks the module started and calls the notification hook.
  // Returns whether the module is started.
  bool Start();
  // When started: the notification unhook, the library's shut-down, unbind.
  void Shutdown();
  bool Started() const { return started_; }

 private:
  const std::string fileName_;
  LibraryHandle library_ = nullptr;
  bool started_ = false;
  uintptr_t token_ = 0;
  uintptr_t hookToken_ = 0;
  GdiplusStartupOutput output_;
};

// The program's module, for "gdiplus.dll", made on first use.
GDIPlusModule& GDIPlus();
void StartGDIPlus();
void ShutdownGDIPlus();

}  // namespace tavrel
