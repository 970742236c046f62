#pragma once
// A buffer of 32-bit signed integers: saturating arithmetic, remainders,
// bit operations and shifts, with a buffer or a constant (the family
// conventions are in SLRealBuffer.h).
//
//   auto b = TSLIntegerBuffer::CreateValue(-8, 4);
//   b->RShiftValue(1);                 // -4: arithmetic
//   b->ModValue(3);                    // -1: the sign of the dividend
//
// Integer division tests every divisor before any element changes and
// raises EDivByZero (math/buffer_helpers.h) with the buffer unchanged;
// INT_MIN / -1 gives INT_MAX and INT_MIN mod -1 gives 0. DivideValue by 0
// or 1 does nothing.
#include <cstdint>

#include "signal/SLLinearBuffer.h"

namespace tavrel {

class TSLIntegerBuffer : public TSLTypedBuffer<int32_t, TSLIntegerBuffer> {
 public:
  using TSLTypedBuffer::TSLTypedBuffer;

  static Ref<TSLIntegerBuffer> CreateValue(int32_t AValue, uint64_t ASize,
                                           TSLSmartBufferManager& pool = GlobalBufferManager());

  // ERangeError "Index out of range = %u"; SetItem has made the data
  // private when it raises.
  int32_t GetItem(int32_t Index) const;
  void SetItem(int32_t Index, int32_t Value);

  void Add(const TSLIntegerBuffer& Right);       // saturating
  void Subtract(const TSLIntegerBuffer& Right);
  void Multiply(const TSLIntegerBuffer& Right);
  void Divide(const TSLIntegerBuffer& Right);    // the routine's rule for 0
  void ModBuffer(const TSLIntegerBuffer& Right); // truncating
  void AndBuffer(const TSLIntegerBuffer& Right);
  void OrBuffer(const TSLIntegerBuffer& Right);
  void XorBuffer(const TSLIntegerBuffer& Right);
  // By the low 5 bits of each count; RShift is logical.
  void LShift(const TSLIntegerBuffer& Right);
  void RShift(const TSLIntegerBuffer& Right);

  void SetValue(int32_t AValue);
  void AddValue(int32_t AValue);        // 0 does nothing
  void SubtractValue(int32_t AValue);   // runs for 0 as well
  void MultiplyValue(int32_t AValue);   // 1 does nothing
  void DivideValue(int32_t AValue);
  void ModValue(int32_t AValue);
  void AndValue(int32_t AValue);
  void OrValue(int32_t AValue);
  void XorValue(int32_t AValue);
  // Counts above 31 give 0 (left) or the sign (right, arithmetic).
  void LShiftValue(int32_t AValue);
  void RShiftValue(int32_t AValue);
  void Zero();

  int32_t Dot(const TSLIntegerBuffer& Right) const;  // saturated
  int32_t GetMinValue() const;  // 0 when empty
  int32_t GetMaxValue() const;
};

}  // namespace tavrel
