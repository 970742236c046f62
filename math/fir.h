#pragma once
// Single-rate FIR filters on doubles with a state that keeps the delay line.
//
//   FIRState* state = nullptr;
//   ippsFIRInitAlloc_64f(&state, taps, 41, nullptr);  // zero history
//   ippsFIROne_64f(x, &y, state);                     // one sample (audio path)
//   ippsFIR_64f(src, dst, n, state);                  // a block; same state
//   ippsFIRFree_64f(state);
//
// y[k] = sum over m of taps[m] * x[k - m]. The single-sample step and the
// direct block form sum in the same order in long double, so mixing them on
// one state gives exactly the outputs of either alone. Blocks of 512 samples
// or more through 32 taps or more run by FFT overlap-save (equal to
// rounding). An initial delay line lists the most recent past input first.
#include <climits>
#include <cstddef>

#include "math/fft.h"
#include "math/types.h"

namespace tavrel::kernels {

inline constexpr Ipp32u kFIRStateTag = 0x46493133;      // "31IF" in memory
inline constexpr Ipp32u kFIRMultiRateTag = 0x46493135;  // "51IF", never created here
// States larger than this are refused with -9 (see kFFTSpecMaxBytes).
inline constexpr std::size_t kFIRStateMaxBytes = std::size_t(1) << 32;

// One aligned block: this record, then its arrays.
struct FIRState {
  Ipp32u tag;
  Ipp64f* reversedTaps;  // element j is tap tapsLen - 1 - j
  Ipp64f* delayLine;     // 3 * tapsLen + 4 doubles
  Ipp32s tapsLen;
  Ipp32s reserved1;
  Ipp32s blockThreshold;  // tapsLen rounded up to 4, plus 1
  Ipp32s reserved2;
  Ipp32s reserved3;
  FFTSpec* spec;            // real spec of the overlap-save path, or null
  Ipp64f* filterSpectrum;   // taps transformed in Perm layout, or null
  Ipp32s fftLen;            // -1 without an FFT path
  Ipp32s delayIndex;        // the window of the last tapsLen inputs starts here
  void* phaseTable;         // multi-rate fields, always null here
  void* multiRateTaps;
  Ipp32s reserved4;
  Ipp32s reserved5;
  Ipp32s delayLen;
  Ipp64f* blockBuffer;
  Ipp8u* work;
  Ipp32s workSize;
  Ipp64f* secondBuffer;
  Ipp64f* spare;
  Ipp32s ownsMemory;
};

IppStatus ippsFIRInitAlloc_64f(FIRState** state, const Ipp64f* taps, int tapsLen, const Ipp64f* delayLine);
IppStatus ippsFIRFree_64f(FIRState* state);
// src and dst may be the same array or overlap; the filter then reads a copy.
IppStatus ippsFIR_64f(const Ipp64f* src, Ipp64f* dst, int numIters, FIRState* state);
IppStatus ippsFIROne_64f(Ipp64f src, Ipp64f* dst, FIRState* state);

// Block forms of the single-sample step, for the audio filters on states
// made by ippsFIRInitAlloc_64f above.
//
// numIters single steps at once: dst and the state afterwards are exactly
// those of numIters ippsFIROne_64f calls (the same sums in the same order,
// four outputs per pass over the taps; never the FFT path). src and dst may
// overlap; the steps then run one by one. Checks as ippsFIR_64f.
IppStatus FIROneBlock_64f(const Ipp64f* src, Ipp64f* dst, int numIters, FIRState* state);

// For callers that round each output to an integer. A window is the
// tapsLen - 1 most recent inputs (FIRRecentInputs) followed by new ones;
// output k of the new inputs is the step over window[k .. k + tapsLen - 1].
//
//   FIRRecentInputs(state, w);               // w[0 .. L-2]
//   ... new inputs into w[L-1 .. L-2+n], none larger than m in magnitude ...
//   FIRWindowSumsNear(state, w, y, n);       // fast, within the bound
//   const double e = FIRNearBound(state, m);
//   FIRNearLevels(y, n, e, {offset, low, high}, level);
//   ... level[k] is the stored level of the exact output where the bound
//   ... decides it; where it is kFIRLevelUndecided, round
//   ... FIRWindowSum(state, w + k), the step's exact output, instead;
//   FIRAdvance(state, w, n);                 // as after n steps
void FIRRecentInputs(const FIRState* state, Ipp64f* dst);
// Exactly the single step's output for the window's tapsLen inputs.
Ipp64f FIRWindowSum(const FIRState* state, const Ipp64f* window);
// dst[k] = the same sums in double arithmetic, k < count: within
// FIRNearBound of FIRWindowSum(state, window + k) when every window value is
// at most maxAbsInput in magnitude (a non-finite dst[k] or bound says nothing).
void FIRWindowSumsNear(const FIRState* state, const Ipp64f* window, Ipp64f* dst, std::size_t count);
Ipp64f FIRNearBound(const FIRState* state, Ipp64f maxAbsInput);
// The state after count single steps on window[tapsLen - 1 .. tapsLen - 2 + count].
void FIRAdvance(FIRState* state, const Ipp64f* window, std::size_t count);


// The integer level an output y is stored at: y + offset rounded to the
// nearest integer, halves to even, clamped to [low, high] (whole numbers,
// low < high, both above the 32-bit minimum).
struct FIRLevelRange {
  Ipp64f offset, low, high;
};
// Never a level: low is above the 32-bit minimum.
inline constexpr Ipp32s kFIRLevelUndecided = INT32_MIN;
// level[k] = the level both ends of near[k] -+ bound give, and so every
// value between them (the level is monotonic); kFIRLevelUndecided where the
// ends differ or one is not a number. The same decisions whatever the
// rounding mode.
void FIRNearLevels(const Ipp64f* near, std::size_t count, Ipp64f bound, const FIRLevelRange& range, Ipp32s* level);

// The variants behind FIRWindowSumsNear and FIRNearLevels, picked at run
// time; each is exposed for the tests (AVX2 and AVX-512 only where the
// processor has them). Every variant of FIRNearLevels decides exactly as the
// plain one. The sums of Avx2 and Avx512 are the same fused multiply-adds
// in the same order, so equal.
enum class FIRNearVariant { Dispatched, Plain, Avx2, Avx512 };
bool FIRNearVariantAvailable(FIRNearVariant variant);
void FIRWindowSumsNear(const FIRState* state, const Ipp64f* window, Ipp64f* dst, std::size_t count,
                       FIRNearVariant variant);
void FIRNearLevels(const Ipp64f* near, std::size_t count, Ipp64f bound, const FIRLevelRange& range, Ipp32s* level,
                   FIRNearVariant variant);

}  // namespace tavrel::kernels
