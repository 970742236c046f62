#include "signal/SLIntegerBuffer.h"

#include <algorithm>
#include <climits>

#include "math/buffer_helpers.h"
#include "math/routines.h"

namespace tavrel {

namespace {

using namespace SLDispatcher;

int32_t Mod(int32_t a, int32_t b) { return b == -1 ? 0 : a % b; }

Ipp32u* Bits(int32_t* p) { return reinterpret_cast<Ipp32u*>(p); }
const Ipp32u* Bits(const int32_t* p) { return reinterpret_cast<const Ipp32u*>(p); }

}  // namespace

Ref<TSLIntegerBuffer> TSLIntegerBuffer::CreateValue(int32_t AValue, uint64_t ASize, TSLSmartBufferManager& pool) {
  Ref<TSLIntegerBuffer> b = CreateSize(ASize, pool);
  b->SetValue(AValue);
  return b;
}

int32_t TSLIntegerBuffer::GetItem(int32_t Index) const {
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  return Read()[Index];
}

void TSLIntegerBuffer::SetItem(int32_t Index, int32_t Value) {
  int32_t* d = Modify();
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  d[Index] = Value;
}

#define TAVREL_PAIRED(Method, call)                         \
  void TSLIntegerBuffer::Method(const TSLIntegerBuffer& Right) { \
    const int n = std::min(N(), Right.N());                 \
    int32_t* d = Modify();                                  \
    const int32_t* r = Right.Read();                        \
    call;                                                   \
  }
TAVREL_PAIRED(Add, ippsAdd_32s_ISfs(r, d, n, 0))
TAVREL_PAIRED(Subtract, ippsSub_32s_ISfs(r, d, n, 0))
TAVREL_PAIRED(Multiply, ippsMul_32s_ISfs(r, d, n, 0))
TAVREL_PAIRED(Divide, ippsDiv_32s_ISfs(r, d, n, 0))
TAVREL_PAIRED(AndBuffer, ippsAnd_32u_I(Bits(r), Bits(d), n))
TAVREL_PAIRED(OrBuffer, ippsOr_32u_I(Bits(r), Bits(d), n))
TAVREL_PAIRED(XorBuffer, ippsXor_32u_I(Bits(r), Bits(d), n))
TAVREL_PAIRED(LShift, for (int i = 0; i < n; ++i) d[i] = int32_t(uint32_t(d[i]) << (r[i] & 31)))
TAVREL_PAIRED(RShift, for (int i = 0; i < n; ++i) d[i] = int32_t(uint32_t(d[i]) >> (r[i] & 31)))
#undef TAVREL_PAIRED

void TSLIntegerBuffer::ModBuffer(const TSLIntegerBuffer& Right) {
  const int n = std::min(N(), Right.N());
  const int32_t* r = Right.Read();
  if (std::find(r, r + n, 0) != r + n) throw EDivByZero();
  int32_t* d = Modify();
  r = Right.Read();  // Right may be this buffer
  for (int i = 0; i < n; ++i) d[i] = Mod(d[i], r[i]);
}

void TSLIntegerBuffer::SetValue(int32_t AValue) { ippsSet_32s(AValue, Write(), N()); }
void TSLIntegerBuffer::AddValue(int32_t AValue) {
  if (AValue != 0) ippsAddC_32s_ISfs(AValue, Modify(), N(), 0);
}
void TSLIntegerBuffer::SubtractValue(int32_t AValue) { ippsSubC_32s_ISfs(AValue, Modify(), N(), 0); }
void TSLIntegerBuffer::MultiplyValue(int32_t AValue) {
  if (AValue != 1) ippsMulC_32s_ISfs(AValue, Modify(), N(), 0);
}

void TSLIntegerBuffer::DivideValue(int32_t AValue) {
  if (AValue == 0 || AValue == 1 || N() == 0) return;
  // Quotients straight from shared data into a fresh block.
  const int32_t* s = Read();
  WriteFrom({}, [&](uint8_t* block) {
    auto* d = reinterpret_cast<int32_t*>(block);
    if (d == s)
      DivConstInt32InPlace(AValue, d, N());
    else
      DivConstInt32(s, AValue, d, N());
    return 0;
  });
}

void TSLIntegerBuffer::ModValue(int32_t AValue) {
  if (N() == 0) return;
  if (AValue == 0) throw EDivByZero();
  int32_t* d = Modify();
  for (int i = 0; i < N(); ++i) d[i] = Mod(d[i], AValue);
}

void TSLIntegerBuffer::AndValue(int32_t AValue) { ippsAndC_32u_I(Ipp32u(AValue), Bits(Modify()), N()); }
void TSLIntegerBuffer::OrValue(int32_t AValue) { ippsOrC_32u_I(Ipp32u(AValue), Bits(Modify()), N()); }
void TSLIntegerBuffer::XorValue(int32_t AValue) { ippsXorC_32u_I(Ipp32u(AValue), Bits(Modify()), N()); }
void TSLIntegerBuffer::LShiftValue(int32_t AValue) { ippsLShiftC_32s_I(AValue, Modify(), N()); }
void TSLIntegerBuffer::RShiftValue(int32_t AValue) { ippsRShiftC_32s_I(AValue, Modify(), N()); }
void TSLIntegerBuffer::Zero() { ippsZero_16s(reinterpret_cast<Ipp16s*>(Write()), 2 * N()); }

int32_t TSLIntegerBuffer::Dot(const TSLIntegerBuffer& Right) const {
  Ipp32s r = 0;
  ippsDotProd_32s_Sfs(Right.Read(), Read(), std::min(N(), Right.N()), &r, 0);
  return r;
}

int32_t TSLIntegerBuffer::GetMinValue() const { return N() ? *std::min_element(Read(), Read() + N()) : 0; }
int32_t TSLIntegerBuffer::GetMaxValue() const { return N() ? *std::max_element(Read(), Read() + N()) : 0; }

}  // namespace tavrel
