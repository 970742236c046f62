#pragma once
// Window functions and the Jaehne ramp.
//
//   std::vector<double> taps = ...;
//   if (kernels::ippsWinHamming_64f_I(taps.data(), int(taps.size())) != ippStsNoErr) ...
//   kernels::ippsWinKaiser_64f_I(taps.data(), n, 5.0f);   // -39 when too wide
//
// Windows are symmetric: element k and N-1-k get one weight, computed once;
// the middle element of an odd length is copied, never multiplied. The fixed
// windows need N >= 3, Kaiser N >= 1. Errors leave the output untouched.
#include "math/types.h"

namespace tavrel::kernels {

IppStatus ippsWinBartlett_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsWinBartlett_64f(const Ipp64f* src, Ipp64f* dst, int len);
IppStatus ippsWinBartlett_64fc_I(Ipp64fc* srcDst, int len);

IppStatus ippsWinBlackman_64f_I(Ipp64f* srcDst, int len, Ipp64f alpha);
IppStatus ippsWinBlackman_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f alpha);
IppStatus ippsWinBlackman_64fc_I(Ipp64fc* srcDst, int len, Ipp64f alpha);

IppStatus ippsWinHamming_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsWinHamming_64f(const Ipp64f* src, Ipp64f* dst, int len);
IppStatus ippsWinHamming_64fc_I(Ipp64fc* srcDst, int len);

IppStatus ippsWinHann_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsWinHann_64f(const Ipp64f* src, Ipp64f* dst, int len);
IppStatus ippsWinHann_64fc_I(Ipp64fc* srcDst, int len);

// alpha is single precision, as published; 0.5*|alpha|*(len-1) > 308 gives -39.
IppStatus ippsWinKaiser_64f_I(Ipp64f* srcDst, int len, Ipp32f alpha);
IppStatus ippsWinKaiser_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp32f alpha);
IppStatus ippsWinKaiser_64fc_I(Ipp64fc* srcDst, int len, Ipp32f alpha);

// dst[n] = magnitude * sin((pi/2/len) * n * n); len 1 writes 0.0; magnitude < 0 gives -38.
IppStatus ippsVectorJaehne_64f(Ipp64f* dst, int len, Ipp64f magnitude);

// The modified Bessel function I0 by the fixed piecewise polynomial the
// Kaiser window uses (I0(0) = 0.9999999985, not 1).
double BesselI0(long double x);

}  // namespace tavrel::kernels
