// Creation and release of FFT plans: the scale rule, the sine
// table every twiddle is read from, the bit-reversal table and the plan of
// the large transforms.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "math/fft_engine.h"
#include "math/kernel_heap.h"

namespace tavrel::kernels {
namespace {

// Exponent of the outer size of a split, complex orders 10 .. 30.
constexpr int kSplitOrders[21] = {0, 0, 4, 5, 6, 7, 7, 8, 9, 9, 9, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9};

std::size_t BitReversalBytes(int m) { return RoundUp16(((std::size_t(1) << (m - 2)) + 1) * 4); }

// Bytes of the twiddle block of a plan for complex order m (tables start on
// 16-byte boundaries, which every table size here already is).
std::size_t PlanTwiddleBytes(int m) {
  const std::size_t M = std::size_t(1) << m;
  if (m <= 9) return (M + 1) * 16;
  const int a = FFTSplitOrder(m);
  if (a == 0) return (512 + 1) * 16 + M * 4;
  const std::size_t R = std::size_t(1) << a;
  return PlanTwiddleBytes(m - a) + M * 16 + (R + 1) * 16;
}

// The depth-first table starts on a cache line, which the widest kernels
// load whole; the block itself is only 32-byte aligned.
constexpr std::size_t kDepthFirstAlign = 64;

// The whole twiddle block: the plan above, then the depth-first table.
std::size_t TwiddleBlockBytes(int m) {
  const std::size_t table = FFTDepthFirstTableDoubles(m) * sizeof(Ipp64f);
  return PlanTwiddleBytes(m) + (table > 0 ? table + kDepthFirstAlign : 0);
}

struct PlanBuilder {
  FFTSpec* spec;
  const Ipp64f* sine;
  int n;  // order of the sine table

