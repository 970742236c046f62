#pragma once
// A buffer of complex doubles, real part first (the family conventions are
// in SLRealBuffer.h). Real parts, imaginary parts, phases, magnitudes and
// power spectra come out as new real buffers.
//
//   auto z = TSLComplexBuffer::Create();
//   z->SetBuffer(*re, *im);                     // the smaller of the two sizes
//   Ref<TSLRealBuffer> mag = z->Magnitude();
//
// Differences from the real buffer: CopyRange counts bytes; no constant is
// treated as neutral; Mean averages the absolute values of each part
// separately (it is not the complex mean).
#include <cstdint>

#include "math/types.h"
#include "signal/SLRealBuffer.h"

namespace tavrel {

struct TOWRealComplex {
  double Real;
  double Imaginary;
  friend bool operator==(const TOWRealComplex&, const TOWRealComplex&) = default;
};
static_assert(sizeof(TOWRealComplex) == sizeof(Ipp64fc));

class TSLComplexBuffer : public TSLTypedBuffer<TOWRealComplex, TSLComplexBuffer> {
 public:
  using TSLTypedBuffer::TSLTypedBuffer;

  static Ref<TSLComplexBuffer> CreateValue(const TOWRealComplex& AValue, uint64_t ASize,
                                           TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLComplexBuffer> CreateValue(double AReal, double AImag, uint64_t ASize,
                                           TSLSmartBufferManager& pool = GlobalBufferManager());

  // Bytes, as the generic copy counts them.
  void CopyRange(uint32_t offset, TSLGenericBuffer& target, uint32_t targetOffset,
                 uint32_t count) const override {
    TSLGenericBuffer::CopyRange(offset, target, targetOffset, count);
  }

  // ERangeError "Index out of range = %u"; SetItem has made the data
  // private when it raises.
  TOWRealComplex GetItem(int32_t Index) const;
  void SetItem(int32_t Index, const TOWRealComplex& Value);
  Ref<TSLRealBuffer> GetReal() const;
  Ref<TSLRealBuffer> GetImaginary() const;

  void Add(const TSLComplexBuffer& Right);
  void Subtract(const TSLComplexBuffer& Right);
  void Multiply(const TSLComplexBuffer& Right);
  void Divide(const TSLComplexBuffer& Right);
  void AddValue(double AReal, double AImag);
  void SubtractValue(double AReal, double AImag);
  void MultiplyValue(double AReal, double AImag);
  void DivideValue(double AReal, double AImag);
  // Element k = AReal[k] + i AImag[k]; the size becomes the smaller one.
  void SetBuffer(const TSLRealBuffer& AReal, const TSLRealBuffer& AImag);
  void SetValue(double AReal, double AImag);
  void SetValue(const TOWRealComplex& AValue) { SetValue(AValue.Real, AValue.Imaginary); }
  void Zero();
  // A Factor of 0 changes nothing.
  void NormalizeFrom(const TSLComplexBuffer& Src, const TOWRealComplex& Offset, double Factor);
  void Normalize(const TOWRealComplex& Offset, double Factor);
  TOWRealComplex Dot(const TSLComplexBuffer& Src) const;  // no conjugation
  // On the magnitude; a negative level changes nothing.
  void Threshold(double AThreshold, TSLThresholdType AType);
  void ThresholdFrom(const TSLComplexBuffer& Src, double AThreshold, TSLThresholdType AType);
  void Sqr();
  void SqrFrom(const TSLComplexBuffer& Src);
  void Sqrt();
  void SqrtFrom(const TSLComplexBuffer& Src);
  // Mean of |Real| and of |Imaginary|; 0 + 0i when empty.
  TOWRealComplex Mean() const;
  void AutoCorr(const TSLComplexBuffer& Src, TSLAutoCorrType AType);
  void CrossCorr(const TSLComplexBuffer& Src1, const TSLComplexBuffer& Src2, int LoLag);
  Ref<TSLRealBuffer> Phase() const;
  Ref<TSLRealBuffer> Magnitude() const;
  Ref<TSLRealBuffer> PowerSpectrum() const;
};

}  // namespace tavrel
