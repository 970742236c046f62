#include "math/iir.h"

#include <cstddef>
#include <cstdint>
#include <new>

#include "math/kernel_support.h"
#include "math/runtime.h"

namespace tavrel {

// The state record at the start of every IIR state. Only the tag's place is
// observable (the routines read it to tell the kinds apart).
struct IppsIIRState_32f {
  Ipp32u tag;
  Ipp32f* taps;   // b0..bN, a1..aN (direct form) or 5 per section
  Ipp32f* delay;  // N + 1 (the last stays 0) or 2 per section
  int delayLength;
  int sections;
  int ownsMemory;
};

namespace kernels {
namespace {

using support::Ext;

constexpr Ipp32u kDirectTag = 0x49493031u;  // "10II"
constexpr Ipp32u kBiquadTag = 0x49493032u;  // "20II"
constexpr std::size_t kRecordBytes = (sizeof(IppsIIRState_32f) + 15) & ~std::size_t{15};
static_assert(kRecordBytes + 15 <= 64, "the published biquad sizes leave 64 bytes for the record");

std::int64_t RoundUp16(std::int64_t n) { return (n + 15) & ~std::int64_t{15}; }

std::uint8_t* AlignUp16(std::uint8_t* p) {
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  return p + ((16 - at % 16) % 16);
}

void RunDirect(const IppsIIRState_32f& st, const Ipp32f* src, Ipp32f* dst, int len) {
  const int n = st.delayLength;
  const Ipp32f* b = st.taps;
  const Ipp32f* a = st.taps + n;  // a[j] for j = 1..n
  Ipp32f* d = st.delay;
  if (n == 0) {
    for (int i = 0; i < len; ++i) dst[i] = static_cast<float>(static_cast<Ext>(b[0]) * src[i]);
    return;
  }
  auto single = [&](int i) {
    const Ext x = src[i];
    const Ext y = b[0] * x + d[0];
    for (int j = 0; j < n; ++j) d[j] = static_cast<float>(d[j + 1] + b[j + 1] * x - a[j + 1] * y);
    dst[i] = static_cast<float>(y);
  };
  if (n == 1) {
    for (int i = 0; i < len; ++i) single(i);
    return;
  }
  int i = 0;
  for (; i + 1 < len; i += 2) {
    const Ext x1 = src[i], x2 = src[i + 1];
    const Ext y1 = b[0] * x1 + d[0];
    const Ext y2 = b[0] * x2 + (b[1] * x1 + d[1] - a[1] * y1);
    for (int j = 0; j + 1 < n; ++j)
      d[j] = static_cast<float>(d[j + 2] +
                                (x2 * b[j + 1] - y2 * a[j + 1] + x1 * b[j + 2] - y1 * a[j + 2]));
    d[n - 1] = static_cast<float>(x2 * b[n] - y2 * a[n]);
    dst[i] = static_cast<float>(y1);
    dst[i + 1] = static_cast<float>(y2);
  }
  if (i < len) single(i);
}

void RunBiquads(const IppsIIRState_32f& st, const Ipp32f* src, Ipp32f* dst, int len) {
  for (int i = 0; i < len; ++i) {
    Ext x = src[i];
    for (int k = 0; k < st.sections; ++k) {
      const Ipp32f* t = st.taps + 5 * k;
      Ipp32f* d = st.delay + 2 * k;
      const Ext y = t[0] * x + d[0];
      d[0] = static_cast<float>(t[1] * x + d[1] - t[3] * y);
      d[1] = static_cast<float>(t[2] * x - t[4] * y);
      x = y;
    }
    dst[i] = static_cast<float>(x);
  }
}

IppStatus Run(const Ipp32f* src, Ipp32f* dst, int len, IppsIIRState_32f* state) {
  if (src == nullptr || dst == nullptr || state == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (state->tag == kDirectTag) {
    RunDirect(*state, src, dst, len);
  } else if (state->tag == kBiquadTag) {
    RunBiquads(*state, src, dst, len);
  } else {
    return ippStsContextMatchErr;
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsIIRInitAlloc_32f(IppsIIRState_32f** state, const Ipp32f* taps, int order,
                               const Ipp32f* delayLine) {
  if (state == nullptr || taps == nullptr) return ippStsNullPtrErr;
  if (order < 0) return ippStsIIROrderErr;
  // a0 is tested before anything is allocated, so a refused filter leaves
  // nothing behind (the outcome the caller sees is the same: -10, no state).
  const Ext a0 = taps[order + 1];
  if (a0 == 0.0L) return ippStsDivByZeroErr;
  const std::int64_t tapBytes = RoundUp16((2 * std::int64_t{order} + 1) * 4);
  const std::int64_t delayBytes = RoundUp16((std::int64_t{order} + 1) * 4);
  auto* block = static_cast<std::uint8_t*>(AlignedMalloc(64 + tapBytes + delayBytes));
  if (block == nullptr) return ippStsMemAllocErr;
  auto* st = new (block) IppsIIRState_32f{};
  st->tag = kDirectTag;
  st->taps = reinterpret_cast<Ipp32f*>(block + 64);
  st->delay = reinterpret_cast<Ipp32f*>(block + 64 + tapBytes);
  st->delayLength = order;
  st->sections = 0;
  st->ownsMemory = 1;
  const Ext r = 1.0L / a0;
  for (int j = 0; j <= order; ++j) st->taps[j] = static_cast<float>(taps[j] * r);
  for (int j = 1; j <= order; ++j) st->taps[order + j] = static_cast<float>(taps[order + 1 + j] * r);
  for (int j = 0; j < order; ++j) st->delay[j] = delayLine != nullptr ? delayLine[j] : 0.0f;
  st->delay[order] = 0.0f;
  *state = st;
  return ippStsNoErr;
}

IppStatus ippsIIRGetStateSize_BiQuad_32f(int numBq, int* bufferSize) {
  if (bufferSize == nullptr) return ippStsNullPtrErr;
  if (numBq <= 0) return ippStsIIROrderErr;
  const std::int64_t size = RoundUp16(std::int64_t{numBq} * 20) + RoundUp16(std::int64_t{numBq} * 8) + 64;
  if (size > 0x7FFFFFFF) return ippStsIIROrderErr;  // no buffer of that size can be described
  *bufferSize = static_cast<int>(size);
  return ippStsNoErr;
}

IppStatus ippsIIRInit_BiQuad_32f(IppsIIRState_32f** state, const Ipp32f* taps, int numBq,
                                 const Ipp32f* delayLine, Ipp8u* buffer) {
  if (state == nullptr || taps == nullptr || buffer == nullptr) return ippStsNullPtrErr;
  if (numBq <= 0) return ippStsIIROrderErr;
  std::uint8_t* base = AlignUp16(buffer);
  auto* st = new (base) IppsIIRState_32f{};
  st->tag = kBiquadTag;
  st->taps = reinterpret_cast<Ipp32f*>(base + kRecordBytes);
  st->delay = reinterpret_cast<Ipp32f*>(base + kRecordBytes + RoundUp16(std::int64_t{numBq} * 20));
  st->delayLength = 2 * numBq;
  st->sections = numBq;
  st->ownsMemory = 0;
  for (int j = 0; j < 2 * numBq; ++j) st->delay[j] = delayLine != nullptr ? delayLine[j] : 0.0f;
  for (int k = 0; k < numBq; ++k) {
    const Ipp32f* t = taps + 6 * k;
    if (t[3] == 0.0f || t[0] == 0.0f) return ippStsDivByZeroErr;
    const Ext r = 1.0L / t[3];
    Ipp32f* out = st->taps + 5 * k;
    out[0] = static_cast<float>(t[0] * r);
    out[1] = static_cast<float>(t[1] * r);
    out[2] = static_cast<float>(t[2] * r);
    out[3] = static_cast<float>(t[4] * r);
    out[4] = static_cast<float>(t[5] * r);
  }
  *state = st;
  return ippStsNoErr;
}

IppStatus ippsIIRFree_32f(IppsIIRState_32f* state) {
  if (state == nullptr) return ippStsNullPtrErr;
  if (state->tag != kDirectTag && state->tag != kBiquadTag) return ippStsContextMatchErr;
  if (state->ownsMemory != 0) AlignedFree(state);
  return ippStsNoErr;
}

IppStatus ippsIIR_32f(const Ipp32f* src, Ipp32f* dst, int len, IppsIIRState_32f* state) {
  return Run(src, dst, len, state);
}
IppStatus ippsIIR_32f_I(Ipp32f* srcDst, int len, IppsIIRState_32f* state) {
  return Run(srcDst, srcDst, len, state);
}

}  // namespace kernels
}  // namespace tavrel
