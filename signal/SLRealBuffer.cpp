#include "signal/SLRealBuffer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "math/buffer_helpers.h"
#include "math/routines.h"

namespace tavrel {

namespace {

using namespace SLDispatcher;

IppCmpOp CmpOf(TSLThresholdType t) { return t == TSLThresholdType::ttGreaterThan ? ippCmpGreater : ippCmpLess; }

void CheckSource(const TSLRealBuffer& src, uint32_t size) {
  if (src.GetSize() < size) throw ERangeError(FormatRange("Index", src.GetSize()));
}

bool IsMarker(double v) { return v == kRealMarkerLow || v == kRealMarkerHigh; }

// Rounded or truncated to an integer of [lo, hi]; NaN gives 0.
int64_t ToIntegerSaturated(double v, bool round, int64_t lo, int64_t hi) {
  if (std::isnan(v)) return 0;
  const double r = round ? std::nearbyint(v) : std::trunc(v);
  if (r <= double(lo)) return lo;
  if (r >= double(hi)) return hi;
  return int64_t(r);
}

}  // namespace

Ref<TSLRealBuffer> TSLRealBuffer::CreateValue(double AValue, uint64_t ASize, TSLSmartBufferManager& pool) {
  Ref<TSLRealBuffer> b = CreateSize(ASize, pool);
  b->SetValue(AValue);
  return b;
}

template <class In, class Convert>
static Ref<TSLRealBuffer> Converted(const In* data, uint32_t n, TSLSmartBufferManager& pool, Convert convert) {
  Ref<TSLRealBuffer> b = TSLRealBuffer::CreateSize(n, pool);
  if (data && n) convert(data, b->Write(), int(n));
  return b;
}

Ref<TSLRealBuffer> TSLRealBuffer::CreateWordData(const uint16_t* AData, uint32_t ASize, TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool, [](const uint16_t* s, double* d, int n) { std::copy(s, s + n, d); });
}
Ref<TSLRealBuffer> TSLRealBuffer::CreateSmallIntData(const int16_t* AData, uint32_t ASize,
                                                     TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool,
                   [](const int16_t* s, double* d, int n) { SLDispatcher::ippsConvert_16s64f_Sfs(s, d, n, 0); });
}
Ref<TSLRealBuffer> TSLRealBuffer::CreateCardinalData(const uint32_t* AData, uint32_t ASize,
                                                     TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool, [](const uint32_t* s, double* d, int n) { std::copy(s, s + n, d); });
}
Ref<TSLRealBuffer> TSLRealBuffer::CreateIntegerData(const int32_t* AData, uint32_t ASize,
                                                    TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool,
                   [](const int32_t* s, double* d, int n) { SLDispatcher::ippsConvert_32s64f(s, d, n); });
}
Ref<TSLRealBuffer> TSLRealBuffer::CreateInt64Data(const int64_t* AData, uint32_t ASize, TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool, [](const int64_t* s, double* d, int n) { Int64ToDouble(s, d, n); });
}
Ref<TSLRealBuffer> TSLRealBuffer::CreateUInt64Data(const uint64_t* AData, uint32_t ASize,
                                                   TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool, [](const uint64_t* s, double* d, int n) { UInt64ToDouble(s, d, n); });
}
Ref<TSLRealBuffer> TSLRealBuffer::CreateSingleData(const float* AData, uint32_t ASize, TSLSmartBufferManager& pool) {
  return Converted(AData, ASize, pool,
                   [](const float* s, double* d, int n) { SLDispatcher::ippsConvert_32f64f(s, d, n); });
}

double TSLRealBuffer::GetItem(int32_t Index) const {
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  return Read()[Index];
}

void TSLRealBuffer::SetItem(int32_t Index, double Value) {
  double* d = Modify();
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  d[Index] = Value;
}

void TSLRealBuffer::VectorJaehne(double AMagnitude) {
  WriteFrom({}, [&](uint8_t* d) { return ippsVectorJaehne_64f(reinterpret_cast<double*>(d), N(), AMagnitude); });
}

void TSLRealBuffer::Add(const TSLRealBuffer& Right) {
  const int n = std::min(N(), Right.N());
  double* d = Modify();
  ippsAdd_64f_I(Right.Read(), d, n);
}
void TSLRealBuffer::Subtract(const TSLRealBuffer& Right) {
  const int n = std::min(N(), Right.N());
  double* d = Modify();
  ippsSub_64f_I(Right.Read(), d, n);
}
void TSLRealBuffer::Multiply(const TSLRealBuffer& Right) {
  const int n = std::min(N(), Right.N());
  double* d = Modify();
  ippsMul_64f_I(Right.Read(), d, n);
}

void TSLRealBuffer::Divide(const TSLRealBuffer& Right) {
  const int n = std::min(N(), Right.N());
  double* d = Modify();
  const double* r = Right.Read();
  if (ippsDiv_64f_I(r, d, n) == ippStsDivByZero) RealZeroDivisorPass(r, d, n);
}