  // Lays out the plan of order m at cursor; returns the end of what it wrote.
  Ipp64fc* Build(int m, int level, Ipp64fc* cursor) {
    const std::size_t M = std::size_t(1) << m;
    if (m <= 9) {
      BuildRadix4Twiddles(sine, n, m, cursor);
      return cursor + M + 1;
    }
    const int a = FFTSplitOrder(m);
    if (a == 0) {
      BuildRadix4Twiddles(sine, n, 9, cursor);
      cursor += 512 + 1;
      spec->combineTwiddles = cursor;
      for (std::size_t k = 0; k < M / 4; ++k) cursor[k] = SineTableTwiddle(sine, n, m, k);
      return cursor + M / 4;
    }
    const std::size_t R = std::size_t(1) << a, K = M / R;
    cursor = Build(m - a, level + 1, cursor);
    spec->columnRadix4[level] = cursor;
    BuildRadix4Twiddles(sine, n, a, cursor);
    cursor += R + 1;
    spec->columnTwiddles[level] = cursor;
    Ipp64fc* t = cursor;
    for (std::size_t u = 0; u < K / 4; ++u) {
      for (std::size_t p = 0; p < R; ++p) {
        std::size_t rev = 0;
        for (int b = 0; b < a; ++b) rev |= ((p >> b) & 1) << (a - 1 - b);
        for (std::size_t c = 4 * u; c < 4 * u + 4; ++c) *t++ = SineTableTwiddle(sine, n, m, (c * rev) & (M - 1));
      }
    }
    spec->workSize = std::max<Ipp32s>(spec->workSize, static_cast<Ipp32s>(64 * R));
    return cursor + M;
  }
};

void ReleaseFFTSpec(FFTSpec* spec) {
  spec->tag = 0;
  if (spec->allocated != 1) return;
  KernelFree(spec->bitReversal);
  KernelFree(spec->twiddles);
  KernelFree(spec->splitTwiddles);
  KernelFree(spec->mergeTwiddles);
  KernelFree(spec);
}

// Tables of complex order m from the sine table of order n; false when a
// block cannot be allocated (the plan then owns what was allocated).
bool BuildComplexTables(FFTSpec* spec, int m, const Ipp64f* sine, int n) {
  spec->bitReversal = static_cast<Ipp32s*>(KernelAlloc(BitReversalBytes(m)));
  if (spec->bitReversal == nullptr) return false;
  BuildBitReversalTable(m, spec->bitReversal);
  spec->twiddles = static_cast<Ipp64fc*>(KernelAlloc(TwiddleBlockBytes(m)));
  if (spec->twiddles == nullptr) return false;
  Ipp64fc* end = PlanBuilder{spec, sine, n}.Build(m, 0, spec->twiddles);
  if (FFTHasDepthFirstPlan(m)) {
    const auto at = reinterpret_cast<std::uintptr_t>(end);
    spec->depthFirst = reinterpret_cast<Ipp64f*>((at + kDepthFirstAlign - 1) & ~(kDepthFirstAlign - 1));
    BuildDepthFirstTable(sine, n, m, spec->depthFirst);
  }
  return true;
}

bool BuildRealTables(FFTSpec* spec, const Ipp64f* s, int n) {
  const std::size_t N = std::size_t(1) << n;
  spec->splitTwiddles = static_cast<Ipp64fc*>(KernelAlloc(N / 4 * 16));
  if (spec->splitTwiddles == nullptr) return false;
  for (std::size_t k = 0; k < N / 4; ++k) spec->splitTwiddles[k] = {0.5 * s[N / 4 - k], 0.5 - 0.5 * s[k]};
  spec->mergeTwiddles = static_cast<Ipp64fc*>(KernelAlloc(N / 4 * 16));
  if (spec->mergeTwiddles == nullptr) return false;
  for (std::size_t k = 0; k < N / 4; ++k) spec->mergeTwiddles[k] = {s[N / 4 - k], -s[k]};
  return true;
}

IppStatus InitAlloc(FFTSpec** out, int order, int flag, IppHintAlgorithm hint, bool real) {
  if (out == nullptr) return ippStsNullPtrErr;
  if (order < 0 || order > kFFTMaxOrder) return ippStsFftOrderErr;
  auto* spec = static_cast<FFTSpec*>(KernelAlloc(sizeof(FFTSpec)));
  if (spec == nullptr) return ippStsMemAllocErr;
  *spec = FFTSpec{};
  spec->tag = real ? kFFTSpecRealTag : kFFTSpecComplexTag;
  spec->order = order;
  spec->hint = hint;
  spec->allocated = 1;
  const double N = std::ldexp(1.0, order);
  switch (flag) {
    case 1: spec->forwardScale = 1; spec->scaleFactor = 1.0 / N; break;
    case 2: spec->inverseScale = 1; spec->scaleFactor = 1.0 / N; break;
    case 4:
      spec->forwardScale = spec->inverseScale = 1;
      spec->scaleFactor = 1.0 / std::sqrt(N);
      break;
    case 8: break;
    default: ReleaseFFTSpec(spec); return ippStsFftFlagErr;
  }
  if (order <= 3) {
    *out = spec;
    return ippStsNoErr;
  }
  const int m = real ? order - 1 : order;
  const std::size_t Ns = std::size_t(1) << order;
  const std::size_t sineBytes = (Ns / 4 + 1) * sizeof(Ipp64f);
  std::size_t total = sizeof(FFTSpec) + sineBytes + BitReversalBytes(m) + TwiddleBlockBytes(m);
  if (real) total += 2 * (Ns / 4 * 16);
  if (total > kFFTSpecMaxBytes) {
    ReleaseFFTSpec(spec);
    return ippStsMemAllocErr;
  }
  auto* sine = static_cast<Ipp64f*>(KernelAlloc(sineBytes));
  if (sine == nullptr) {
    ReleaseFFTSpec(spec);
    return ippStsMemAllocErr;
  }
  BuildSineTable(order, sine);
  const bool built = BuildComplexTables(spec, m, sine, order) && (!real || BuildRealTables(spec, sine, order));
  KernelFree(sine);
  if (!built) {
    ReleaseFFTSpec(spec);
    return ippStsMemAllocErr;
  }
  *out = spec;
  return ippStsNoErr;
}

IppStatus Free(FFTSpec* spec, Ipp32s tag) {
  if (spec == nullptr) return ippStsNullPtrErr;
  if (spec->tag != tag) return ippStsContextMatchErr;
  ReleaseFFTSpec(spec);
  return ippStsNoErr;
}

}  // namespace

int FFTSplitOrder(int m) { return (m >= 10 && m <= kFFTMaxOrder) ? kSplitOrders[m - 10] : 0; }

void BuildSineTable(int n, Ipp64f* s) {
  const std::size_t Ns = std::size_t(1) << n;
  const double d = 2.0 * 3.14159265358979323846 / static_cast<double>(Ns);
  for (std::size_t k = 0; k <= Ns / 8; ++k) s[k] = std::sin(static_cast<double>(k) * d);
  for (std::size_t k = Ns / 8 + 1; k <= Ns / 4; ++k) s[k] = std::cos(static_cast<double>(Ns / 4 - k) * d);
}

Ipp64fc SineTableTwiddle(const Ipp64f* s, int n, int l, std::size_t j) {
  if (l < 2) {  // W_1 and W_2 read as W_4 powers
    j = (j << (2 - l)) & 3;
    l = 2;
  }
  const std::size_t L = std::size_t(1) << l, t = std::size_t(1) << (n - l);
  j &= L - 1;
  if (j <= L / 4) return {s[t * (L / 4 - j)], -s[t * j]};
  if (j <= L / 2) return {-s[t * (j - L / 4)], -s[t * (L / 2 - j)]};
  if (j <= 3 * L / 4) return {-s[t * (3 * L / 4 - j)], s[t * (j - L / 2)]};
  return {s[t * (j - 3 * L / 4)], s[t * (L - j)]};
}

void BuildBitReversalTable(int m, Ipp32s* table) {
  const Ipp32s Q = Ipp32s(1) << (m - 2);
  const int bits = m - 2;
  Ipp32s front = 0, back = Q - 1, r = 0;
  for (Ipp32s i = 1; i < Q; ++i) {
    // Reversed-carry increment of r.
    Ipp32s bit = Q >> 1;
    while (bits > 0 && (r & bit) != 0) {
      r ^= bit;
      bit >>= 1;
    }
    r |= bit;
    if (i < r) {
      table[front++] = 4 * i;
      table[front++] = 4 * r;
    } else if (i == r) {
      table[back--] = 4 * i;
    }
  }
  table[front] = 0;
  table[Q] = 0;
}

void BuildRadix4Twiddles(const Ipp64f* s, int n, int l, Ipp64fc* table) {
  const std::size_t L = std::size_t(1) << l;
  for (std::size_t j = 0; j <= L / 4; ++j) {
    table[3 * j] = SineTableTwiddle(s, n, l, j);
    table[3 * j + 1] = SineTableTwiddle(s, n, l, 2 * j);
    table[3 * j + 2] = SineTableTwiddle(s, n, l, 3 * j);
  }
}

IppStatus ippsFFTInitAlloc_C_64fc(FFTSpec** spec, int order, int flag, IppHintAlgorithm hint) {
  return InitAlloc(spec, order, flag, hint, false);
}

IppStatus ippsFFTInitAlloc_R_64f(FFTSpec** spec, int order, int flag, IppHintAlgorithm hint) {
  return InitAlloc(spec, order, flag, hint, true);
}

IppStatus ippsFFTFree_C_64fc(FFTSpec* spec) { return Free(spec, kFFTSpecComplexTag); }
IppStatus ippsFFTFree_R_64f(FFTSpec* spec) { return Free(spec, kFFTSpecRealTag); }

void FFTSpecDeleter::operator()(FFTSpec* spec) const {
  if (spec != nullptr) Free(spec, spec->tag);
}

IppStatus ComplexFFTGetBufSize(const FFTSpec* spec, int* size) {
  if (spec == nullptr || size == nullptr) return ippStsNullPtrErr;
  if (spec->tag != kFFTSpecComplexTag) return ippStsContextMatchErr;
  *size = spec->workSize > 0 ? spec->workSize + 16 : 0;
  return ippStsNoErr;
}

IppStatus RealFFTGetBufSize(const FFTSpec* spec, int* size) {
  if (spec == nullptr || size == nullptr) return ippStsNullPtrErr;
  if (spec->tag != kFFTSpecRealTag) return ippStsContextMatchErr;
  *size = spec->workSize > 0 ? spec->workSize + 16 : 0;
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
