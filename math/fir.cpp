// Block FIR filter (direct form and FFT overlap-save) and the single-sample
// step that shares its state.
#include "math/fir.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

#include "math/kernel_heap.h"

namespace tavrel::kernels {
namespace {

// The single step's sum: index order, long double, rounded once.
inline Ipp64f StepSum(const Ipp64f* rev, int L, const Ipp64f* window) {
  long double sum = 0.0L;
  for (int i = 0; i < L; ++i) sum += static_cast<long double>(rev[i]) * window[i];
  return static_cast<double>(sum);
}

// dst[k] = sum over j of rev[j] * window[k + j], k < count, four outputs per
// pass; each sum runs j = 0 .. L-1 in long double, as the single-sample step.
void DirectOutputs(const Ipp64f* rev, int L, const Ipp64f* window, Ipp64f* dst, std::size_t count) {
  std::size_t k = 0;
  for (; k + 4 <= count; k += 4) {
    long double s0 = 0.0L, s1 = 0.0L, s2 = 0.0L, s3 = 0.0L;
    const Ipp64f* w = window + k;
    for (int j = 0; j < L; ++j) {
      const long double h = rev[j];
      s0 += h * w[j];
      s1 += h * w[j + 1];
      s2 += h * w[j + 2];
      s3 += h * w[j + 3];
    }
    dst[k] = static_cast<double>(s0);
    dst[k + 1] = static_cast<double>(s1);
    dst[k + 2] = static_cast<double>(s2);
    dst[k + 3] = static_cast<double>(s3);
  }
  for (; k < count; ++k) dst[k] = StepSum(rev, L, window + k);
}

void DirectForm(const Ipp64f* src, Ipp64f* dst, std::size_t n, FIRState* state) {
  const int L = state->tapsLen;
  const std::size_t B = static_cast<std::size_t>(state->blockThreshold), L4 = B - 1;
  Ipp64f* dly = state->delayLine;
  Ipp64f* W = dly + state->delayIndex;
  state->delayIndex = 0;
  if (n <= B) {
    std::memcpy(W + L, src, n * sizeof(Ipp64f));
    DirectOutputs(state->reversedTaps, L, W + 1, dst, n);
    std::memmove(dly, W + n, static_cast<std::size_t>(L) * sizeof(Ipp64f));
    return;
  }
  std::memcpy(W + L, src, B * sizeof(Ipp64f));
  DirectOutputs(state->reversedTaps, L, W + 1, dst, L4);
  std::memcpy(dly, src + (n - L), static_cast<std::size_t>(L) * sizeof(Ipp64f));
  DirectOutputs(state->reversedTaps, L, src + (L4 + 1 - L), dst + L4, n - L4);
}

// One overlap-save block: Y holds L-1 history values and new inputs, zeros
// after; afterwards Y[L-1 ..] holds the filtered inputs.
IppStatus FilterBlock(const Ipp64f* in, FIRState* state) {
  Ipp64f* Y = state->blockBuffer;
  const IppStatus status = RealFFTForwardPerm(in, Y, state->spec, state->work);
  if (status != ippStsNoErr) return status;
  MulPerm(state->filterSpectrum, Y, state->fftLen);
  return RealFFTInversePerm(Y, Y, state->spec, state->work);
}

IppStatus OverlapSave(const Ipp64f* src, Ipp64f* dst, std::size_t n, FIRState* state) {
  const std::size_t L = static_cast<std::size_t>(state->tapsLen), N = static_cast<std::size_t>(state->fftLen);
  const std::size_t S = N - L + 1;
  Ipp64f* Y = state->blockBuffer;
  Ipp64f* dly = state->delayLine;
  std::memmove(Y, dly + state->delayIndex + 1, (L - 1) * sizeof(Ipp64f));
  state->delayIndex = 0;
  if (n <= S) {
    std::memcpy(Y + L - 1, src, n * sizeof(Ipp64f));
    std::memcpy(dly, Y + n - 1, L * sizeof(Ipp64f));
    std::fill(Y + L - 1 + n, Y + N, 0.0);
    const IppStatus status = FilterBlock(Y, state);
    if (status == ippStsNoErr) std::memcpy(dst, Y + L - 1, n * sizeof(Ipp64f));
    return status;
  }
  std::memcpy(Y + L - 1, src, S * sizeof(Ipp64f));
  IppStatus status = FilterBlock(Y, state);
  if (status != ippStsNoErr) return status;
  std::memcpy(dst, Y + L - 1, S * sizeof(Ipp64f));
  std::memcpy(dly, src + (n - L), L * sizeof(Ipp64f));
  const std::size_t R = n - S;
  for (std::size_t t = 0; t < R; t += S) {
    const Ipp64f* in = src + (S - L + 1 + t);
    if (R - t >= N) {
      status = FilterBlock(in, state);
    } else {
      const std::size_t c = std::min(R - t + L - 1, N);
      std::memcpy(Y, in, c * sizeof(Ipp64f));
      std::fill(Y + c, Y + N, 0.0);
      status = FilterBlock(Y, state);
    }
    if (status != ippStsNoErr) return status;
    std::memcpy(dst + S + t, Y + L - 1, std::min(R - t, S) * sizeof(Ipp64f));
  }
  return ippStsNoErr;
}

bool Overlaps(const Ipp64f* a, const Ipp64f* b, std::size_t n) {
  const std::less<const Ipp64f*> before;
  return before(a, b + n) && before(b, a + n);
}

}  // namespace

IppStatus ippsFIRInitAlloc_64f(FIRState** out, const Ipp64f* taps, int tapsLen, const Ipp64f* delayLine) {
  if (out == nullptr || taps == nullptr) return ippStsNullPtrErr;
  if (tapsLen <= 0) return ippStsFIRLenErr;
  const std::size_t L = static_cast<std::size_t>(tapsLen);
  std::size_t N = 0;
  int order = 0;
  if (L >= 32) {
    int e = 2;
    while ((std::size_t(1) << e) <= L) ++e;
    order = e + 1;
    N = std::size_t(1) << order;
  }
  const std::size_t tapsBytes = RoundUp16(L * sizeof(Ipp64f));
  const std::size_t delayBytes = RoundUp16((3 * L + 4) * sizeof(Ipp64f));
  // Coarse bound first: the plan's tables are about as large as the buffers.
  if (RoundUp16(sizeof(FIRState)) + tapsBytes + delayBytes + 8 * N * sizeof(Ipp64f) > kFIRStateMaxBytes ||
      order > kFFTMaxOrder)
    return ippStsMemAllocErr;
  FFTSpec* spec = nullptr;
  int workSize = 0;
  if (N > 0) {
    const IppStatus status = ippsFFTInitAlloc_R_64f(&spec, order, 2, ippAlgHintNone);
    if (status != ippStsNoErr) return status;
    RealFFTGetBufSize(spec, &workSize);
  }
  const std::size_t workBytes = RoundUp16(static_cast<std::size_t>(workSize));
  const std::size_t bufferBytes = N * sizeof(Ipp64f);
  const std::size_t total =
      RoundUp16(sizeof(FIRState)) + tapsBytes + delayBytes + (N > 0 ? 3 * bufferBytes + workBytes : 0);
  auto* block = static_cast<Ipp8u*>(KernelAlloc(total));
  if (block == nullptr) {
    if (spec != nullptr) ippsFFTFree_R_64f(spec);
    return ippStsMemAllocErr;
  }
  auto* state = reinterpret_cast<FIRState*>(block);
  *state = FIRState{};
  Ipp8u* cursor = block + RoundUp16(sizeof(FIRState));
  state->tag = kFIRStateTag;
  state->reversedTaps = reinterpret_cast<Ipp64f*>(cursor);
  cursor += tapsBytes;
  state->delayLine = reinterpret_cast<Ipp64f*>(cursor);
  cursor += delayBytes;
  state->tapsLen = tapsLen;
  state->blockThreshold = static_cast<Ipp32s>((L + 3) / 4 * 4 + 1);
  state->spec = spec;
  state->fftLen = N > 0 ? static_cast<Ipp32s>(N) : -1;
  state->delayLen = tapsLen;
  state->workSize = workSize;
  state->spare = state->delayLine + 3 * L + 4;
  state->ownsMemory = 1;
  for (std::size_t j = 0; j < L; ++j) state->reversedTaps[j] = taps[L - 1 - j];
  std::fill(state->delayLine, state->delayLine + 3 * L + 4, 0.0);
  if (delayLine != nullptr)
    for (std::size_t i = 0; i < L; ++i) state->delayLine[L - 1 - i] = delayLine[i];
  if (N > 0) {
    state->filterSpectrum = reinterpret_cast<Ipp64f*>(cursor);
    cursor += bufferBytes;
    state->work = workSize > 0 ? cursor : nullptr;
    cursor += workBytes;
    state->blockBuffer = reinterpret_cast<Ipp64f*>(cursor);
    cursor += bufferBytes;
    state->secondBuffer = reinterpret_cast<Ipp64f*>(cursor);
    std::copy(taps, taps + L, state->filterSpectrum);
    std::fill(state->filterSpectrum + L, state->filterSpectrum + N, 0.0);
    const IppStatus status = RealFFTForwardPerm(state->filterSpectrum, state->filterSpectrum, spec, state->work);
    if (status != ippStsNoErr) {
      ippsFFTFree_R_64f(spec);
      KernelFree(block);
      return status;
    }
  }
  *out = state;
  return ippStsNoErr;
}

IppStatus ippsFIRFree_64f(FIRState* state) {
  if (state == nullptr) return ippStsNullPtrErr;
  if (state->tag != kFIRStateTag && state->tag != kFIRMultiRateTag) return ippStsContextMatchErr;
  if (state->ownsMemory == 0) return ippStsNoErr;
  if (state->spec != nullptr) ippsFFTFree_R_64f(state->spec);
  state->tag = 0;
  KernelFree(state);
  return ippStsNoErr;
}

IppStatus ippsFIR_64f(const Ipp64f* src, Ipp64f* dst, int numIters, FIRState* state) {
  if (state == nullptr || src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (numIters < 1) return ippStsSizeErr;
  if (state->tag != kFIRStateTag) return ippStsContextMatchErr;
  const std::size_t n = static_cast<std::size_t>(numIters);
  // Both paths read inputs after writing outputs; filter from a copy then.
  Ipp64f* copy = nullptr;
  if (Overlaps(src, dst, n)) {
    copy = static_cast<Ipp64f*>(KernelAlloc(n * sizeof(Ipp64f)));
    if (copy == nullptr) return ippStsMemAllocErr;
    std::memcpy(copy, src, n * sizeof(Ipp64f));
    src = copy;
  }
  IppStatus status = ippStsNoErr;
  if (numIters >= 512 && state->fftLen > 0) {
    status = OverlapSave(src, dst, n, state);
  } else {
    DirectForm(src, dst, n, state);
  }
  KernelFree(copy);
  return status;
}

IppStatus ippsFIROne_64f(Ipp64f src, Ipp64f* dst, FIRState* state) {
  if (state == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (state->tag != kFIRStateTag) return ippStsContextMatchErr;
  const int n = state->tapsLen;
  int p = state->delayIndex;
  Ipp64f* delay = state->delayLine;
  delay[p] = src;
  delay[p + n] = src;
  if (++p == n) p = 0;
  state->delayIndex = p;
  *dst = StepSum(state->reversedTaps, n, delay + p);
  return ippStsNoErr;
}

// The direct form leaves the window at 0 with the delay index 0, which the
// single step continues from: it overwrites element p and p + L before the
// window reaches them.
IppStatus FIROneBlock_64f(const Ipp64f* src, Ipp64f* dst, int numIters, FIRState* state) {
  if (state == nullptr || src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (numIters < 1) return ippStsSizeErr;
  if (state->tag != kFIRStateTag) return ippStsContextMatchErr;
  const std::size_t n = static_cast<std::size_t>(numIters);
  if (Overlaps(src, dst, n)) {
    for (std::size_t k = 0; k < n; ++k) ippsFIROne_64f(src[k], dst + k, state);
    return ippStsNoErr;
  }
  DirectForm(src, dst, n, state);
  return ippStsNoErr;
}

void FIRRecentInputs(const FIRState* state, Ipp64f* dst) {
  const std::size_t L = static_cast<std::size_t>(state->tapsLen);
  if (L > 1) std::memcpy(dst, state->delayLine + state->delayIndex + 1, (L - 1) * sizeof(Ipp64f));
}

Ipp64f FIRWindowSum(const FIRState* state, const Ipp64f* window) {
  return StepSum(state->reversedTaps, state->tapsLen, window);
}

void FIRAdvance(FIRState* state, const Ipp64f* window, std::size_t count) {
  const std::size_t L = static_cast<std::size_t>(state->tapsLen);
  if (count == 0) return;
  std::memcpy(state->delayLine, window + (count - 1), L * sizeof(Ipp64f));
  state->delayIndex = 0;
}

}  // namespace tavrel::kernels
