// The resize entry points: fix the pixel format and pick the driver.
#include "resample/resize.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "resample/resize_engine.h"
#include "resample/resize_work.h"

namespace tavrel {
namespace {

// Area averaging serves shrinking only; every other call goes to the
// general driver, which refuses what it does not know.
IppStatus Run(const ResizeImage& image, double xShift, double yShift, ResizeElement element,
              int channels, int interpolation) {
  if (interpolation == IPPI_INTER_SUPER && image.xFactor <= 1.0 && image.yFactor <= 1.0)
    return ResizeSupersample(image, element, channels);
  return ResizeGeneral(image, xShift, yShift, element, channels, interpolation);
}

IppStatus Resize(const void* src, IppiSize srcSize, int srcStep, IppiRect roi, void* dst,
                 int dstStep, IppiSize dstSize, double fx, double fy, int interpolation,
                 ResizeElement element, int channels) {
  return Run({src, srcSize, srcStep, roi, dst, dstStep, dstSize, fx, fy}, 0.0, 0.0, element,
             channels, interpolation);
}

// Real to int32 with the out-of-range values held at the ends, so far-away
// centres and huge factors give sizes the checks refuse.
int Saturate(double v) {
  if (std::isnan(v)) return INT_MIN;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(v);
}

}  // namespace

IppStatus ResizeCenterGeometry(IppiSize srcSize, IppiRect roi, IppiSize dstSize, double fx,
                               double fy, double cx, double cy, ResizeCenterResult& out) {
  if (IppStatus s = CheckResizeSizes(srcSize, roi, dstSize, fx, fy); s != ippStsNoErr) return s;
  // A centre that is nowhere puts the region nowhere in the destination.
  if (!std::isfinite(cx) || !std::isfinite(cy)) return ippStsWrongIntersectROI;

  const double w = std::min(roi.width, srcSize.width - roi.x);
  const double h = std::min(roi.height, srcSize.height - roi.y);
  const double W = dstSize.width, H = dstSize.height;
  const double left = W / 2.0 + fx * (roi.x - cx);
  const double top = H / 2.0 + fy * (roi.y - cy);
  const double x0 = std::max(0.0, std::ceil(left));
  const double y0 = std::max(0.0, std::ceil(top));
  out.dst.x = Saturate(x0);
  out.dst.y = Saturate(y0);
  out.dst.width = Saturate(std::trunc(std::min(W, left + fx * (roi.x + w))) - x0);
  out.dst.height = Saturate(std::trunc(std::min(H, top + fy * (roi.y + h))) - y0);
  out.src.width = Saturate(std::ceil(std::min(w, (W - left) / fx)));
  out.src.height = Saturate(std::ceil(std::min(h, (H - top) / fy)));
  const double sx = cx + (x0 - W / 2.0) / fx;
  const double sy = cy + (y0 - H / 2.0) / fy;
  out.src.x = Saturate(std::trunc(sx));
  out.src.y = Saturate(std::trunc(sy));
  out.xShift = sx - std::trunc(sx);
  out.yShift = sy - std::trunc(sy);
  return ippStsNoErr;
}

namespace kernels {

IppStatus ippiResize_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation) {
  return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                interpolation, ResizeElement::u8, 1);
}

IppStatus ippiResize_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation) {
  return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                interpolation, ResizeElement::u8, 3);
}

IppStatus ippiResize_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation) {
  return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                interpolation, ResizeElement::u8, 4);
}

IppStatus ippiResize_16u_C1R(const Ipp16u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                             Ipp16u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                             double yFactor, int interpolation) {
  return Resize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor,
                interpolation, ResizeElement::u16, 1);
}

IppStatus ippiResizeCenter_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, double xFactor, double yFactor,
                                  double xCenter, double yCenter, int interpolation) {
  if (!pDst) return ippStsNullPtrErr;
  ResizeCenterResult g;
  if (IppStatus s = ResizeCenterGeometry(srcSize, srcRoi, dstRoiSize, xFactor, yFactor, xCenter,
                                         yCenter, g);
      s != ippStsNoErr)
    return s;
  ResizeImage image{pSrc, srcSize, srcStep, g.src, pDst, dstStep, {g.dst.width, g.dst.height},
                    xFactor, yFactor};
  // Refuse before moving the destination pointer: a refused sub-rectangle
  // may lie anywhere.
  if (IppStatus s = CheckResizeArguments(image); s != ippStsNoErr) return s;
  image.dst = pDst + 4 * static_cast<std::ptrdiff_t>(g.dst.x) +
              static_cast<std::ptrdiff_t>(g.dst.y) * dstStep;
  return Run(image, g.xShift, g.yShift, ResizeElement::u8, 4, interpolation);
}

}  // namespace kernels
}  // namespace tavrel
