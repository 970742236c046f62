#include "platform/extended.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace tavrel {

namespace {

constexpr bool kNativeExtended = LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384;

}  // namespace

void LongDoubleToExtendedSoft(long double value, uint8_t out[10]) {
  uint64_t mant = 0;
  unsigned exp = 0;
  bool negative = std::signbit(value);
  if (std::isnan(value)) {
    exp = 0x7FFF;
    mant = 0xC000000000000000ull;
  } else if (std::isinf(value)) {
    exp = 0x7FFF;
    mant = 0x8000000000000000ull;
  } else if (value != 0) {
    int e;
    long double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
    int biased = e - 1 + 16383;
    if (biased <= 0) {  // below the normal range: shift into a denormal
      m = std::ldexp(m, biased - 1);
      biased = 0;
    }
    mant = uint64_t(std::ldexp(m, 64));
    exp = unsigned(biased);
  }
  for (int i = 0; i < 8; ++i) out[i] = uint8_t(mant >> (8 * i));
  uint16_t se = uint16_t(exp | (negative ? 0x8000u : 0u));
  out[8] = uint8_t(se);
  out[9] = uint8_t(se >> 8);
}

long double ExtendedToLongDoubleSoft(const uint8_t in[10]) {
  uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= uint64_t(in[i]) << (8 * i);
  unsigned se = unsigned(in[8]) | unsigned(in[9]) << 8;
  bool negative = se & 0x8000;
  int exp = int(se & 0x7FFF);
  long double v;
  if (exp == 0x7FFF)
    v = (mant << 1) ? std::numeric_limits<long double>::quiet_NaN() : std::numeric_limits<long double>::infinity();
  else
    v = std::ldexp((long double)mant, (exp ? exp : 1) - 16383 - 63);
  return negative ? -v : v;
}

void LongDoubleToExtended(long double value, uint8_t out[10]) {
  if constexpr (kNativeExtended)
    std::memcpy(out, &value, 10);
  else
    LongDoubleToExtendedSoft(value, out);
}

long double ExtendedToLongDouble(const uint8_t in[10]) {
  if constexpr (kNativeExtended) {
    long double v = 0;
    std::memcpy(&v, in, 10);
    return v;
  } else {
    return ExtendedToLongDoubleSoft(in);
  }
}

}  // namespace tavrel
