#include "math/windows.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "math/kernel_support.h"
#include "math/runtime.h"
#include "math/statistics.h"

namespace tavrel::kernels {
namespace {

using support::Ext;

// The three forms of every window: in place on reals, source to destination,
// in place on complex values (both parts get the weight).
struct InPlaceReal {
  Ipp64f* data;
  void Scale(int i, Ext w) const { data[i] = static_cast<double>(data[i] * w); }
  void Zero(int i) const { data[i] = 0.0; }
  void Keep(int) const {}
};
struct SourceToDest {
  const Ipp64f* src;
  Ipp64f* dst;
  void Scale(int i, Ext w) const { dst[i] = static_cast<double>(src[i] * w); }
  void Zero(int i) const { dst[i] = 0.0; }
  void Keep(int i) const { dst[i] = src[i]; }
};
struct InPlaceComplex {
  Ipp64fc* data;
  void Scale(int i, Ext w) const {
    data[i].re = static_cast<double>(data[i].re * w);
    data[i].im = static_cast<double>(data[i].im * w);
  }
  void Zero(int i) const { data[i] = {0.0, 0.0}; }
  void Keep(int) const {}
};

template <class Form>
void ScalePair(const Form& form, int len, int k, Ext w) {
  form.Scale(k, w);
  form.Scale(len - 1 - k, w);
}

// Pairs 0..M-1, the extra pair of an even length, the kept middle of an odd
// one. weight(k) is called once per pair, in increasing k.
template <class Form, class Weights>
void ApplySymmetric(const Form& form, int len, Weights&& weight) {
  const int m = (len - 1) / 2;
  for (int k = 0; k < m; ++k) ScalePair(form, len, k, weight(k));
  if (len % 2 == 0) {
    ScalePair(form, len, m, weight(m));
  } else {
    form.Keep(m);
  }
}

template <class Form>
void Bartlett(const Form& form, int len) {
  form.Zero(0);
  form.Zero(len - 1);
  const int m = (len - 1) / 2;
  if (len == 3) {
    form.Keep(1);
    return;
  }
  // Repeated addition rather than k*delta: the weights are a running sum.
  const Ext delta = 2.0L / static_cast<Ext>(len - 1);
  Ext e = 0.0L;
  for (int k = 1; k < m; ++k) {
    e += delta;
    ScalePair(form, len, k, e);
  }
  if (len % 2 == 0) {
    ScalePair(form, len, m, e + delta);
  } else {
    form.Keep(m);
  }
}

// cos(2*pi*k/(N-1)) by rotation: one cosine per call, the sine of the step
// derived from its cosine.
class CosineRotation {
 public:
  explicit CosineRotation(int len) {
    c_ = CCos(2.0 * std::numbers::pi / static_cast<double>(len - 1));
    s_ = CSqrt(static_cast<double>(1.0L - static_cast<Ext>(c_) * c_));
  }
  Ext Next() {  // the cosine of the current angle, then one step on
    const Ext out = cos_;
    const Ext nc = c_ * cos_ - s_ * sin_;
    sin_ = s_ * cos_ + c_ * sin_;
    cos_ = nc;
    return out;
  }

