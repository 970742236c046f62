// Straight-line transforms of 1, 2, 4 and 8 points. Every input is read
// before any output is written, so src may equal dst. A scaled member
// multiplies the first-stage values by the factor and nothing else.
#include "math/fft_engine.h"

namespace tavrel::kernels {
namespace {

constexpr double kHalfSqrt2 = 0.7071067811865476;  // sqrt(1/2)
constexpr double kSqrt2 = 1.4142135623730951;

struct Cx {
  double re, im;
};
inline Cx operator+(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx operator-(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
inline Cx Scale(Cx a, double f) { return {f * a.re, f * a.im}; }

template <bool Scaled>
inline Cx First(Cx v, double f) {
  return Scaled ? Scale(v, f) : v;
}
template <bool Scaled>
inline double First(double v, double f) {
  return Scaled ? f * v : v;
}

template <int Points, bool Inverse, bool Scaled>
void ComplexPoints(const Cx* x, Cx* y, double f) {
  if constexpr (Points == 1) {
    y[0] = First<Scaled>(x[0], f);
  } else if constexpr (Points == 2) {
    y[0] = First<Scaled>(x[0] + x[1], f);
    y[1] = First<Scaled>(x[0] - x[1], f);
  } else if constexpr (Points == 4) {
    const Cx s0 = First<Scaled>(x[0] + x[2], f), s1 = First<Scaled>(x[1] + x[3], f);
    const Cx d0 = First<Scaled>(x[0] - x[2], f), d1 = First<Scaled>(x[1] - x[3], f);
    y[0] = s0 + s1;
    y[2] = s0 - s1;
    const Cx minusI{d0.re + d1.im, d0.im - d1.re};  // d0 - i*d1
    const Cx plusI{d0.re - d1.im, d0.im + d1.re};   // d0 + i*d1
    y[1] = Inverse ? plusI : minusI;
    y[3] = Inverse ? minusI : plusI;
  } else {
    const Cx even[4] = {x[0], x[2], x[4], x[6]};
    const Cx odd[4] = {x[1], x[3], x[5], x[7]};
    Cx e[4], o[4];
    ComplexPoints<4, Inverse, Scaled>(even, e, f);
    ComplexPoints<4, Inverse, Scaled>(odd, o, f);
    const double c = kHalfSqrt2;
    Cx t[4];
    t[0] = o[0];
    if constexpr (!Inverse) {
      t[1] = {c * (o[1].re + o[1].im), c * (o[1].im - o[1].re)};
      t[2] = {o[2].im, -o[2].re};
      t[3] = {(-c) * (o[3].re - o[3].im), (-c) * (o[3].re + o[3].im)};
    } else {
      t[1] = {c * (o[1].re - o[1].im), c * (o[1].re + o[1].im)};
      t[2] = {-o[2].im, o[2].re};
      t[3] = {(-c) * (o[3].re + o[3].im), (-c) * (o[3].im - o[3].re)};
    }
    for (int k = 0; k < 4; ++k) {
      y[k] = e[k] + t[k];
      y[k + 4] = e[k] - t[k];
    }
  }
}

template <int Points, bool Inverse, bool Scaled>
void FixedComplex(const Ipp64fc* src, Ipp64fc* dst, Ipp64f f) {
  Cx x[Points], y[Points];
  for (int k = 0; k < Points; ++k) x[k] = {src[k].re, src[k].im};
  ComplexPoints<Points, Inverse, Scaled>(x, y, f);
  for (int k = 0; k < Points; ++k) dst[k] = {y[k].re, y[k].im};
}

template <int Points, bool Inverse, bool Scaled>
void FixedSplit(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm, Ipp64f f) {
  Cx x[Points], y[Points];
  for (int k = 0; k < Points; ++k) x[k] = {srcRe[k], srcIm[k]};
  ComplexPoints<Points, Inverse, Scaled>(x, y, f);
  for (int k = 0; k < Points; ++k) {
    dstRe[k] = y[k].re;
    dstIm[k] = y[k].im;
  }
}

// Real forward kernels write Perm layout; inverse kernels read it.
template <int Points, bool Inverse, bool Scaled>
void FixedReal(const Ipp64f* x, Ipp64f* y, Ipp64f f) {
  if constexpr (Points == 1) {
    y[0] = First<Scaled>(x[0], f);
  } else if constexpr (Points == 2) {
    const double a = x[0], b = x[1];
    y[0] = First<Scaled>(a + b, f);
    y[1] = First<Scaled>(a - b, f);
  } else if constexpr (Points == 4 && !Inverse) {
    const double e = First<Scaled>(x[0] + x[2], f), g = First<Scaled>(x[1] + x[3], f);
    const double r1 = First<Scaled>(x[0] - x[2], f), i1 = First<Scaled>(x[3] - x[1], f);
    y[0] = e + g;
    y[1] = e - g;
    y[2] = r1;
    y[3] = i1;
  } else if constexpr (Points == 4) {
    const double e = First<Scaled>(x[0] + x[1], f), d = First<Scaled>(x[0] - x[1], f);
    const double r1 = First<Scaled>(2.0 * x[2], f), i1 = First<Scaled>(2.0 * x[3], f);
    y[0] = e + r1;
    y[2] = e - r1;
    y[1] = d - i1;
    y[3] = d + i1;
  } else if constexpr (!Inverse) {
    const double c = kHalfSqrt2;
    const double a = First<Scaled>(x[0] - x[4], f), e = First<Scaled>(x[0] + x[4], f);
    const double b = First<Scaled>(x[2] - x[6], f), g = First<Scaled>(x[2] + x[6], f);
    const double v = First<Scaled>(x[1] - x[5], f), r = First<Scaled>(x[1] + x[5], f);
    const double w = First<Scaled>(x[3] - x[7], f), o = First<Scaled>(x[3] + x[7], f);
    y[0] = (e + g) + (r + o);
    y[1] = (e + g) - (r + o);
    y[2] = a + c * (v - w);
    y[3] = (-c) * (v + w) - b;
    y[4] = e - g;
    y[5] = o - r;
    y[6] = a - c * (v - w);
    y[7] = b + (-c) * (v + w);
  } else {
    const double q2 = kSqrt2;
    const double p = First<Scaled>(x[0] + x[1], f), q = First<Scaled>(x[0] - x[1], f);
    const double E = First<Scaled>(2.0 * x[4], f), F = First<Scaled>(2.0 * x[5], f);
    const double A = First<Scaled>(x[2] + x[6], f), u = First<Scaled>(x[2] - x[6], f);
    const double v = First<Scaled>(x[3] + x[7], f), D = First<Scaled>(x[3] - x[7], f);
    y[0] = (p + E) + 2.0 * A;
    y[4] = (p + E) - 2.0 * A;
    y[2] = (p - E) - 2.0 * D;
    y[6] = (p - E) + 2.0 * D;
    y[1] = (q - F) + q2 * (u - v);
    y[5] = (q - F) - q2 * (u - v);
    y[3] = (q + F) + (-q2) * (u + v);
    y[7] = (q + F) - (-q2) * (u + v);
  }
}

}  // namespace

#define TAVREL_FIXED_FAMILY(K)                                                          \
  {                                                                                     \
    K<1, false, false>, K<1, false, true>, K<2, false, false>, K<2, false, true>,       \
        K<4, false, false>, K<4, true, false>, K<4, false, true>, K<4, true, true>,     \
        K<8, false, false>, K<8, true, false>, K<8, false, true>, K<8, true, true>      \
  }

const FixedComplexKernel kFixedComplexKernels[12] = TAVREL_FIXED_FAMILY(FixedComplex);
const FixedSplitKernel kFixedSplitKernels[12] = TAVREL_FIXED_FAMILY(FixedSplit);
const FixedRealKernel kFixedRealKernels[12] = TAVREL_FIXED_FAMILY(FixedReal);

#undef TAVREL_FIXED_FAMILY

int FixedKernelIndex(int order, bool inverse, bool scaled) {
  if (order < 2) return 2 * order + (scaled ? 1 : 0);
  return 4 + 4 * (order - 2) + (inverse ? 1 : 0) + (scaled ? 2 : 0);
}

}  // namespace tavrel::kernels