void RealZeroDivisorPass(const double* divisors, double* quotients, int n) {
  for (int i = 0; i < n; ++i) {
    if (std::isnan(divisors[i]) || (divisors[i] == 0.0 && std::isnan(quotients[i])))
      quotients[i] = 0.0;  // no comparison can be made
    else if (divisors[i] == 0.0)
      quotients[i] = quotients[i] > 0 ? 1.0e15 : -1.0e14;
  }
}

void TSLRealBuffer::SetValue(double AValue) { ippsSet_64f(AValue, Write(), N()); }
void TSLRealBuffer::AddValue(double AValue) {
  if (AValue != 0.0) ippsAddC_64f_I(AValue, Modify(), N());
}
void TSLRealBuffer::SubtractValue(double AValue) {
  if (AValue != 0.0) ippsSubC_64f_I(AValue, Modify(), N());
}
void TSLRealBuffer::MultiplyValue(double AValue) {
  if (AValue != 1.0) ippsMulC_64f_I(AValue, Modify(), N());
}
void TSLRealBuffer::DivideValue(double AValue) {
  if (AValue != 0.0 && AValue != 1.0) ippsDivC_64f_I(AValue, Modify(), N());
}
void TSLRealBuffer::Zero() { ippsZero_64f(Write(), N()); }

void TSLRealBuffer::ToInt(int32_t* OutBuffer, bool ARound) const {
  ippsConvert_64f32s_Sfs(Read(), OutBuffer, N(), ARound ? ippRndNear : ippRndZero, 0);
}

void TSLRealBuffer::ToShort(int16_t* OutBuffer, bool ARound) const {
  const double* s = Read();
  for (int i = 0; i < N(); ++i) OutBuffer[i] = int16_t(ToIntegerSaturated(s[i], ARound, -32768, 32767));
}

void TSLRealBuffer::ToSingle(float* OutBuffer) const { ippsConvert_64f32f(Read(), OutBuffer, N()); }
void TSLRealBuffer::FromInt(const int32_t* InBuffer) { ippsConvert_32s64f(InBuffer, Write(), N()); }
void TSLRealBuffer::FromShort(const int16_t* InBuffer) { ippsConvert_16s64f_Sfs(InBuffer, Write(), N(), 0); }
void TSLRealBuffer::FromSingle(const float* InBuffer) { ippsConvert_32f64f(InBuffer, Write(), N()); }

void TSLRealBuffer::NormalizeFrom(const TSLRealBuffer& Src, double Offset, double Factor) {
  const int n = std::min(N(), Src.N());
  WriteFrom({&Src}, [&](uint8_t* d) {
    return ippsNormalize_64f(Src.Read(), reinterpret_cast<double*>(d), n, Offset, Factor);
  });
}

void TSLRealBuffer::Normalize(double Offset, double Factor) {
  // Reads the shared data straight into a fresh block: no copy pass.
  NormalizeFrom(*this, Offset, Factor);
}

double TSLRealBuffer::Dot(const TSLRealBuffer& Right) const {
  double r = 0.0;
  ippsDotProd_64f(Read(), Right.Read(), std::min(N(), Right.N()), &r);
  return r;
}

void TSLRealBuffer::Threshold(double AThreshold, TSLThresholdType AType) {
  ippsThreshold_64f_I(Modify(), N(), AThreshold, CmpOf(AType));
}

void TSLRealBuffer::ThresholdFrom(const TSLRealBuffer& Src, double AThreshold, TSLThresholdType AType) {
  CheckSource(Src, GetSize());
  WriteFrom({&Src}, [&](uint8_t* d) {
    return ippsThreshold_64f(Src.Read(), reinterpret_cast<double*>(d), N(), AThreshold, CmpOf(AType));
  });
}

void TSLRealBuffer::Sqr() { ippsSqr_64f_I(Modify(), N()); }
void TSLRealBuffer::Sqrt() { ippsSqrt_64f_I(Modify(), N()); }
void TSLRealBuffer::Abs() { ippsAbs_64f_I(Modify(), N()); }
void TSLRealBuffer::Exp() { ippsExp_64f_I(Modify(), N()); }
void TSLRealBuffer::Ln() { ippsLn_64f_I(Modify(), N()); }

#define TAVREL_FROM(Method, routine)                                                                       \
  void TSLRealBuffer::Method(const TSLRealBuffer& Src) {                                                   \
    const int n = std::min(N(), Src.N());                                                                  \
    WriteFrom({&Src}, [&](uint8_t* d) { return routine(Src.Read(), reinterpret_cast<double*>(d), n); }); \
  }
TAVREL_FROM(SqrFrom, ippsSqr_64f)
TAVREL_FROM(SqrtFrom, ippsSqrt_64f)
TAVREL_FROM(AbsFrom, ippsAbs_64f)
TAVREL_FROM(ExpFrom, ippsExp_64f)
TAVREL_FROM(LnFrom, ippsLn_64f)
#undef TAVREL_FROM

void TSLRealBuffer::AutoCorr(const TSLRealBuffer& Src, TSLAutoCorrType AType) {
  CheckSource(Src, GetSize());
  auto routine = AType == TSLAutoCorrType::actBiased     ? ippsAutoCorr_NormA_64f
                 : AType == TSLAutoCorrType::actUnbiased ? ippsAutoCorr_NormB_64f
                                                         : ippsAutoCorr_64f;
  WriteFrom({&Src}, [&](uint8_t* d) { return routine(Src.Read(), N(), reinterpret_cast<double*>(d), N()); });
}