 private:
  Ext c_, s_;
  Ext cos_ = 1.0L, sin_ = 0.0L;
};

template <class Form>
void Hamming(const Form& form, int len) {
  CosineRotation rot(len);
  ApplySymmetric(form, len, [&](int) { return 0.54 - 0.46 * rot.Next(); });
}

template <class Form>
void Hann(const Form& form, int len) {
  CosineRotation rot(len);
  ApplySymmetric(form, len, [&](int) { return 0.5 - 0.5 * rot.Next(); });
}

template <class Form>
void Blackman(const Form& form, int len, double alpha) {
  if (len == 3) {
    form.Zero(0);
    form.Zero(2);
    form.Keep(1);
    return;
  }
  const double a = 0.5 * (1.0 + alpha);
  const double b = 0.5 * alpha;
  CosineRotation rot(len);
  ApplySymmetric(form, len, [&](int) {
    const Ext c = rot.Next();
    return a - 0.5L * c - b * (2.0L * c * c - 1.0L);
  });
}

template <class Form>
IppStatus Kaiser(const Form& form, int len, float alpha) {
  const int c = len - 1;
  if (0.5 * (std::fabs(static_cast<double>(alpha)) * c) > 308.0) return ippStsHugeWinErr;
  if (len == 1) {
    form.Keep(0);
    return ippStsNoErr;
  }
  const Ext d = BesselI0(0.5L * (static_cast<Ext>(alpha) * c));
  const Ext r = 1.0L / d;
  // k*(c-k) in 64 bits: a 32-bit product wraps once len passes about 92682.
  std::int64_t kc = 0;
  for (int k = 0; k < len / 2; ++k) {
    const std::int64_t q = kc - static_cast<std::int64_t>(k) * k;
    kc += c;
    double root = static_cast<double>(q);
    ippsSqrt_64f_I(&root, 1);
    const Ext w = static_cast<Ext>(BesselI0(static_cast<Ext>(alpha) * root)) * r;
    ScalePair(form, len, k, w);
  }
  if (len % 2 == 1) form.Keep(len / 2);
  return ippStsNoErr;
}

// Argument checks shared by the fixed windows; nothing is written on failure.
inline IppStatus CheckFixed(const void* a, const void* b, int len) {
  if (a == nullptr || b == nullptr) return ippStsNullPtrErr;
  if (len < 3) return ippStsSizeErr;
  return ippStsNoErr;
}

inline IppStatus CheckKaiser(const void* a, const void* b, int len) {
  if (a == nullptr || b == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  return ippStsNoErr;
}

// Horner evaluation of c[0] + t*(c[1] + t*(...)) in extended precision.
template <std::size_t N>
Ext Horner(const double (&c)[N], Ext t) {
  Ext acc = c[N - 1];
  for (std::size_t i = N - 1; i-- > 0;) acc = c[i] + t * acc;
  return acc;
}

}  // namespace

double BesselI0(long double x) {
  static constexpr double kSmall[] = {0.9999999985, 4.0000001935, 3.9999959541, 1.777809969,
                                      0.4443189384, 0.0713758187, 0.0075942968, 0.0008267816};
  static constexpr double kLarge[] = {0.3989422809,  0.0124667783,  0.0017623668, 0.00026,
                                      0.0022585672,  -0.0128314822, 0.0495811118, -0.1209940805,
                                      0.1895476618,  -0.1867783276, 0.1113315511, -0.0366694767,
                                      0.0051246015};
  const Ext a = std::fabs(x);
  if (a < 4.0L) {
    const Ext q = a * 0.25L;
    return static_cast<double>(Horner(kSmall, q * q));
  }
  const double p = static_cast<double>(Horner(kLarge, 4.0L / a));
  const double ad = static_cast<double>(a);
  double e = 0.0;
  ippsExp_64f(&ad, &e, 1);
  return static_cast<double>(static_cast<Ext>(p) * e / std::sqrt(static_cast<Ext>(ad)));
}

#define TAVREL_FIXED_WINDOW(Name, Impl)                                          \
  IppStatus ippsWin##Name##_64f_I(Ipp64f* srcDst, int len) {                     \
    if (IppStatus st = CheckFixed(srcDst, srcDst, len)) return st;               \
    Impl(InPlaceReal{srcDst}, len);                                              \
    return ippStsNoErr;                                                          \
  }                                                                              \
  IppStatus ippsWin##Name##_64f(const Ipp64f* src, Ipp64f* dst, int len) {       \
    if (IppStatus st = CheckFixed(src, dst, len)) return st;                     \
    Impl(SourceToDest{src, dst}, len);                                           \
    return ippStsNoErr;                                                          \
  }                                                                              \
  IppStatus ippsWin##Name##_64fc_I(Ipp64fc* srcDst, int len) {                   \
    if (IppStatus st = CheckFixed(srcDst, srcDst, len)) return st;               \
    Impl(InPlaceComplex{srcDst}, len);                                           \
    return ippStsNoErr;                                                          \
  }

TAVREL_FIXED_WINDOW(Bartlett, Bartlett)
TAVREL_FIXED_WINDOW(Hamming, Hamming)
TAVREL_FIXED_WINDOW(Hann, Hann)
#undef TAVREL_FIXED_WINDOW

IppStatus ippsWinBlackman_64f_I(Ipp64f* srcDst, int len, Ipp64f alpha) {
  if (IppStatus st = CheckFixed(srcDst, srcDst, len)) return st;
  Blackman(InPlaceReal{srcDst}, len, alpha);
  return ippStsNoErr;
}
IppStatus ippsWinBlackman_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f alpha) {
  if (IppStatus st = CheckFixed(src, dst, len)) return st;
  Blackman(SourceToDest{src, dst}, len, alpha);
  return ippStsNoErr;
}
IppStatus ippsWinBlackman_64fc_I(Ipp64fc* srcDst, int len, Ipp64f alpha) {
  if (IppStatus st = CheckFixed(srcDst, srcDst, len)) return st;
  Blackman(InPlaceComplex{srcDst}, len, alpha);
  return ippStsNoErr;
}

IppStatus ippsWinKaiser_64f_I(Ipp64f* srcDst, int len, Ipp32f alpha) {
  if (IppStatus st = CheckKaiser(srcDst, srcDst, len)) return st;
  return Kaiser(InPlaceReal{srcDst}, len, alpha);
}
IppStatus ippsWinKaiser_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp32f alpha) {
  if (IppStatus st = CheckKaiser(src, dst, len)) return st;
  return Kaiser(SourceToDest{src, dst}, len, alpha);
}
IppStatus ippsWinKaiser_64fc_I(Ipp64fc* srcDst, int len, Ipp32f alpha) {
  if (IppStatus st = CheckKaiser(srcDst, srcDst, len)) return st;
  return Kaiser(InPlaceComplex{srcDst}, len, alpha);
}

IppStatus ippsVectorJaehne_64f(Ipp64f* dst, int len, Ipp64f magnitude) {
  if (dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (magnitude < 0.0) return ippStsJaehneErr;
  if (len == 1) {
    dst[0] = 0.0;
    return ippStsNoErr;
  }
  const double q = (std::numbers::pi / 2.0) / len;
  for (int n = 0; n < len; ++n) {
    const double angle = (q * n) * n;
    dst[n] = magnitude * CSin(angle);
  }
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
