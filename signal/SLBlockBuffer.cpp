#include "signal/SLBlockBuffer.h"

#include <algorithm>

#include "math/buffer_helpers.h"
#include "math/routines.h"

namespace tavrel {

using namespace SLDispatcher;

Ref<TSLBlockBuffer> TSLBlockBuffer::CreateValue(uint64_t Size, uint8_t AValue, TSLSmartBufferManager& pool) {
  Ref<TSLBlockBuffer> b = CreateSize(Size, pool);
  b->SetValue(AValue);
  return b;
}

void TSLBlockBuffer::Add(const TSLBlockBuffer& Right) {
  const int n = std::min(N(), Right.N());
  uint8_t* d = Modify();
  ippsAdd_8u_ISfs(Right.Read(), d, n, 0);
}
void TSLBlockBuffer::Subtract(const TSLBlockBuffer& Right) {
  const int n = std::min(N(), Right.N());
  uint8_t* d = Modify();
  ippsSub_8u_ISfs(Right.Read(), d, n, 0);
}
void TSLBlockBuffer::Multiply(const TSLBlockBuffer& Right) {
  const int n = std::min(N(), Right.N());
  uint8_t* d = Modify();
  ippsMul_8u_ISfs(Right.Read(), d, n, 0);
}

void TSLBlockBuffer::Divide(const TSLBlockBuffer& Right) {
  const int n = std::min(N(), Right.N());
  const uint8_t* r = Right.Read();
  if (std::find(r, r + n, 0) != r + n) throw EDivByZero();
  uint8_t* d = Modify();
  r = Right.Read();  // Right may be this buffer
  for (int i = 0; i < n; ++i) d[i] = uint8_t(d[i] / r[i]);
}

void TSLBlockBuffer::SetValue(uint8_t AValue) { ippsSet_8u(AValue, Write(), N()); }
void TSLBlockBuffer::Zero() { ippsZero_8u(Write(), N()); }

uint8_t TSLBlockBuffer::GetItem(int32_t Index) const {
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  return Read()[Index];
}

void TSLBlockBuffer::SetItem(int32_t Index, uint8_t Value) {
  uint8_t* d = Modify();
  if (uint32_t(Index) >= GetSize()) throw ERangeError(FormatRange("Index", uint32_t(Index)));
  d[Index] = Value;
}

}  // namespace tavrel