void TSLRealBuffer::CrossCorr(const TSLRealBuffer& Src1, const TSLRealBuffer& Src2, int LoLag) {
  WriteFrom({&Src1, &Src2}, [&](uint8_t* d) {
    return ippsCrossCorr_64f(Src1.Read(), Src1.N(), Src2.Read(), Src2.N(), reinterpret_cast<double*>(d), N(), LoLag);
  });
}

double TSLRealBuffer::Mean() const {
  double r = 0.0;
  ippsMean_64f(Read(), N(), &r);
  return r;
}

double TSLRealBuffer::StdDev() const {
  double r = 0.0;
  ippsStdDev_64f(Read(), N(), &r);
  return r;
}

void TSLRealBuffer::Convolve(const TSLRealBuffer& Src, const TSLRealBuffer& H) {
  if (Src.GetSize() == 0 || H.GetSize() == 0) {
    Resize(0, false);
    return;
  }
  const uint64_t n = uint64_t(Src.GetSize()) + H.GetSize() - 1;
  if (n > kMaxBufferSize / sizeof(double)) throw EOutOfMemory();
  // A fresh block: Src or H may be this buffer.
  Ref<TSLSmartBuffer> block = CreateDataContainer(n);
  ippsConv_64f(Src.Read(), Src.N(), H.Read(), H.N(), reinterpret_cast<double*>(block->RawData()));
  ReplaceContainer(block);
  FCharSize = uint32_t(n * sizeof(double));
  UpdateDataPtr();
}

double TSLRealBuffer::Norm(const TSLRealBuffer& Src, TSLNormType AType) const {
  CheckSource(Src, GetSize());
  auto routine = AType == TSLNormType::ntL1Norm   ? ippsNormDiff_L1_64f
                 : AType == TSLNormType::ntL2Norm ? ippsNormDiff_L2_64f
                                                  : ippsNormDiff_Inf_64f;
  double r = 0.0;
  routine(Src.Read(), Read(), N(), &r);
  return r;
}

double TSLRealBuffer::GetMinValue() const {
  double r = 0.0;
  if (N()) ippsMin_64f(Read(), N(), &r);
  return r;
}
double TSLRealBuffer::GetMaxValue() const {
  double r = 0.0;
  if (N()) ippsMax_64f(Read(), N(), &r);
  return r;
}
double TSLRealBuffer::GetMinIndex(int& AIndex) const {
  AIndex = 0;
  double r = 0.0;
  if (N()) ippsMinIndx_64f(Read(), N(), &r, &AIndex);
  return r;
}
double TSLRealBuffer::GetMaxIndex(int& AIndex) const {
  AIndex = 0;
  double r = 0.0;
  if (N()) ippsMaxIndx_64f(Read(), N(), &r, &AIndex);
  return r;
}

namespace {

// The half-open range [begin, end) of GetMin/GetMax, or false when empty.
bool ClampHalfOpen(int size, int& begin, int& end) {
  if (size == 0) return false;
  begin = std::max(begin, 0);
  end = std::max(end, 0);
  end = std::min(end, size);
  if (begin >= size) begin = size - 1;
  return end > begin;
}

// The closed range [begin, end] of the restricted forms, or false when empty.
bool ClampClosed(int size, int& begin, int& end) {
  if (size == 0) return false;
  begin = std::min(std::max(begin, 0), size - 1);
  end = std::min(std::max(end, 0), size - 1);
  return end >= begin;
}

template <class Better>
double Restricted(const double* p, int size, int begin, int end, Better better) {
  if (!ClampClosed(size, begin, end)) return 0.0;
  bool found = false;
  double r = 0.0;
  for (int i = begin; i <= end; ++i) {
    if (IsMarker(p[i])) continue;
    if (!found || better(p[i], r)) r = p[i];
    found = true;
  }
  return r;
}

}  // namespace

double TSLRealBuffer::GetMin(int IndexBegin, int IndexEnd) const {
  double r = 0.0;
  if (ClampHalfOpen(N(), IndexBegin, IndexEnd)) ippsMin_64f(Read() + IndexBegin, IndexEnd - IndexBegin, &r);
  return r;
}
double TSLRealBuffer::GetMax(int IndexBegin, int IndexEnd) const {
  double r = 0.0;
  if (ClampHalfOpen(N(), IndexBegin, IndexEnd)) ippsMax_64f(Read() + IndexBegin, IndexEnd - IndexBegin, &r);
  return r;
}
double TSLRealBuffer::GetMinRestricted(int IndexBegin, int IndexEnd) const {
  return Restricted(Read(), N(), IndexBegin, IndexEnd, [](double a, double b) { return a < b; });
}
double TSLRealBuffer::GetMaxRestricted(int IndexBegin, int IndexEnd) const {
  return Restricted(Read(), N(), IndexBegin, IndexEnd, [](double a, double b) { return a > b; });
}

}  // namespace tavrel
