#pragma once
// A buffer of doubles with element-wise arithmetic, conversions,
// statistics, thresholds, correlation and convolution.
//
//   auto x = TSLRealBuffer::CreateValue(1.5, 512);
//   auto y = RefCast<TSLRealBuffer>(x->MakeCopy());   // shares, copies nothing
//   y->MultiplyValue(2.0);                              // y gets its own copy
//   double m = y->Mean();
//
// Conventions of the typed buffers (real, integer, complex, matrix, block):
// an operation X works in place (Modify); XFrom(Src) writes the result of
// Src into this buffer (Write); two-buffer operations cover the smaller
// size. Neutral constants (adding 0, multiplying or dividing by 1) do
// nothing and keep a shared container shared. A routine that refuses its
// arguments leaves the buffer as it was. A source that must hold at least
// Size elements (ThresholdFrom, AutoCorr, Norm) raises ERangeError "Index
// out of range = <its size>" when it is shorter.
#include <cstdint>

#include "signal/SLLinearBuffer.h"

namespace tavrel {

enum class TSLThresholdType : uint8_t { ttGreaterThan, ttLessThan };
enum class TSLAutoCorrType : uint8_t { actNormal, actBiased, actUnbiased };
enum class TSLNormType : uint8_t { ntL1Norm, ntL2Norm, ntCNorm };

// The values the restricted minimum and maximum skip.
inline constexpr double kRealMarkerLow = -1.7e308, kRealMarkerHigh = 1.7e308;

class TSLRealMatrixBuffer;

// After an element division that met zero divisors: a positive quotient
// becomes 1e15, another -1e14, and where no comparison can be made (0/0,
// a NaN divisor) 0.0.
void RealZeroDivisorPass(const double* divisors, double* quotients, int n);

class TSLRealBuffer : public TSLTypedBuffer<double, TSLRealBuffer> {
 public:
  using TSLTypedBuffer::TSLTypedBuffer;

  static Ref<TSLRealBuffer> CreateValue(double AValue, uint64_t ASize,
                                        TSLSmartBufferManager& pool = GlobalBufferManager());
  // Typed data, each value to the nearest double (exact up to 32 bits).
  static Ref<TSLRealBuffer> CreateWordData(const uint16_t* AData, uint32_t ASize,
                                           TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealBuffer> CreateSmallIntData(const int16_t* AData, uint32_t ASize,
                                               TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealBuffer> CreateCardinalData(const uint32_t* AData, uint32_t ASize,
                                               TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealBuffer> CreateIntegerData(const int32_t* AData, uint32_t ASize,
                                              TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealBuffer> CreateInt64Data(const int64_t* AData, uint32_t ASize,
                                            TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealBuffer> CreateUInt64Data(const uint64_t* AData, uint32_t ASize,
                                             TSLSmartBufferManager& pool = GlobalBufferManager());
  // The rows of a matrix, in order.
  static Ref<TSLRealBuffer> CreateBufferArray(const TSLRealMatrixBuffer& Other);
  static Ref<TSLRealBuffer> CreateSingleData(const float* AData, uint32_t ASize,
                                             TSLSmartBufferManager& pool = GlobalBufferManager());

  // ERangeError "Index out of range = %u"; SetItem has made the data
  // private when it raises.
  double GetItem(int32_t Index) const;
  void SetItem(int32_t Index, double Value);

  void VectorJaehne(double AMagnitude);
  void Add(const TSLRealBuffer& Right);
  void Subtract(const TSLRealBuffer& Right);
  void Multiply(const TSLRealBuffer& Right);
  // Where the divisor is 0.0: a positive quotient becomes 1e15, another
  // -1e14, and 0/0 (or a NaN divisor) 0.0.
  void Divide(const TSLRealBuffer& Right);
  void SetValue(double AValue);
  void AddValue(double AValue);
  void SubtractValue(double AValue);
  void MultiplyValue(double AValue);
  void DivideValue(double AValue);  // 0.0 and 1.0 change nothing
  void Zero();

  // Size elements out or in. ToInt and ToShort saturate (NaN gives 0);
  // ARound rounds to nearest, ties to even, else truncates.
  void ToInt(int32_t* OutBuffer, bool ARound) const;
  void ToShort(int16_t* OutBuffer, bool ARound) const;
  void ToSingle(float* OutBuffer) const;
  void FromInt(const int32_t* InBuffer);
  void FromShort(const int16_t* InBuffer);
  void FromSingle(const float* InBuffer);

  // element := (Src element - Offset) / Factor; a Factor of 0 changes nothing.
  void NormalizeFrom(const TSLRealBuffer& Src, double Offset, double Factor);
  void Normalize(double Offset, double Factor);
  double Dot(const TSLRealBuffer& Right) const;
  void Threshold(double AThreshold, TSLThresholdType AType);
  void ThresholdFrom(const TSLRealBuffer& Src, double AThreshold, TSLThresholdType AType);
  void Sqr();
  void SqrFrom(const TSLRealBuffer& Src);
  void Sqrt();
  void SqrtFrom(const TSLRealBuffer& Src);
  void Abs();
  void AbsFrom(const TSLRealBuffer& Src);
  void Exp();
  void ExpFrom(const TSLRealBuffer& Src);
  void Ln();
  void LnFrom(const TSLRealBuffer& Src);
  // Size lags of the first Size elements of Src.
  void AutoCorr(const TSLRealBuffer& Src, TSLAutoCorrType AType);
  // Element k = cross-correlation at lag LoLag + k.
  void CrossCorr(const TSLRealBuffer& Src1, const TSLRealBuffer& Src2, int LoLag);
  double Mean() const;    // 0.0 when empty
  double StdDev() const;  // 0.0 below 2 elements
  // The full linear convolution; this buffer gets Src + H - 1 elements, or
  // none when either is empty.
  void Convolve(const TSLRealBuffer& Src, const TSLRealBuffer& H);
  // The norm of Src - this over Size elements.
  double Norm(const TSLRealBuffer& Src, TSLNormType AType) const;
  double GetMinValue() const;
  double GetMaxValue() const;
  double GetMinIndex(int& AIndex) const;
  double GetMaxIndex(int& AIndex) const;
  // From IndexBegin up to, not including, IndexEnd, clamped to the buffer.
  double GetMin(int IndexBegin, int IndexEnd) const;
  double GetMax(int IndexBegin, int IndexEnd) const;
  // IndexBegin to IndexEnd included, skipping the two markers; 0.0 when
  // the range holds no other value.
  double GetMinRestricted(int IndexBegin, int IndexEnd) const;
  double GetMaxRestricted(int IndexBegin, int IndexEnd) const;
};

}  // namespace tavrel
