#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/tests/failing_heap.h"
#include "math/tests/oracle.h"

namespace tavrel::kernels {
namespace {

TEST(FFTSpec, ArgumentErrorsAllocateNothing) {
  FailingHeap heap;
  FFTSpec* spec = reinterpret_cast<FFTSpec*>(0x1234);
  EXPECT_EQ(ippsFFTInitAlloc_C_64fc(nullptr, 4, 2, ippAlgHintNone), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTInitAlloc_R_64f(nullptr, 99, 2, ippAlgHintNone), ippStsNullPtrErr);
  for (int order : {-1, 31}) {
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&spec, order, 2, ippAlgHintNone), ippStsFftOrderErr);
    EXPECT_EQ(ippsFFTInitAlloc_R_64f(&spec, order, 2, ippAlgHintNone), ippStsFftOrderErr);
  }
  EXPECT_EQ(heap.allocations(), 0);
  for (int flag : {0, 3, 16}) {
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&spec, 5, flag, ippAlgHintNone), ippStsFftFlagErr);
    EXPECT_EQ(ippsFFTInitAlloc_R_64f(&spec, 2, flag, ippAlgHintNone), ippStsFftFlagErr);
  }
  EXPECT_EQ(spec, reinterpret_cast<FFTSpec*>(0x1234));
  EXPECT_EQ(heap.live(), 0);
}

TEST(FFTSpec, FlagsSetScaleRule) {
  struct Case {
    int flag, order, forward, inverse;
    double factor;
  } cases[] = {{1, 3, 1, 0, 1.0 / 8}, {2, 5, 0, 1, 1.0 / 32}, {4, 1, 1, 1, 1.0 / std::sqrt(2.0)}, {8, 6, 0, 0, 0.0}};
  for (const auto& c : cases) {
    FFTSpec* spec = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, c.order, c.flag, ippAlgHintNone), ippStsNoErr);
    EXPECT_EQ(spec->forwardScale, c.forward);
    EXPECT_EQ(spec->inverseScale, c.inverse);
    EXPECT_EQ(spec->scaleFactor, c.factor);
    ippsFFTFree_C_64fc(spec);
  }
}

TEST(FFTSpec, SmallOrdersOwnOnlyTheRecord) {
  for (int order = 0; order <= 3; ++order) {
    FailingHeap heap;
    FFTSpec* spec = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&spec, order, 2, ippAlgHintNone), ippStsNoErr);
    EXPECT_EQ(heap.allocations(), 1);
    EXPECT_EQ(spec->workSize, 0);
    EXPECT_EQ(ippsFFTFree_R_64f(spec), ippStsNoErr);
    EXPECT_EQ(heap.live(), 0);
  }
}

TEST(FFTSpec, BitReversalTableOfOrder4) {
  FFTSpec* spec = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, 4, 8, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp32s>(spec->bitReversal, spec->bitReversal + 5), (std::vector<Ipp32s>{4, 8, 0, 12, 0}));
  ippsFFTFree_C_64fc(spec);
}

// The table lists every middle index exactly once: pairs (i, rev i) with
// i < rev i, then the self-reversed ones, each list closed by a zero.
TEST(FFTSpec, BitReversalTableListsTheReversal) {
  for (int m = 2; m <= 14; ++m) {
    SCOPED_TRACE(m);
    const int bits = m - 2, Q = 1 << bits;
    std::vector<Ipp32s> table(Q + 1, -1);
    BuildBitReversalTable(m, table.data());
    auto rev = [bits](int i) {
      int r = 0;
      for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
      return r;
    };
    std::set<int> seen;
    int k = 0;
    for (; table[k] != 0; k += 2) {
      const int i = table[k] / 4, r = table[k + 1] / 4;
      ASSERT_EQ(table[k] % 4, 0);
      EXPECT_LT(i, r);
      EXPECT_EQ(rev(i), r);
      seen.insert(i);
      seen.insert(r);
    }
    for (++k; k < Q && table[k] != 0; ++k) {
      EXPECT_EQ(rev(table[k] / 4), table[k] / 4);
      seen.insert(table[k] / 4);
    }
    EXPECT_EQ(k, Q);
    EXPECT_EQ(table[Q], 0);
    EXPECT_EQ(static_cast<int>(seen.size()), Q - 1);
    EXPECT_EQ(seen.count(0), 0u);
  }
}

