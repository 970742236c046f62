#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "math/fir.h"
#include "math/tests/failing_heap.h"
#include "math/tests/oracle.h"

namespace tavrel::kernels {
namespace {

struct FIRHolder {
  FIRState* state = nullptr;
  FIRHolder(const std::vector<double>& taps, const double* delay = nullptr) {
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), static_cast<int>(taps.size()), delay), ippStsNoErr);
  }
  ~FIRHolder() {
    if (state != nullptr) ippsFIRFree_64f(state);
  }
};

// Reference output and a bound of a few ulps of sum |terms| (times a margin
// for the FFT path's rounding).
struct Reference {
  std::vector<long double> y;
  std::vector<double> bound;
};
Reference FilterReference(const std::vector<double>& taps, const std::vector<double>& x,
                          const std::vector<double>& history = {}) {
  Reference r;
  for (std::size_t k = 0; k < x.size(); ++k) {
    long double sum = 0, magnitude = 0;
    for (std::size_t m = 0; m < taps.size(); ++m) {
      double v = 0;
      if (k >= m) {
        v = x[k - m];
      } else if (m - k - 1 < history.size()) {
        v = history[m - k - 1];
      }
      sum += static_cast<long double>(taps[m]) * v;
      magnitude += std::fabs(static_cast<long double>(taps[m]) * v);
    }
    r.y.push_back(sum);
    r.bound.push_back(static_cast<double>(magnitude) * 1e-13 + 1e-300);
  }
  return r;
}

// Any partition of the input gives the output of one call, which is the
// convolution; covers both direct branches, the FFT path and the hand-over.
TEST(BlockFIR, AnyPartitionGivesTheConvolution) {
  for (int L : {1, 5, 31, 32, 40, 300}) {
    SCOPED_TRACE(L);
    const auto taps = oracle::RandomVector(L, 10 + L);
    const int B = (L + 3) / 4 * 4 + 1;
    const std::vector<int> sizes = {1, 7, 600, 3, B, B + 1, 2000};
    const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
    const auto x = oracle::RandomVector(total, 20 + L);
    const auto ref = FilterReference(taps, x);
    FIRHolder whole(taps), parts(taps);
    std::vector<double> once(total), pieces(total);
    ASSERT_EQ(ippsFIR_64f(x.data(), once.data(), total, whole.state), ippStsNoErr);
    int at = 0;
    for (int n : sizes) {
      ASSERT_EQ(ippsFIR_64f(x.data() + at, pieces.data() + at, n, parts.state), ippStsNoErr);
      EXPECT_EQ(parts.state->delayIndex, 0);
      at += n;
    }
    for (int k = 0; k < total; ++k) {
      ASSERT_NEAR(once[k], static_cast<double>(ref.y[k]), ref.bound[k]) << k;
      ASSERT_NEAR(pieces[k], static_cast<double>(ref.y[k]), ref.bound[k]) << k;
    }
  }
}

TEST(BlockFIR, DirectAndFFTPathsAgreeAtTheSwitch) {
  const auto taps = oracle::RandomVector(32, 1);
  const auto x = oracle::RandomVector(512, 2);
  FIRHolder direct(taps), fft(taps);
  EXPECT_EQ(fft.state->fftLen, 128);
  std::vector<double> a(512), b(512);
  ASSERT_EQ(ippsFIR_64f(x.data(), a.data(), 511, direct.state), ippStsNoErr);
  ASSERT_EQ(ippsFIR_64f(x.data() + 511, a.data() + 511, 1, direct.state), ippStsNoErr);
  ASSERT_EQ(ippsFIR_64f(x.data(), b.data(), 512, fft.state), ippStsNoErr);
  for (int k = 0; k < 512; ++k) EXPECT_NEAR(a[k], b[k], 1e-14) << k;
  // 31 taps never take the FFT path: a long block equals the single-sample step exactly.
  const auto taps31 = oracle::RandomVector(31, 3);
  FIRHolder block(taps31), one(taps31);
  EXPECT_EQ(block.state->fftLen, -1);
  EXPECT_EQ(block.state->spec, nullptr);
  std::vector<double> y(512);
  ASSERT_EQ(ippsFIR_64f(x.data(), y.data(), 512, block.state), ippStsNoErr);
  for (int k = 0; k < 512; ++k) {
    double v = 0;
    ASSERT_EQ(ippsFIROne_64f(x[k], &v, one.state), ippStsNoErr);
    ASSERT_EQ(v, y[k]) << k;
  }
}

