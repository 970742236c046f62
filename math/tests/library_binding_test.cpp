// Binding against stand-in libraries built by the test suite (fixtures/):
// the rows a loaded library exports bind to it, every other row to the
// system's own kernel.
#include <dlfcn.h>
#include <fenv.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "math/binding.h"
#include "math/routines.h"

namespace tavrel {
namespace {

constexpr IppStatus kIpps = 1001, kIppi = 1002, kIppcc = 1003, kIppcv = 1004;

// Starts the numeric layer with only the named libraries present, and
// records what the loaders did.
class Libraries {
 public:
  explicit Libraries(std::set<std::string> present) : present_(std::move(present)) {
    SetBindingHooks({[this](const std::string& file) -> LibraryHandle {
                       loaded_.push_back(file);
                       if (!present_.count(file)) return nullptr;
                       LibraryHandle h = LoadLibrary(file);  // by its Windows name
                       EXPECT_NE(h, nullptr) << file << " was not built next to the tests";
                       names_[h] = file;
                       return h;
                     },
                     [this](LibraryHandle h) {
                       released_.push_back(names_.at(h));
                       return FreeLibrary(h);
                     },
                     [this](BindingModule, std::string_view name, void* found) {
                       if (found) found_[std::string(name)] = found;
                     }});
    run_ = std::make_unique<ModuleRun>(MathModuleSteps());
  }
  ~Libraries() {
    run_.reset();
    ResetBindingHooks();
  }
  void Finish() { run_.reset(); }

  // The file the routine bound for `name` comes from ("" when none).
  std::string SourceOf(const std::string& name) const {
    auto it = found_.find(name);
    if (it == found_.end()) return "";
    Dl_info info{};
    if (!dladdr(it->second, &info) || !info.dli_fname) return "?";
    std::string file = info.dli_fname;
    return file.substr(file.rfind('/') + 1);
  }

  std::vector<std::string> loaded_, released_;

