#pragma once
// Pixel routines on 8-bit images: alpha compositing of four-channel
// images, four-channel copy, a per-channel piecewise-linear look-up and
// mirroring of three- and four-channel images. (The four-channel fill,
// ippiSet_8u_C4R, is in math/runtime.h.)
//
//   kernels::ippiAlphaComp_8u_AC4R(a, aStep, b, bStep, out, outStep, {w, h}, ippAlphaOver);
//   kernels::ippiMirror_8u_C3IR(rgb, step, {w, h}, ippAxsBoth);
//
// Steps are in bytes. Checks: null -8, width/height <= 0 -6, then the
// routine's own (the look-up checks its levels before the size). Nothing is
// written when a check fails.
#include "math/types.h"

namespace tavrel::kernels {

// Types 0..5 weight plain colours by their alpha, 6..11 take premultiplied
// colours; any other type gives -50.
IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* src1, int src1Step, const Ipp8u* src2, int src2Step,
                                Ipp8u* dst, int dstStep, IppiSize roi, IppiAlphaType alphaType);
// Copies width * 4 bytes per row; the steps are not checked.
IppStatus ippiCopy_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
// One 256-entry table per channel from levels/values (nLevels[c] >= 2, else
// -106); later segments overwrite earlier ones. Levels outside 0..256 are
// clamped to the table.
IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                                IppiSize roi, const Ipp32s* values[4], const Ipp32s* levels[4],
                                int nLevels[4]);
// Axis 0 reverses the rows, 1 the pixels of each row, 2 both; others give -21.
IppStatus ippiMirror_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                            IppiAxis flip);
IppStatus ippiMirror_8u_C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                            IppiAxis flip);
IppStatus ippiMirror_8u_C3IR(Ipp8u* srcDst, int srcDstStep, IppiSize roi, IppiAxis flip);

// x / 255 rounded down, for 0 <= x <= 255 * 255, by shifts only.
constexpr int DivideBy255(int x) { return (x + (x >> 8) + 1) >> 8; }

}  // namespace tavrel::kernels