TEST(BlockFIR, InitialDelayLineIsThePastInput) {
  for (int n : {3, 600}) {  // direct and FFT path
    const auto taps = oracle::RandomVector(40, 5);
    const auto history = oracle::RandomVector(40, 6);  // history[0] = x[-1]
    const auto x = oracle::RandomVector(n, 7);
    const auto ref = FilterReference(taps, x, history);
    FIRHolder holder(taps, history.data());
    std::vector<double> y(n);
    ASSERT_EQ(ippsFIR_64f(x.data(), y.data(), n, holder.state), ippStsNoErr);
    for (int k = 0; k < n; ++k) EXPECT_NEAR(y[k], static_cast<double>(ref.y[k]), ref.bound[k]) << k;
  }
}

TEST(BlockFIR, InPlaceFilteringEqualsSeparateArrays) {
  for (int n : {5, 100, 3000}) {
    const auto taps = oracle::RandomVector(40, 8);
    const auto x = oracle::RandomVector(n, 9);
    FIRHolder a(taps), b(taps);
    std::vector<double> separate(n), same = x;
    ASSERT_EQ(ippsFIR_64f(x.data(), separate.data(), n, a.state), ippStsNoErr);
    ASSERT_EQ(ippsFIR_64f(same.data(), same.data(), n, b.state), ippStsNoErr);
    EXPECT_EQ(same, separate) << n;
  }
}

TEST(BlockFIR, StatusesChangeNothing) {
  const std::vector<double> taps = {1, 2, 3};
  FIRState* state = nullptr;
  EXPECT_EQ(ippsFIRInitAlloc_64f(nullptr, taps.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, nullptr, 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), 0, nullptr), ippStsFIRLenErr);
  EXPECT_EQ(state, nullptr);
  {
    FailingHeap heap;  // far too large: refused before anything is allocated
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), INT_MAX, nullptr), ippStsMemAllocErr);
    EXPECT_EQ(heap.allocations(), 0);
  }
  FIRHolder holder(taps);
  double x[4] = {1, 2, 3, 4}, y[4] = {9, 9, 9, 9};
  EXPECT_EQ(ippsFIR_64f(nullptr, y, 4, holder.state), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIR_64f(x, nullptr, 4, holder.state), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIR_64f(x, y, 4, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIR_64f(x, y, 0, holder.state), ippStsSizeErr);
  holder.state->tag = kFIRMultiRateTag;
  EXPECT_EQ(ippsFIR_64f(x, y, 4, holder.state), ippStsContextMatchErr);
  holder.state->tag = kFIRStateTag;
  EXPECT_EQ(y[0], 9.0);
  EXPECT_EQ(holder.state->delayLine[2], 0.0);
}

TEST(BlockFIR, FreeRefusesForeignStatesAndKeepsBorrowedOnes) {
  const std::vector<double> taps(40, 0.5);
  FailingHeap heap;
  FIRState* state = nullptr;
  ASSERT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), 40, nullptr), ippStsNoErr);
  const int held = heap.live();
  EXPECT_GT(held, 0);
  EXPECT_EQ(ippsFIRFree_64f(nullptr), ippStsNullPtrErr);
  state->tag = 0x49493031;  // "10II"
  EXPECT_EQ(ippsFIRFree_64f(state), ippStsContextMatchErr);
  EXPECT_EQ(heap.live(), held);
  state->tag = kFIRStateTag;
  state->ownsMemory = 0;
  EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
  EXPECT_EQ(heap.live(), held);
  state->ownsMemory = 1;
  EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
  EXPECT_EQ(heap.live(), 0);
}

TEST(BlockFIR, EveryAllocationFailureIsReported) {
  for (int L : {5, 40, 2100}) {  // no FFT; FFT without and with a work area
    SCOPED_TRACE(L);
    const auto taps = oracle::RandomVector(L, 11);
    ExpectEveryAllocationFailureReported([&] {
      FIRState* state = nullptr;
      const IppStatus status = ippsFIRInitAlloc_64f(&state, taps.data(), L, nullptr);
      if (status == ippStsNoErr) ippsFIRFree_64f(state);
      return status;
    });
  }
  FIRHolder holder(oracle::RandomVector(40, 12));
  std::vector<double> x(1000, 1.0);
  FailingHeap heap(1);  // the copy of an in-place block
  EXPECT_EQ(ippsFIR_64f(x.data(), x.data(), 1000, holder.state), ippStsMemAllocErr);
  EXPECT_EQ(x[999], 1.0);
}

}  // namespace
}  // namespace tavrel::kernels