 private:
  std::set<std::string> present_;
  std::map<LibraryHandle, std::string> names_;
  std::map<std::string, void*> found_;
  std::unique_ptr<ModuleRun> run_;
};

IppStatus CallCopy32s() {
  Ipp32s a = 1, b = 2;
  return SLDispatcher::ippiCopy_32s_C1R(&a, 4, &b, 4, {1, 1});
}

IppStatus CallSet(decltype(LibCDispatcher::ippiSet_8u_C4R) set) {
  const Ipp8u value[4] = {1, 2, 3, 4};
  Ipp8u pixel[4] = {};
  return set(value, pixel, 4, {1, 1});
}

TEST(LibraryBinding, ExportedRowsBindToTheSignalLibraryAndTheRestToTheKernels) {
  Libraries libs({"ipps-7.0.dll", "ippcore-7.0.dll"});
  double d = 0;
  EXPECT_EQ(SLDispatcher::ippsCopy_64f(&d, &d, 1), kIpps);
  Ipp8u byte = 0;
  EXPECT_EQ(LibCDispatcher::ippsMove_8u(&byte, &byte, 1), kIpps);
  Ipp64fc c{};
  EXPECT_EQ(SLDispatcher::ippsConjCcs_64fc_I(&c, 1), kIpps);
  EXPECT_EQ(ALDispatcher::ippsConjCcs_64fc_I(&c, 1), kIpps);
  EXPECT_NE(SLDispatcher::ippsSVD_64f_D2L, nullptr);
  // Not from "ippcore", and not an image name from the signal library.
  EXPECT_EQ(SLDispatcher::ippsAdd_64f, &kernels::ippsAdd_64f);
  EXPECT_EQ(CallCopy32s(), ippStsNoErr);

  const std::set<std::string_view> exported = {"ippsCopy_64f", "ippsMove_8u", "ippsConjCcs_64fc_I", "ippsDivC_8u_Sfs",
                                                "ippsSVD_64f_D2L"};
  for (const auto& entry : AllRoutineEntries()) {
    if (exported.count(entry.name)) {
      EXPECT_NE(entry.Load(), entry.fallback) << entry.name;
      EXPECT_NE(entry.Load(), nullptr) << entry.name;
    } else {
      EXPECT_EQ(entry.Load(), entry.fallback) << BindingModuleName(entry.module) << "::" << entry.name;
    }
  }
}

TEST(LibraryBinding, ImageLibrariesAreAskedInTheirOrder) {
  struct Case { std::set<std::string> present; IppStatus copy, set; };
  const Case cases[] = {
      {{"ippcc-7.0.dll"}, kIppcc, ippStsNoErr},
      {{"ippcv-7.0.dll"}, kIppcv, kIppcv},
      {{"ippi-7.0.dll", "ippcc-7.0.dll", "ippcv-7.0.dll"}, kIppcc, kIppi},
      {{"ippi-7.0.dll", "ippcv-7.0.dll"}, kIppcv, kIppi},
      {{"ipps-7.0.dll"}, ippStsNoErr, ippStsNoErr},
  };
  for (const auto& c : cases) {
    std::string names;
    for (const auto& n : c.present) names += n + " ";
    Libraries libs(c.present);
    EXPECT_EQ(CallCopy32s(), c.copy) << names;
    EXPECT_EQ(CallSet(LibCDispatcher::ippiSet_8u_C4R), c.set) << names;
  }
  Libraries all({"ippi-7.0.dll", "ippcc-7.0.dll", "ippcv-7.0.dll"});
  EXPECT_EQ(all.SourceOf("ippiMirror_8u_C4R"), "libippcv-7.0.so");  // only ippcv has it
}

TEST(LibraryBinding, NamePrefixChoosesTheLibraryGroup) {
  // Both groups export both names; each row asks only its own group.
  Libraries libs({"ipps-7.0.dll", "ippcore-7.0.dll", "ippi-7.0.dll", "ippcc-7.0.dll", "ippcv-7.0.dll"});
  EXPECT_EQ(libs.SourceOf("ippiScale_16u8u_C1R"), "libippcc-7.0.so");
  EXPECT_EQ(libs.SourceOf("ippsDivC_8u_Sfs"), "libipps-7.0.so");
  EXPECT_EQ(libs.SourceOf("ippsAdd_64f"), "");  // only "ippcore" exports it
}

TEST(LibraryBinding, LoadersLoadInOrderAndReleaseInReverseSkippingAbsentOnes) {
  Libraries libs({"ipps-7.0.dll", "ippcc-7.0.dll", "ippcv-7.0.dll"});
  EXPECT_EQ(libs.loaded_, (std::vector<std::string>{"ipps-7.0.dll", "ippcore-7.0.dll", "ippi-7.0.dll",
                                                    "ippcc-7.0.dll", "ippcv-7.0.dll"}));
  EXPECT_TRUE(libs.released_.empty());
  libs.Finish();
  EXPECT_EQ(libs.released_, (std::vector<std::string>{"ippcv-7.0.dll", "ippcc-7.0.dll", "ipps-7.0.dll"}));
  EXPECT_EQ(GetIPPSProc("ippsCopy_64f"), nullptr);  // handles are gone after exit
  EXPECT_EQ(GetIPPIProc("ippiCopy_32s_C1R"), nullptr);
}

TEST(LibraryBinding, LoadingKeepsTheFloatingPointEnvironment) {
  auto mxcsr = [] {
    unsigned v;
    __asm__ volatile("stmxcsr %0" : "=m"(v));
    return v & ~0x3Fu;  // without the exception flags
  };
  auto x87 = [] {
    unsigned short v;
    __asm__ volatile("fnstcw %0" : "=m"(v));
    return v;
  };
  const unsigned mxcsrBefore = mxcsr();
  const unsigned short x87Before = x87();
  std::feclearexcept(FE_ALL_EXCEPT);
  {
    Libraries libs({"ipps-7.0.dll"});
    EXPECT_EQ(fegetround(), FE_TONEAREST);
    EXPECT_EQ(mxcsr(), mxcsrBefore);
    EXPECT_EQ(mxcsr() & 0x8040u, 0u);
    EXPECT_EQ(x87(), x87Before);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
    double d = 0;
    ASSERT_EQ(SLDispatcher::ippsCopy_64f(&d, &d, 1), kIpps);  // the library really was loaded
  }
  // Without the guard the same library does change the environment.
  fenv_t saved;
  fegetenv(&saved);
  void* raw = dlopen((ProgramFolder() + "libipps-7.0.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(raw, nullptr);
  const int rounding = fegetround();
  const unsigned flush = mxcsr() & 0x8040u;
  fesetenv(&saved);
  dlclose(raw);
  EXPECT_EQ(rounding, FE_UPWARD);
  EXPECT_EQ(flush, 0x8040u);
}

TEST(LibraryBinding, ModulesBindTheirOwnVariablesOfASharedName) {
  SLDispatcher::ippsConjCcs_64fc_I = nullptr;
  ALDispatcher::ippsConjCcs_64fc_I = nullptr;
  SetBindingHooks({[](const std::string& file) { return file == "ipps-7.0.dll" ? LoadLibrary(file) : nullptr; },
                   {}, {}});
  {
    ModuleRun loaders(MathLoaderSteps());
    BindModule(BindingModule::ALDispatcher);
    Ipp64fc c{};
    EXPECT_EQ(ALDispatcher::ippsConjCcs_64fc_I(&c, 1), kIpps);
    EXPECT_EQ(SLDispatcher::ippsConjCcs_64fc_I, nullptr);
  }
  ResetBindingHooks();
}

}  // namespace
}  // namespace tavrel
