#pragma once
// Image resize under the published image-library names. Each routine checks
// its arguments, writes nothing when a check fails and returns an IppStatus:
// 0 done, 29 (a warning) when the region's origin lies outside the source
// so nothing was done, negative on an error.
//
//   IppiRect roi{0, 0, w, h};
//   IppStatus s = kernels::ippiResize_8u_C3R(src, {w, h}, srcStep, roi,
//                                            dst, dstStep, {w / 2, h / 2},
//                                            0.5, 0.5, IPPI_INTER_LINEAR);
//
// Interpolation: IPPI_INTER_NN, _LINEAR, _CUBIC, _LANCZOS, or _SUPER (area
// averaging, for factors up to 1). Steps are in bytes and may be zero or
// negative. The destination pointer addresses the destination region; only
// trunc(region size x factor) pixels of it (at least one, when the scaled
// region reaches half a pixel) are written.
#include "math/types.h"

namespace tavrel {

enum : int {
  IPPI_INTER_NN = 1,
  IPPI_INTER_LINEAR = 2,
  IPPI_INTER_CUBIC = 4,
  IPPI_INTER_SUPER = 8,
  IPPI_INTER_LANCZOS = 16,
};

namespace kernels {

IppStatus ippiResize_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation);
IppStatus ippiResize_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation);
IppStatus ippiResize_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation);
IppStatus ippiResize_16u_C1R(const Ipp16u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                             Ipp16u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                             double yFactor, int interpolation);

// Scales about a centre point: source point (xCenter, yCenter) lands on the
// middle of the destination region; the part of the region of interest that
// falls inside the destination is drawn there. A centre that is not finite
// lies nowhere: the call returns 29 and does nothing.
IppStatus ippiResizeCenter_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, double xFactor, double yFactor,
                                  double xCenter, double yCenter, int interpolation);

}  // namespace kernels
}  // namespace tavrel
