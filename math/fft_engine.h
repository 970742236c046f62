#pragma once
// Internals of the FFT: the fixed-size kernels of 1, 2, 4 and 8 points, the
// table builders of an FFT plan and the complex engine. Exposed for the
// transforms in fft_*.cpp and for tests; callers use math/fft.h.
//
// Complex data are interleaved doubles; twiddle W_L^j = exp(-2*pi*i*j/L).
// Inverse routines use conjugated twiddles. The engine works in place on
// bit-reversed data and returns natural order.
#include <cstddef>
#include <memory>

#include "math/fft.h"

namespace tavrel::kernels {

// --- Fixed-size kernels ----------------------------------------------------
// 36 members: 0..11 interleaved complex, 12..23 split complex, 24..35 real
// (Perm layout). Within each layout: 1 point, 1 scaled, 2, 2 scaled, then for
// 4 and 8 points forward, inverse, forward scaled, inverse scaled. Unscaled
// members ignore the factor. src may equal dst.
using FixedComplexKernel = void (*)(const Ipp64fc* src, Ipp64fc* dst, Ipp64f factor);
using FixedSplitKernel = void (*)(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,
                                  Ipp64f* dstIm, Ipp64f factor);
using FixedRealKernel = void (*)(const Ipp64f* src, Ipp64f* dst, Ipp64f factor);

extern const FixedComplexKernel kFixedComplexKernels[12];
extern const FixedSplitKernel kFixedSplitKernels[12];
extern const FixedRealKernel kFixedRealKernels[12];

// Member index within a layout (0..11) for order 0..3, direction and scaling.
int FixedKernelIndex(int order, bool inverse, bool scaled);

// --- Specification tables ----------------------------------------------------
// Outer split exponent for complex orders 10..30 (0: no split).
int FFTSplitOrder(int m);

// s[k] = sin(2*pi*k/2^n), k = 0 .. 2^n/4.
void BuildSineTable(int n, Ipp64f* s);
// W_L^j with L = 2^l, read from the sine table of order n >= l.
Ipp64fc SineTableTwiddle(const Ipp64f* s, int n, int l, std::size_t j);
// Compressed bit-reversal table of complex order m >= 2: Q + 1 entries,
// Q = 2^(m-2): pairs (4i, 4r), 0, self-reversed 4i downwards from Q-1, 0.
void BuildBitReversalTable(int m, Ipp32s* table);
// L/4 + 1 items of (W_L^j, W_L^2j, W_L^3j).
void BuildRadix4Twiddles(const Ipp64f* s, int n, int l, Ipp64fc* table);

// --- Complex engine ----------------------------------------------------------
void BitReverseCopy(const Ipp64fc* src, Ipp64fc* dst, std::size_t points, const Ipp32s* table);
// The same permutation for 2^m points, m >= 6, out of place, in 8 x 8 tiles
// that read and write whole cache lines.
void BitReverseCopyTiled(const Ipp64fc* src, Ipp64fc* dst, int m);
void BitReverseInPlace(Ipp64fc* data, std::size_t points, const Ipp32s* table);
// The kernels a routine ...With runs: the chosen set where the machine has
// it, else the best it has below; the public routines pick the fastest.
// Only the depth-first plan has AVX-512 kernels; the other engines run
// their AVX ones for kAVX512. Every set gives the plain kernels' results.
enum class FFTKernelSet { kPlain, kAVX, kAVX512 };
FFTKernelSet FFTUsableKernelSet(FFTKernelSet wanted);
// The best set the machine has.
FFTKernelSet FFTFastestKernelSet();
// The radix-4 transform with a chosen stage kernel.
void FFTRadix4With(FFTKernelSet set, bool inverse, Ipp64fc* data, std::size_t points, const Ipp64fc* table);
// The radix-2 passes of the blocked 1024- and 2048-point plans that combine
// transformed 512-point blocks (table: the plan's combine twiddles).
void FFTCombinePassesWith(FFTKernelSet set, bool inverse, Ipp64fc* x, std::size_t L, const Ipp64fc* table);
// The real transforms' split pass (the half-length spectrum z of M bins, in
// place, into the real spectrum) and merge pass (back; dst may be src), with
// a chosen kernel set as above.
void RealSplitPassWith(FFTKernelSet set, Ipp64f* z, std::size_t M, const Ipp64fc* table);
void RealMergePassWith(FFTKernelSet set, const Ipp64f* src, Ipp64f* dst, std::size_t M, const Ipp64fc* table);
// A split level's column pass (R rows of K points, the level's column
// twiddles and R-point radix-4 table, a work area of 4 R values) likewise.
void FFTColumnPassWith(FFTKernelSet set, bool inverse, Ipp64fc* x, std::size_t R, std::size_t K,
                       const Ipp64fc* twiddles, const Ipp64fc* table, Ipp64fc* work);
// The depth-first radix-4 plan of complex orders kFFTDepthFirstMinOrder ..
// kFFTDepthFirstMaxOrder, which the transforms use instead of the radix-4,
// blocked and split plans; its table (FFTDepthFirstTableDoubles(m) values)
// follows the other twiddles in the plan's block.
inline constexpr int kFFTDepthFirstMinOrder = 5;
inline constexpr int kFFTDepthFirstMaxOrder = 20;
bool FFTHasDepthFirstPlan(int m);
std::size_t FFTDepthFirstTableDoubles(int m);
void BuildDepthFirstTable(const Ipp64f* s, int n, int m, Ipp64f* table);
// Unscaled transform of order m from natural-order src into dst (src != dst),
// or, when src is null, of dst in bit-reversed order in place.
void FFTDepthFirst(bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m, const Ipp64f* table);
void FFTDepthFirstWith(FFTKernelSet set, bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m,
                       const Ipp64f* table);
// Order m > 9; applies the plan's scaling for the direction itself.
void FFTLargeForward(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work);
void FFTLargeInverse(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work);

// Transform of bit-reversed data of complex order m >= 3 (radix-4 or large),
// scaled as the plan says for the direction.
void ComplexTransformInPlace(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work,
                             bool inverse);
// The same from natural-order src into dst: a bit-reversal pass first (in
// place when src == dst, and for split plans), or, for the other orders,
// first stages or leaves that read src in bit-reversed order directly.
void ComplexTransformInto(const FFTSpec* spec, const Ipp64fc* src, Ipp64fc* dst, int m, Ipp64fc* work,
                          bool inverse);

// The caller's work area from its next 16-byte boundary, or an own block when
// work is null; -9 when that block cannot be allocated.
class FFTWorkArea {
 public:
  // Inline: most plans have no work area, and the small transforms feel
  // every call.
  FFTWorkArea(const FFTSpec* spec, Ipp8u* work) {
    if (spec->workSize > 0) Take(spec, work);
  }
  ~FFTWorkArea() {
    if (owned_ != nullptr) Release();
  }
  FFTWorkArea(const FFTWorkArea&) = delete;
  FFTWorkArea& operator=(const FFTWorkArea&) = delete;
  bool failed() const { return failed_; }
  Ipp64fc* get() const { return area_; }

 private:
  void Take(const FFTSpec* spec, Ipp8u* work);
  void Release();
  void* owned_ = nullptr;
  Ipp64fc* area_ = nullptr;
  bool failed_ = false;
};

// Owns an FFT plan made by the InitAlloc routines; frees it by its kind.
struct FFTSpecDeleter {
  void operator()(FFTSpec* spec) const;
};
using FFTSpecPtr = std::unique_ptr<FFTSpec, FFTSpecDeleter>;

}  // namespace tavrel::kernels
