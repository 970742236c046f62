#include "math/binding.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "math/routine_table.h"
#include "math/routines.h"

namespace tavrel {
namespace {

// The binding order of each module, as published.
constexpr const char* kGoldenOrder = R"(
LibCDispatcher:
  ippiSet_8u_C4R ippsConvert_64f32f ippsMove_8u ippsSubCRev_32s_ISfs ippsSubCRev_64f_I
  ippsSubCRev_32f_I ippsThreshold_LT_32s_I ippsThreshold_GT_32s_I
SLDispatcher:
  ippsSub_32f_I ippsMulC_32f_I ippsMul_32f_I ippsConjCcs_64fc_I ippsFFTFree_C_64fc ippsFFTFree_R_64f
  ippsFFTFwd_RToCCS_64f ippsFFTInitAlloc_C_64fc ippsFFTInitAlloc_R_64f ippsFFTInv_CCSToR_64f
  ippsFFTInv_CToC_64fc ippsFFTFwd_CToC_64fc ippsWinBartlett_64fc_I ippsWinBlackman_64fc_I
  ippsWinHamming_64fc_I ippsWinHann_64fc_I ippsWinKaiser_64fc_I ippsConv_64f ippsNormDiff_L1_64f
  ippsNormDiff_L2_64f ippsNormDiff_Inf_64f ippsMean_64f ippsMean_32f ippsStdDev_64f ippsMinIndx_64f
  ippsMaxIndx_64f ippsAutoCorr_NormA_64f ippsAutoCorr_NormB_64f ippsCrossCorr_64f ippsNormalize_32f
  ippsNormalize_64f ippsDotProd_64f ippsThreshold_32f_I ippsThreshold_64f_I ippsThreshold_64f
  ippsAbs_64f_I ippsAbs_64f ippsSqr_64f_I ippsSqr_64f ippsSqrt_64f_I ippsSqrt_64f ippsExp_64f_I
  ippsExp_64f ippsLn_64f_I ippsLn_64f ippsConvert_16s64f_Sfs ippsAndC_32u_I ippsOrC_32u_I
  ippsOr_32u_I ippsXorC_32u_I ippsXor_32u_I ippsAnd_32u_I ippsDotProd_32s_Sfs ippsPowerSpectr_64fc
  ippsPhase_64fc ippsMagnitude_64fc ippsSqr_64fc ippsSqrt_64fc_I ippsSqrt_64fc ippsSqr_64fc_I
  ippsAutoCorr_64fc ippsAutoCorr_NormA_64fc ippsAutoCorr_NormB_64fc ippsCrossCorr_64fc
  ippsThreshold_64fc ippsThreshold_64fc_I ippsDotProd_64fc ippsNormalize_64fc ippsDivC_64fc_I
  ippsMulC_64fc_I ippsSubC_64fc_I ippsAddC_64fc_I ippsRealToCplx_64f ippsRealToCplx_32f
  ippsSubC_32s_ISfs ippsAddC_32s_ISfs ippsAddC_32s_Sfs ippsAddC_64f ippsSubC_64f ippsSubC_64f_I
  ippsMulC_64f ippsDivC_64f ippsAddC_64f_I ippsAddC_64fc ippsAndC_32u ippsAdd_32s_ISfs
  ippsMulC_32s_ISfs ippsAdd_64f ippsAdd_64f_I ippsAdd_64fc ippsAdd_64fc_I ippsAdd_8u_ISfs
  ippsConvert_32f64f ippsCopy_32f ippsCopy_64f ippsMove_64f ippsCopy_8u ippsDiv_32s_ISfs
  ippsDiv_64f_I ippsDiv_64fc_I ippsDivC_64f_I ippsMax_64f ippsMin_64f ippsMul_32s_ISfs ippsMul_64f_I
  ippsMul_64f ippsMul_32f ippsMul_64fc_I ippsMul_8u_ISfs ippsMulC_64f_I ippsSet_32s ippsSet_64f
  ippsSet_32f ippsSet_64fc ippsSet_8u ippsSub_32s_ISfs ippsSub_64f_I ippsSub_64fc_I ippsSub_8u_ISfs
  ippsSum_64f ippsVectorJaehne_64f ippsWinBartlett_64f_I ippsWinBartlett_64f ippsWinBlackman_64f_I
  ippsWinBlackman_64f ippsWinHamming_64f_I ippsWinHamming_64f ippsWinHann_64f_I ippsWinHann_64f
  ippsWinKaiser_64f_I ippsWinKaiser_64f ippsZero_16s ippsZero_32s ippsZero_64f ippsZero_32f
  ippsZero_64fc ippsZero_8u ippsSubC_32s_Sfs ippsSubC_64fc ippsSubCRev_32s_Sfs ippsSubCRev_64f
  ippsSubCRev_64fc ippsDivC_64fc ippsMulC_64fc ippsMulC_32s_Sfs ippsOrC_32u ippsXorC_32u
  ippsLShiftC_32s ippsRShiftC_32s ippsLShiftC_32s_I ippsRShiftC_32s_I ippsConvert_64f32f
  ippsConvert_64f32s_Sfs ippsConvert_32s64f ippiMirror_8u_C3IR ippsReal_64fc ippsImag_64fc
  ippsConvert_32f32s_Sfs ippsConvert_32s32f ippsSwapBytes_16u ippsSwapBytes_24u ippsSwapBytes_32u
  ippsSwapBytes_32u_I ippsAutoCorr_64f ippiCopy_32s_C1R ippsFIR_64f ippsFIRFree_64f
  ippsFIRInitAlloc_64f ippiAlphaComp_8u_AC4R ippiCopy_8u_C4R ippiSet_8u_C4R ippiLUT_Linear_8u_C4R
  ippsRandUniform_Direct_64f ippsSVD_64f_D2L ippiMirror_8u_C4R ippiMirror_8u_C3R
MLSimpleMediaBuffer:
  ippiAdd_8u_C1IRSfs ippiAdd_16s_C1IRSfs ippiSub_8u_C1IRSfs ippiSub_16s_C1IRSfs ippiMul_8u_C1IRSfs
  ippiMul_16s_C1IRSfs ippiDiv_8u_C1IRSfs ippiDiv_16s_C1IRSfs ippsDivC_16s_ISfs ippsDivC_16s_Sfs
  ippsSet_16s ippsConvert_8s16s ippiScale_16u8u_C1R ippiSet_8u_C1R ippiSet_16s_C1R ippiSet_32s_C1R
  ippsAddC_8u_ISfs ippsAddC_8u_Sfs ippsAddC_16s_ISfs ippsAddC_16s_Sfs ippiAddC_8u_C1IRSfs
  ippiAddC_8u_C1RSfs ippiAddC_16s_C1IRSfs ippiAddC_16s_C1RSfs ippsSubC_8u_ISfs ippsSubC_8u_Sfs
  ippsSubC_16s_ISfs ippsSubC_16s_Sfs ippiSubC_8u_C1IRSfs ippiSubC_8u_C1RSfs ippiSubC_16s_C1IRSfs
  ippiSubC_16s_C1RSfs ippsMulC_8u_ISfs ippsMulC_8u_Sfs ippsMulC_16s_ISfs ippsMulC_16s_Sfs
  ippiMulC_8u_C1IRSfs ippiMulC_8u_C1RSfs ippiMulC_16s_C1IRSfs ippiMulC_16s_C1RSfs ippsDivC_8u_Sfs
  ippiDivC_8u_C1IRSfs ippiDivC_8u_C1RSfs ippiDivC_16s_C1IRSfs ippiDivC_16s_C1RSfs ippiCopy_8u_C1R
  ippiCopy_16s_C1R ippiConvert_8u32f_C1R ippiConvert_32f8u_C1R ippiScale_8u16s_C1R
  ippiScale_8u32s_C1R ippiScale_16s8u_C1R ippiScale_32s8u_C1R
SLNormDispatcher:
  ippsNorm_L2_64fc64f
ALDispatcher:
  ippsAdd_16s_I ippsConjCcs_64fc_I ippsFIRFree_64f ippsFIRInitAlloc_64f ippsFIROne_64f
  ippsFFTFwd_RToCCS_64f ippsFFTInitAlloc_R_64f ippsFFTFree_R_64f ippsRandUniform_Direct_16s
  ippsRandGauss_Direct_16s ippsThreshold_LTValGTVal_16s_I ippsTone_Direct_16s
  ippsTriangle_Direct_16s ippsSum_32f ippsSqr_32f_I ippiConvert_16s32f_C1R ippiConvert_8s32f_C1R
  ippiConvert_32f16s_C1R ippiConvert_32f8s_C1R ippsIIRFree_32f ippsIIRInitAlloc_32f ippsIIR_32f
  ippsIIR_32f_I ippsMulC_32f ippsDivC_32f_I ippsIIRInit_BiQuad_32f ippsIIRGetStateSize_BiQuad_32f
  ippsSampleDown_32f ippsPeriodicityLSPE_32f ippsCompensateOffset_32f_I
)";

std::map<std::string, std::vector<std::string>> GoldenOrder() {
  std::map<std::string, std::vector<std::string>> order;
  std::istringstream in(kGoldenOrder);
  std::string word, module;
  while (in >> word) {
    if (word.back() == ':')
      module = word.substr(0, word.size() - 1);
    else
      order[module].push_back(word);
  }
  return order;
}

class Binding : public testing::Test {
 protected:
  void TearDown() override { ResetBindingHooks(); }