TEST(FFTSpec, WorkSizes) {
  struct Case {
    int order;
    bool real;
    int query;
  } cases[] = {{12, false, 1040}, {21, false, 16400}, {10, false, 0}, {11, false, 0},
               {11, true, 0},     {12, true, 0},       {13, true, 1040}, {16, false, 8192 + 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order);
    FFTSpec* spec = nullptr;
    int size = -1;
    if (c.real) {
      ASSERT_EQ(ippsFFTInitAlloc_R_64f(&spec, c.order, 2, ippAlgHintNone), ippStsNoErr);
      EXPECT_EQ(RealFFTGetBufSize(spec, &size), ippStsNoErr);
      EXPECT_EQ(ComplexFFTGetBufSize(spec, &size), ippStsContextMatchErr);
    } else {
      ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, c.order, 2, ippAlgHintNone), ippStsNoErr);
      EXPECT_EQ(ComplexFFTGetBufSize(spec, &size), ippStsNoErr);
      EXPECT_EQ(RealFFTGetBufSize(spec, &size), ippStsContextMatchErr);
    }
    EXPECT_EQ(size, c.query);
    EXPECT_EQ(ComplexFFTGetBufSize(spec, nullptr), ippStsNullPtrErr);
    c.real ? ippsFFTFree_R_64f(spec) : ippsFFTFree_C_64fc(spec);
  }
}

TEST(FFTSpec, TwiddlesAreExactAtQuarterTurns) {
  constexpr int n = 12;
  std::vector<Ipp64f> s((1 << n) / 4 + 1);
  BuildSineTable(n, s.data());
  for (int l = 2; l <= n; ++l) {
    const std::size_t L = std::size_t(1) << l;
    EXPECT_EQ(SineTableTwiddle(s.data(), n, l, 0).re, 1.0);
    EXPECT_EQ(SineTableTwiddle(s.data(), n, l, L / 4).re, 0.0);
    EXPECT_EQ(SineTableTwiddle(s.data(), n, l, L / 4).im, -1.0);
    for (std::size_t j = 0; j < L; j += 1 + L / 97) {
      const long double angle = 2.0L * oracle::kPi * j / L;
      const Ipp64fc w = SineTableTwiddle(s.data(), n, l, j);
      EXPECT_NEAR(w.re, static_cast<double>(std::cos(angle)), 4e-16) << l << " " << j;
      EXPECT_NEAR(w.im, static_cast<double>(-std::sin(angle)), 4e-16) << l << " " << j;
    }
  }
}

TEST(FFTSpec, EveryAllocationFailureIsReportedWithoutLeaks) {
  for (int order : {4, 10, 13, 21}) {
    SCOPED_TRACE(order);
    for (bool real : {false, true}) {
      ExpectEveryAllocationFailureReported([&] {
        FFTSpec* spec = nullptr;
        const IppStatus status =
            real ? ippsFFTInitAlloc_R_64f(&spec, order, 2, ippAlgHintNone) : ippsFFTInitAlloc_C_64fc(&spec, order, 2, ippAlgHintNone);
        if (status == ippStsNoErr) real ? ippsFFTFree_R_64f(spec) : ippsFFTFree_C_64fc(spec);
        return status;
      });
    }
  }
}

// Tables of these orders would exceed the size cap: refused before any
// table is allocated, so the process never commits the memory.
TEST(FFTSpec, OversizedPlansAreRefusedWithoutTouchingMemory) {
  for (int order : {28, 29, 30}) {
    for (bool real : {false, true}) {
      FailingHeap heap;
      FFTSpec* spec = nullptr;
      const IppStatus status =
          real ? ippsFFTInitAlloc_R_64f(&spec, order, 2, ippAlgHintNone) : ippsFFTInitAlloc_C_64fc(&spec, order, 2, ippAlgHintNone);
      EXPECT_EQ(status, ippStsMemAllocErr) << order;
      EXPECT_EQ(spec, nullptr);
      EXPECT_EQ(heap.allocations(), 1);  // the record only, released again
      EXPECT_EQ(heap.live(), 0);
    }
  }
}

TEST(FFTSpec, FreeOfTheWrongKindKeepsTheRecordUsable) {
  FFTSpec* complexSpec = nullptr;
  FFTSpec* realSpec = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 5, 2, ippAlgHintNone), ippStsNoErr);
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, 5, 2, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(ippsFFTFree_R_64f(complexSpec), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(realSpec), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(nullptr), ippStsNullPtrErr);
  std::vector<Ipp64fc> x(32, Ipp64fc{1.0, 0.0});
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(x.data(), x.data(), complexSpec, nullptr), ippStsNoErr);
  EXPECT_EQ(x[0].re, 32.0);
  std::vector<Ipp64f> r(32, 1.0);
  EXPECT_EQ(RealFFTForwardPerm(r.data(), r.data(), realSpec, nullptr), ippStsNoErr);
  EXPECT_EQ(r[0], 32.0);
  EXPECT_EQ(ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
  EXPECT_EQ(ippsFFTFree_R_64f(realSpec), ippStsNoErr);
}

}  // namespace
}  // namespace tavrel::kernels
