#pragma once
// Binding of the numeric routines by their published IPP names.
//
// Every bound routine is a function-pointer variable named after the routine
// and living in the namespace of the binding module that binds it. Callers
// use the variable of the module they belong to:
//
//   SLDispatcher::ippsCopy_64f(src, dst, n);        // signal buffers, FIR design
//   ALDispatcher::ippsFIROne_64f(x, &y, state);     // audio FIR filters
//
// Module namespaces (binding order in brackets): LibCDispatcher (4),
// SLDispatcher, the signal binding module (5), MLSimpleMediaBuffer (6a),
// SLNormDispatcher (6b), ALDispatcher (7). A name bound by two modules has
// one independent variable in each namespace.
//
// At start-up each module walks its rows (routine_table.h) in their fixed
// order: the variable gets the routine exported by the optional libraries
// (names starting "ipps" from the signal group through GetIPPSProc, "ippi"
// from the image group through GetIPPIProc) or, when none exports it, the
// system's own kernel of the same name in namespace tavrel::kernels.
//
// How a kernel family adds its rows:
//   1. Declare the kernels in its header (math/<family>.h), namespace
//      tavrel::kernels, with the published IPP name and signature.
//   2. In math/<family>_routines.h declare the variables, one block per
//      module that binds them, and the family's entry function:
//        namespace tavrel::SLDispatcher { TAVREL_ROUTINE(ippsMean_64f) }
//        namespace tavrel::ALDispatcher { TAVREL_ROUTINE(ippsSum_32f) }
//        namespace tavrel { std::vector<RoutineEntry> StatisticsRoutines(); }
//   3. In math/<family>_routines.cpp return one entry per row:
//        return {TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsMean_64f),
//                TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsSum_32f)};
//      (MakeRoutineEntry takes any other fall-back of the same signature.)
//   4. Add the header and the function to math/routines.h.
// A row whose family has no entry yet stays nil; the tests check that every
// entry names a row of its module and that no row has two entries.
//
// Start-up steps, in order (platform/modules.h):
//   MathLoaderSteps()        LPIPPSLoader, LPIPPILoader
//   -- resample/'s binding step of the five resize names goes here --
//   MathDispatcherSteps()    LibCDispatcher, SLDispatcher (sets KMP_AFFINITY)
//   -- the signal buffers' modules --
//   MathBufferSteps()        MLSimpleMediaBuffer, SLNormDispatcher
//   -- the charting modules --
//   MathAudioSteps()         ALDispatcher
// MathModuleSteps(resample) is the whole sequence for programs and tests
// that start nothing in between. Exit runs in reverse: the loaders release
// their libraries, the variables keep their values.
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "math/types.h"
#include "platform/dynlib.h"
#include "platform/modules.h"

namespace tavrel {

enum class BindingModule { LibCDispatcher, SLDispatcher, MLSimpleMediaBuffer, SLNormDispatcher, ALDispatcher };

inline constexpr BindingModule kBindingModules[] = {
    BindingModule::LibCDispatcher, BindingModule::SLDispatcher, BindingModule::MLSimpleMediaBuffer,
    BindingModule::SLNormDispatcher, BindingModule::ALDispatcher};

std::string_view BindingModuleName(BindingModule module);

// One row's variable and fall-back, with the variable's type erased.
struct RoutineEntry {
  BindingModule module;
  std::string_view name;
  void* variable;  // address of the routine variable
  void* fallback;  // the own kernel; nil for a row without one
  void (*store)(void* variable, void* routine);
  void* (*load)(const void* variable);

  void Store(void* routine) const { store(variable, routine); }
  void* Load() const { return load(variable); }
};

template <class R, class... A>
RoutineEntry MakeRoutineEntry(BindingModule module, std::string_view name, R (*&variable)(A...),
                              R (*fallback)(A...)) {
  using Fn = R (*)(A...);
  return {module, name, &variable, reinterpret_cast<void*>(fallback),
          [](void* v, void* routine) { *static_cast<Fn*>(v) = reinterpret_cast<Fn>(routine); },
          [](const void* v) { return reinterpret_cast<void*>(*static_cast<const Fn*>(v)); }};
}

// A family's rows; see math/routines.h for the list of families.
using RoutineFamily = std::vector<RoutineEntry> (*)();

// Declares the variable `name` typed after kernels::name (use inside the
// module's namespace).
#define TAVREL_ROUTINE(name) inline decltype(&::tavrel::kernels::name) name = nullptr;
// The entry of module::name with kernels::name as fall-back.
#define TAVREL_ROUTINE_ENTRY(module, name)                                                  \
  ::tavrel::MakeRoutineEntry(::tavrel::BindingModule::module, #name, ::tavrel::module::name, \
                             &::tavrel::kernels::name)

// Every family's entries, in family order.
std::vector<RoutineEntry> AllRoutineEntries();
// The entry of a row, or nil while its family has none.
const RoutineEntry* FindRoutineEntry(BindingModule module, std::string_view name);

// The library look-ups; nil when no loaded library exports the name.
void* GetIPPSProc(std::string_view name);  // "ipps-7.0.dll" only, never "ippcore"
void* GetIPPIProc(std::string_view name);  // "ippi", then "ippcc", then "ippcv"

// The look-up a row uses, by its name's prefix.
void* LookUpRoutine(std::string_view name);

// Binds a module's rows in order; rows without an entry are looked up and
// left nil.
void BindModule(BindingModule module);

// The loader steps themselves (also reached through the step lists).
void StartIPPSLoader();
void FinishIPPSLoader();
void StartIPPILoader();
void FinishIPPILoader();
void StartSLDispatcher();  // KMP_AFFINITY=disabled, then the rows

std::vector<ModuleStep> MathLoaderSteps();
std::vector<ModuleStep> MathDispatcherSteps();
std::vector<ModuleStep> MathBufferSteps();
std::vector<ModuleStep> MathAudioSteps();
std::vector<ModuleStep> MathModuleSteps(std::vector<ModuleStep> resampleSteps = {});

// Test seams. `load` and `release` replace the platform's LoadLibrary and
// FreeLibrary (given the Windows-style file name); `bound` sees every row as
// it is bound, with the routine the look-up found (nil when none).
struct BindingHooks {
  std::function<LibraryHandle(const std::string& fileName)> load;
  std::function<bool(LibraryHandle)> release;
  std::function<void(BindingModule, std::string_view name, void* found)> bound;
};
void SetBindingHooks(BindingHooks hooks);  // empty members use the platform
void ResetBindingHooks();

}  // namespace tavrel