  // Starts and finishes the numeric layer with no library present.
  void RunWithoutLibraries(std::function<void(BindingModule, std::string_view, void*)> bound = {}) {
    SetBindingHooks({[](const std::string&) -> LibraryHandle { return nullptr; },
                     [](LibraryHandle) { return true; }, std::move(bound)});
    ModuleRun run(MathModuleSteps());
  }
};

TEST_F(Binding, WithoutLibrariesEveryRowWithAKernelHoldsIt) {
  LibCDispatcher::ippsMove_8u = nullptr;
  RunWithoutLibraries();
  const auto entries = AllRoutineEntries();
  ASSERT_FALSE(entries.empty());
  for (const auto& entry : entries)
    EXPECT_EQ(entry.Load(), entry.fallback) << BindingModuleName(entry.module) << "::" << entry.name;
  EXPECT_EQ(SLDispatcher::ippsSVD_64f_D2L, nullptr);
  EXPECT_EQ(LibCDispatcher::ippsMove_8u, &kernels::ippsMove_8u);
  Ipp8u bytes[3] = {1, 2, 3};
  EXPECT_EQ(LibCDispatcher::ippsMove_8u(bytes, bytes + 1, 2), ippStsNoErr);
  EXPECT_EQ(bytes[2], 2);
}

TEST_F(Binding, ModulesBindTheirRowsInThePublishedOrder) {
  std::vector<std::pair<BindingModule, std::string>> seen;
  RunWithoutLibraries([&](BindingModule m, std::string_view name, void* found) {
    EXPECT_EQ(found, nullptr);
    seen.emplace_back(m, std::string(name));
  });
  const auto golden = GoldenOrder();
  size_t at = 0;
  for (BindingModule m : kBindingModules) {
    const auto& names = golden.at(std::string(BindingModuleName(m)));
    for (const auto& name : names) {
      ASSERT_LT(at, seen.size());
      EXPECT_EQ(seen[at].first, m) << name;
      EXPECT_EQ(seen[at].second, name);
      ++at;
    }
  }
  EXPECT_EQ(at, seen.size());
  EXPECT_EQ(seen.size(), 268u);
}

TEST_F(Binding, SignalModuleDisablesThreadAffinityBeforeItsFirstRow) {
  SetEnvironmentVariable("KMP_AFFINITY", "granularity=fine,compact");
  std::map<BindingModule, std::string> atFirstRow;
  RunWithoutLibraries([&](BindingModule m, std::string_view, void*) {
    atFirstRow.try_emplace(m, GetEnvironmentVariable("KMP_AFFINITY"));
  });
  EXPECT_EQ(atFirstRow[BindingModule::LibCDispatcher], "granularity=fine,compact");
  EXPECT_EQ(atFirstRow[BindingModule::SLDispatcher], "disabled");
  EXPECT_EQ(GetEnvironmentVariable("KMP_AFFINITY"), "disabled");
}

// Catches a family entry with a misspelt name, the wrong module, or a row
// claimed twice.
TEST_F(Binding, EveryEntryNamesOneRowOfItsModule) {
  std::set<std::pair<BindingModule, std::string_view>> claimed;
  for (const auto& entry : AllRoutineEntries()) {
    const auto rows = RoutineNames(entry.module);
    EXPECT_NE(std::find(rows.begin(), rows.end(), entry.name), rows.end())
        << entry.name << " is no row of " << BindingModuleName(entry.module);
    EXPECT_TRUE(claimed.emplace(entry.module, entry.name).second) << entry.name << " claimed twice";
    EXPECT_EQ(entry.fallback == nullptr, entry.name == "ippsSVD_64f_D2L") << entry.name;
    EXPECT_EQ(FindRoutineEntry(entry.module, entry.name)->variable, entry.variable);
  }
}

TEST_F(Binding, TheTableHasTheModulesRowCounts) {
  const std::map<BindingModule, size_t> counts = {{BindingModule::LibCDispatcher, 8},
                                                  {BindingModule::SLDispatcher, 176},
                                                  {BindingModule::MLSimpleMediaBuffer, 53},
                                                  {BindingModule::SLNormDispatcher, 1},
                                                  {BindingModule::ALDispatcher, 30}};
  for (auto [module, count] : counts) EXPECT_EQ(RoutineNames(module).size(), count);
}

TEST_F(Binding, StartUpStepsRunInTheirFixedOrder) {
  std::vector<std::string> names;
  for (const auto& step : MathModuleSteps({{"resample", {}, {}}})) names.push_back(step.name);
  EXPECT_EQ(names, (std::vector<std::string>{"LPIPPSLoader", "LPIPPILoader", "resample", "LibCDispatcher",
                                             "SLDispatcher", "MLSimpleMediaBuffer", "SLNormDispatcher",
                                             "ALDispatcher"}));
}

}  // namespace
}  // namespace tavrel
