#include "framework/GDIPlusStartup.h"

namespace tavrel {
namespace {
using StartupFn = int32_t (*)(uintptr_t* token, const GdiplusStartupInput* input,
                              GdiplusStartupOutput* output);
using ShutdownFn = void (*)(uintptr_t token);
constexpr int32_t StatusOk = 0;
}  // namespace

GDIPlusModule::GDIPlusModule(std::string fileName) : fileName_(std::move(fileName)) {}

GDIPlusModule::~GDIPlusModule() { Shutdown(); }

bool GDIPlusModule::Start() {
  if (started_) return true;
  library_ = LoadLibrary(fileName_);
  auto startup = reinterpret_cast<StartupFn>(GetProcAddress(library_, "GdiplusStartup"));
  const GdiplusStartupInput input;
  output_ = {};
  if (!startup || startup(&token_, &input, &output_) != StatusOk) {
    FreeLibrary(library_);
    library_ = nullptr;
    return false;
  }
  started_ = true;
  if (output_.NotificationHook) output_.NotificationHook(&hookToken_);
  return true;
}

void GDIPlusModule::Shutdown() {
  if (!started_) return;
  started_ = false;
  if (output_.NotificationUnhook) output_.NotificationUnhook(hookToken_);
  if (auto shutdown = reinterpret_cast<ShutdownFn>(GetProcAddress(library_, "GdiplusShutdown")))
    shutdown(token_);
  FreeLibrary(library_);
  library_ = nullptr;
}

GDIPlusModule& GDIPlus() {
  static GDIPlusModule module("gdiplus.dll");
  return module;
}

void StartGDIPlus() { GDIPlus().Start(); }
void ShutdownGDIPlus() { GDIPlus().Shutdown(); }

}  // namespace tavrel
