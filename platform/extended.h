#pragma once
// The 80-bit x87 extended format of form data: 10 bytes, low-order byte
// first (64-bit mantissa with explicit integer bit, 15-bit exponent biased
// by 16383, sign). 0 is ten zero bytes.
//
//   uint8_t b[10];
//   LongDoubleToExtended(1.5L, b);
//   long double v = ExtendedToLongDouble(b);
//
// Where long double is that very format (x86-64 with g++) the bytes are
// copied; elsewhere the Soft versions, also built everywhere for tests,
// convert bit by bit.
#include <cstdint>

namespace tavrel {

void LongDoubleToExtended(long double value, uint8_t out[10]);
long double ExtendedToLongDouble(const uint8_t in[10]);

void LongDoubleToExtendedSoft(long double value, uint8_t out[10]);
long double ExtendedToLongDoubleSoft(const uint8_t in[10]);

}  // namespace tavrel
