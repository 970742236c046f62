#include "signal/SLComplexBuffer.h"

#include <algorithm>
#include <cmath>

#include "math/routines.h"

namespace tavrel {

namespace {

using namespace SLDispatcher;

Ipp64fc* C(TOWRealComplex* p) { return reinterpret_cast<Ipp64fc*>(p); }
const Ipp64fc* C(const TOWRealComplex* p) { return reinterpret_cast<const Ipp64fc*>(p); }
Ipp64fc* C(uint8_t* p) { return reinterpret_cast<Ipp64fc*>(p); }

void CheckSource(const TSLComplexBuffer& src, uint32_t size) {
  if (src.GetSize() < size) throw ERangeError(FormatRange("Index", src.GetSize()));
}

IppCmpOp CmpOf(TSLThresholdType t) { return t == TSLThresholdType::ttGreaterThan ? ippCmpGreater : ippCmpLess; }

}  // namespace

Ref<TSLComplexBuffer> TSLComplexBuffer::CreateValue(const TOWRealComplex& AValue, uint64_t ASize,
                                                    TSLSmartBufferManager& pool) {
  return CreateValue(AValue.Real, AValue.Imaginary, ASize, pool);
}

Ref<TSLComplexBuffer> TSLComplexBuffer::CreateValue(double AReal, double AImag, uint64_t ASize,
                                                    TSLSmartBufferManager& pool) {
  Ref<TSLComplexBuffer> b = CreateSize(ASize, pool);
  b->SetValue(AReal, AImag);
  return b;
}

TOWRealComplex TSLComplexBuffer::GetItem(int32_t Index) const {
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  return Read()[Index];
}

void TSLComplexBuffer::SetItem(int32_t Index, const TOWRealComplex& Value) {
  TOWRealComplex* d = Modify();
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  d[Index] = Value;
}

template <class Routine>
static Ref<TSLRealBuffer> RealResult(const TSLComplexBuffer& b, Routine routine) {
  Ref<TSLRealBuffer> out = TSLRealBuffer::CreateSize(b.GetSize(), b.DataContainer().Pool());
  routine(C(b.Read()), out->Write(), int(b.GetSize()));
  return out;
}

Ref<TSLRealBuffer> TSLComplexBuffer::GetReal() const { return RealResult(*this, ippsReal_64fc); }
Ref<TSLRealBuffer> TSLComplexBuffer::GetImaginary() const { return RealResult(*this, ippsImag_64fc); }
Ref<TSLRealBuffer> TSLComplexBuffer::Phase() const { return RealResult(*this, ippsPhase_64fc); }
Ref<TSLRealBuffer> TSLComplexBuffer::Magnitude() const { return RealResult(*this, ippsMagnitude_64fc); }
Ref<TSLRealBuffer> TSLComplexBuffer::PowerSpectrum() const { return RealResult(*this, ippsPowerSpectr_64fc); }

#define TAVREL_PAIRED(Method, routine)                              \
  void TSLComplexBuffer::Method(const TSLComplexBuffer& Right) {    \
    const int n = std::min(N(), Right.N());                         \
    TOWRealComplex* d = Modify();                                   \
    routine(C(Right.Read()), C(d), n);                              \
  }
TAVREL_PAIRED(Add, ippsAdd_64fc_I)
TAVREL_PAIRED(Subtract, ippsSub_64fc_I)
TAVREL_PAIRED(Multiply, ippsMul_64fc_I)
TAVREL_PAIRED(Divide, ippsDiv_64fc_I)
#undef TAVREL_PAIRED

void TSLComplexBuffer::AddValue(double AReal, double AImag) { ippsAddC_64fc_I({AReal, AImag}, C(Modify()), N()); }
void TSLComplexBuffer::SubtractValue(double AReal, double AImag) {
  ippsSubC_64fc_I({AReal, AImag}, C(Modify()), N());
}
void TSLComplexBuffer::MultiplyValue(double AReal, double AImag) {
  ippsMulC_64fc_I({AReal, AImag}, C(Modify()), N());
}
void TSLComplexBuffer::DivideValue(double AReal, double AImag) {
  ippsDivC_64fc_I({AReal, AImag}, C(Modify()), N());
}

void TSLComplexBuffer::SetBuffer(const TSLRealBuffer& AReal, const TSLRealBuffer& AImag) {
  const uint32_t m = std::min(AReal.GetSize(), AImag.GetSize());
  if (m == 0) {
    Resize(0, false);
    return;
  }
  // A fresh block: the parts may share this buffer's container.
  Ref<TSLSmartBuffer> block = CreateDataContainer(m);
  ippsRealToCplx_64f(AReal.Read(), AImag.Read(), reinterpret_cast<Ipp64fc*>(block->RawData()), int(m));
  ReplaceContainer(block);
  FCharSize = m * uint32_t(sizeof(TOWRealComplex));
  UpdateDataPtr();
}

void TSLComplexBuffer::SetValue(double AReal, double AImag) { ippsSet_64fc({AReal, AImag}, C(Write()), N()); }
void TSLComplexBuffer::Zero() { ippsZero_64fc(C(Write()), N()); }

void TSLComplexBuffer::NormalizeFrom(const TSLComplexBuffer& Src, const TOWRealComplex& Offset, double Factor) {
  const int n = std::min(N(), Src.N());
  WriteFrom({&Src}, [&](uint8_t* d) {
    return ippsNormalize_64fc(C(Src.Read()), C(d), n, {Offset.Real, Offset.Imaginary}, Factor);
  });
}

void TSLComplexBuffer::Normalize(const TOWRealComplex& Offset, double Factor) { NormalizeFrom(*this, Offset, Factor); }

TOWRealComplex TSLComplexBuffer::Dot(const TSLComplexBuffer& Src) const {
  Ipp64fc r{0.0, 0.0};
  ippsDotProd_64fc(C(Src.Read()), C(Read()), std::min(N(), Src.N()), &r);
  return {r.re, r.im};
}

void TSLComplexBuffer::Threshold(double AThreshold, TSLThresholdType AType) {
  if (AThreshold < 0) return;  // the routine refuses it
  ippsThreshold_64fc_I(C(Modify()), N(), AThreshold, CmpOf(AType));
}

void TSLComplexBuffer::ThresholdFrom(const TSLComplexBuffer& Src, double AThreshold, TSLThresholdType AType) {
  CheckSource(Src, GetSize());
  WriteFrom({&Src}, [&](uint8_t* d) { return ippsThreshold_64fc(C(Src.Read()), C(d), N(), AThreshold, CmpOf(AType)); });
}

void TSLComplexBuffer::Sqr() { ippsSqr_64fc_I(C(Modify()), N()); }
void TSLComplexBuffer::Sqrt() { ippsSqrt_64fc_I(C(Modify()), N()); }
void TSLComplexBuffer::SqrFrom(const TSLComplexBuffer& Src) {
  const int n = std::min(N(), Src.N());
  WriteFrom({&Src}, [&](uint8_t* d) { return ippsSqr_64fc(C(Src.Read()), C(d), n); });
}
void TSLComplexBuffer::SqrtFrom(const TSLComplexBuffer& Src) {
  const int n = std::min(N(), Src.N());
  WriteFrom({&Src}, [&](uint8_t* d) { return ippsSqrt_64fc(C(Src.Read()), C(d), n); });
}

TOWRealComplex TSLComplexBuffer::Mean() const {
  if (N() == 0) return {0.0, 0.0};
  long double re = 0, im = 0;
  for (const TOWRealComplex* p = Read(); p != Read() + N(); ++p) {
    re += std::fabs(p->Real);
    im += std::fabs(p->Imaginary);
  }
  return {double(re / N()), double(im / N())};
}

void TSLComplexBuffer::AutoCorr(const TSLComplexBuffer& Src, TSLAutoCorrType AType) {
  CheckSource(Src, GetSize());
  auto routine = AType == TSLAutoCorrType::actBiased     ? ippsAutoCorr_NormA_64fc
                 : AType == TSLAutoCorrType::actUnbiased ? ippsAutoCorr_NormB_64fc
                                                         : ippsAutoCorr_64fc;
  WriteFrom({&Src}, [&](uint8_t* d) { return routine(C(Src.Read()), N(), C(d), N()); });
}

void TSLComplexBuffer::CrossCorr(const TSLComplexBuffer& Src1, const TSLComplexBuffer& Src2, int LoLag) {
  WriteFrom({&Src1, &Src2}, [&](uint8_t* d) {
    return ippsCrossCorr_64fc(C(Src1.Read()), Src1.N(), C(Src2.Read()), Src2.N(), C(d), N(), LoLag);
  });
}

}  // namespace tavrel
