#include "math/binding.h"

#include <array>

#include "math/routine_table.h"
#include "math/routines.h"

namespace tavrel {
namespace {

// The five library handles, written only by the loader steps.
enum Library { kIpps, kIppcore, kIppi, kIppcc, kIppcv, kLibraryCount };
constexpr const char* kLibraryFiles[kLibraryCount] = {"ipps-7.0.dll", "ippcore-7.0.dll", "ippi-7.0.dll",
                                                      "ippcc-7.0.dll", "ippcv-7.0.dll"};
std::array<LibraryHandle, kLibraryCount> handles{};

BindingHooks& Hooks() {
  static BindingHooks hooks;
  return hooks;
}

void Load(Library library) {
  const std::string file = kLibraryFiles[library];
  // The platform keeps the floating-point environment across the load.
  handles[library] = Hooks().load ? Hooks().load(file) : LoadLibrary(file);
}

void Release(Library library) {
  LibraryHandle h = handles[library];
  handles[library] = nullptr;
  if (!h) return;
  if (Hooks().release)
    Hooks().release(h);
  else
    FreeLibrary(h);
}

void* Find(Library library, std::string_view name) {
  if (!handles[library]) return nullptr;
  return GetProcAddress(handles[library], std::string(name).c_str());
}

}  // namespace

std::string_view BindingModuleName(BindingModule module) {
  switch (module) {
    case BindingModule::LibCDispatcher:
      return "LibCDispatcher";
    case BindingModule::SLDispatcher:
      return "SLDispatcher";
    case BindingModule::MLSimpleMediaBuffer:
      return "MLSimpleMediaBuffer";
    case BindingModule::SLNormDispatcher:
      return "SLNormDispatcher";
    case BindingModule::ALDispatcher:
      return "ALDispatcher";
  }
  return {};
}

std::vector<RoutineEntry> AllRoutineEntries() {
  std::vector<RoutineEntry> all;
  for (RoutineFamily family : kRoutineFamilies) {
    auto rows = family();
    all.insert(all.end(), rows.begin(), rows.end());
  }
  return all;
}

const RoutineEntry* FindRoutineEntry(BindingModule module, std::string_view name) {
  // Built once on first use (start-up runs single-threaded).
  static const std::vector<RoutineEntry> all = AllRoutineEntries();
  for (const auto& entry : all)
    if (entry.module == module && entry.name == name) return &entry;
  return nullptr;
}

void* GetIPPSProc(std::string_view name) { return Find(kIpps, name); }

void* GetIPPIProc(std::string_view name) {
  for (Library library : {kIppi, kIppcc, kIppcv})
    if (void* p = Find(library, name)) return p;
  return nullptr;
}

void* LookUpRoutine(std::string_view name) {
  return name.starts_with("ippi") ? GetIPPIProc(name) : GetIPPSProc(name);
}

void BindModule(BindingModule module) {
  for (std::string_view name : RoutineNames(module)) {
    void* found = LookUpRoutine(name);
    if (Hooks().bound) Hooks().bound(module, name, found);
    if (const RoutineEntry* entry = FindRoutineEntry(module, name))
      entry->Store(found ? found : entry->fallback);
  }
}

void StartIPPSLoader() {
  Load(kIpps);
  Load(kIppcore);
}

void FinishIPPSLoader() {
  Release(kIppcore);
  Release(kIpps);
}

void StartIPPILoader() {
  Load(kIppi);
  Load(kIppcc);
  Load(kIppcv);
}

void FinishIPPILoader() {
  Release(kIppcv);
  Release(kIppcc);
  Release(kIppi);
}

void StartSLDispatcher() {
  // The threading run-time of the libraries must not pin threads to cores.
  SetEnvironmentVariable("KMP_AFFINITY", "disabled");
  BindModule(BindingModule::SLDispatcher);
}

std::vector<ModuleStep> MathLoaderSteps() {
  return {{"LPIPPSLoader", StartIPPSLoader, FinishIPPSLoader},
          {"LPIPPILoader", StartIPPILoader, FinishIPPILoader}};
}

std::vector<ModuleStep> MathDispatcherSteps() {
  return {{"LibCDispatcher", [] { BindModule(BindingModule::LibCDispatcher); }, {}},
          {"SLDispatcher", StartSLDispatcher, {}}};
}

std::vector<ModuleStep> MathBufferSteps() {
  return {{"MLSimpleMediaBuffer", [] { BindModule(BindingModule::MLSimpleMediaBuffer); }, {}},
          {"SLNormDispatcher", [] { BindModule(BindingModule::SLNormDispatcher); }, {}}};
}

std::vector<ModuleStep> MathAudioSteps() {
  return {{"ALDispatcher", [] { BindModule(BindingModule::ALDispatcher); }, {}}};
}

std::vector<ModuleStep> MathModuleSteps(std::vector<ModuleStep> resampleSteps) {
  std::vector<ModuleStep> steps;
  for (auto&& part : {MathLoaderSteps(), std::move(resampleSteps), MathDispatcherSteps(),
                      MathBufferSteps(), MathAudioSteps()})
    steps.insert(steps.end(), part.begin(), part.end());
  return steps;
}

void SetBindingHooks(BindingHooks hooks) { Hooks() = std::move(hooks); }
void ResetBindingHooks() { Hooks() = BindingHooks{}; }

}  // namespace tavrel
