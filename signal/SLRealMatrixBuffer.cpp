#include "signal/SLRealMatrixBuffer.h"

#include <algorithm>
#include <cstring>

#include "math/routines.h"

namespace tavrel {

using namespace SLDispatcher;

namespace {

uint64_t MatrixBytes(uint32_t rows, uint32_t cols) {
  const uint64_t bytes = uint64_t(rows) * cols * sizeof(double);
  if (bytes > kMaxBufferSize) throw EOutOfMemory();
  return bytes;
}

}  // namespace

Ref<TSLRealMatrixBuffer> TSLRealMatrixBuffer::Create(TSLSmartBufferManager& pool) { return CreateSize(0, 0, pool); }

Ref<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateSize(uint32_t ARows, uint32_t ACols,
                                                         TSLSmartBufferManager& pool) {
  const uint64_t bytes = MatrixBytes(ARows, ACols);
  return MakeRef<TSLRealMatrixBuffer>(nullptr, TSLSmartBuffer::Create(bytes, TSLContainerKind::Memory, pool),
                                      uint32_t(bytes), ARows, ACols);
}

Ref<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateData(const double* AData, uint32_t ARows, uint32_t ACols,
                                                         TSLSmartBufferManager& pool) {
  Ref<TSLRealMatrixBuffer> m = CreateSize(ARows, ACols, pool);
  if (AData && m->GetByteSize()) std::memcpy(m->Write(), AData, m->GetByteSize());
  return m;
}

Ref<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateValue(double AValue, uint32_t ARows, uint32_t ACols,
                                                          TSLSmartBufferManager& pool) {
  Ref<TSLRealMatrixBuffer> m = CreateSize(ARows, ACols, pool);
  m->SetValue(AValue);
  return m;
}

Ref<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateUniversal(const TSLData& Other) {
  // The matrix is the only buffer array, so the array reading is the first.
  if (const auto* m = dynamic_cast<const TSLRealMatrixBuffer*>(&Other)) return CreateEx(*m);
  const auto& g = BufferAs<const TSLGenericBuffer>(Other);
  const uint32_t bytes = g.TSLGenericBuffer::GetByteSize();
  return MakeRef<TSLRealMatrixBuffer>(&g, Ref<TSLSmartBuffer>(&g.DataContainer()), bytes, 1,
                                      bytes / uint32_t(sizeof(double)));
}

void TSLRealMatrixBuffer::Assign(const TSLData& OtherBuffer) {
  TSLMemoryBuffer::Assign(OtherBuffer);
  if (const auto* m = dynamic_cast<const TSLRealMatrixBuffer*>(&OtherBuffer)) {
    FRows = m->FRows;
    FCols = m->FCols;
  } else {
    FRows = 1;
    FCols = FCharSize / uint32_t(sizeof(double));
  }
}

bool TSLRealMatrixBuffer::IsEqual(const TSLGenericBuffer& Other) const {
  return dynamic_cast<const TSLRealMatrixBuffer*>(&Other) && TSLGenericBuffer::IsEqual(Other);
}

void TSLRealMatrixBuffer::CheckRow(uint32_t Row) const {
  if (Row >= FRows) throw ERangeError(FormatRange("Row", Row));
}

void TSLRealMatrixBuffer::CheckItem(uint32_t Row, uint32_t Col) const {
  if (Col >= FCols) throw ERangeError(FormatRange("Column", Col));
  CheckRow(Row);
}

void TSLRealMatrixBuffer::AssignArray(const TSLRealMatrixBuffer& AOther) {
  if (&AOther == this) return AssignData(&AOther);
  AssignData(&AOther);
  SetSize(AOther.FRows, AOther.FCols, false);
  if (GetByteSize()) std::memcpy(Write(), AOther.Read(), GetByteSize());
}

bool TSLRealMatrixBuffer::IsEqualArray(const TSLRealMatrixBuffer& AOther) const {
  if (AOther.FRows != FRows || AOther.FCols != FCols) return false;
  const size_t n = size_t(FRows) * FCols;
  return std::equal(Read(), Read() + n, AOther.Read());
}

uint32_t TSLRealMatrixBuffer::GetRowSize(uint32_t Index) const {
  CheckRow(Index);
  return FCols;
}

Ref<TSLRealBuffer> TSLRealMatrixBuffer::GetRow(uint32_t Index) const {
  CheckRow(Index);
  return TSLRealBuffer::CreateData(Read() + uint64_t(Index) * FCols, FCols, DataContainer().Pool());
}

void TSLRealMatrixBuffer::SetRow(uint32_t Index, const TSLRealBuffer& Row) {
  CheckRow(Index);
  const int m = int(std::min(FCols, Row.GetSize()));
  double* d = Modify();
  ippsCopy_64f(Row.Read(), d + uint64_t(Index) * FCols, m);
}

double TSLRealMatrixBuffer::GetItem(uint32_t Row, uint32_t Col) const {
  CheckItem(Row, Col);
  return Read()[uint64_t(Row) * FCols + Col];
}

void TSLRealMatrixBuffer::SetItem(uint32_t Row, uint32_t Col, double Value) {
  double* d = Modify();
  CheckItem(Row, Col);
  d[uint64_t(Row) * FCols + Col] = Value;
}

template <class F>
void TSLRealMatrixBuffer::RowByRow(const TSLRealMatrixBuffer& AOther, F combine) {
  const uint32_t k = std::min(FRows, AOther.FRows);
  const int m = int(std::min(FCols, AOther.FCols));
  if (k == 0 || m == 0) return;
  double* d = Modify();
  const double* o = AOther.Read();  // after Modify: AOther may be this matrix
  for (uint32_t r = 0; r < k; ++r) combine(o + uint64_t(r) * AOther.FCols, d + uint64_t(r) * FCols, m);
}

void TSLRealMatrixBuffer::Add(const TSLRealMatrixBuffer& AOther) { RowByRow(AOther, ippsAdd_64f_I); }
void TSLRealMatrixBuffer::Subtract(const TSLRealMatrixBuffer& AOther) { RowByRow(AOther, ippsSub_64f_I); }
void TSLRealMatrixBuffer::Multiply(const TSLRealMatrixBuffer& AOther) { RowByRow(AOther, ippsMul_64f_I); }
void TSLRealMatrixBuffer::Divide(const TSLRealMatrixBuffer& AOther) {
  RowByRow(AOther, [](const double* o, double* d, int m) {
    if (ippsDiv_64f_I(o, d, m) == ippStsDivByZero) RealZeroDivisorPass(o, d, m);
  });
}

void TSLRealMatrixBuffer::SetValue(double AValue) { ippsSet_64f(AValue, Write(), Count()); }
void TSLRealMatrixBuffer::AddValue(double AValue) {
  if (AValue != 0.0) ippsAddC_64f_I(AValue, Modify(), Count());
}
void TSLRealMatrixBuffer::SubtractValue(double AValue) {
  if (AValue != 0.0) ippsSubC_64f_I(AValue, Modify(), Count());
}
void TSLRealMatrixBuffer::MultiplyValue(double AValue) {
  if (AValue != 1.0) ippsMulC_64f_I(AValue, Modify(), Count());
}
void TSLRealMatrixBuffer::DivideValue(double AValue) {
  if (AValue != 0.0 && AValue != 1.0) ippsDivC_64f_I(AValue, Modify(), Count());
}
void TSLRealMatrixBuffer::Zero() { ippsZero_64f(Write(), Count()); }

void TSLRealMatrixBuffer::SetSize(uint32_t ARows, uint32_t ACols, bool PreserveData) {
  const uint64_t bytes = MatrixBytes(ARows, ACols);
  if (ARows == 0 || ACols == 0) {
    FCharSize = 0;
    FCols = ACols;
    FRows = ARows;
    UpdateDataPtr();
    return;
  }
  if (ACols == FCols && ARows == FRows) return;
  FCols = ACols;
  FRows = ARows;
  if (PreserveData &&
      (GetSize() > bytes / sizeof(double) || (DataContainer().SingleOwner() && bytes <= DataContainer().AllocatedSize()))) {
    FCharSize = uint32_t(bytes);
    UpdateDataPtr();
    return;
  }
  Ref<TSLSmartBuffer> fresh = CreateDataContainer(bytes / sizeof(double));
  if (PreserveData) fresh->CopyFrom(DataContainer());
  ReplaceContainer(fresh);
  FCharSize = uint32_t(bytes);
  UpdateDataPtr();
}

// The real buffer's constructor from an array lives here, next to the array.
Ref<TSLRealBuffer> TSLRealBuffer::CreateBufferArray(const TSLRealMatrixBuffer& Other) {
  Ref<TSLRealBuffer> b = CreateData(Other.Read(), uint64_t(Other.GetRows()) * Other.GetCols(),
                                    Other.DataContainer().Pool());
  b->AssignData(&Other);
  return b;
}

}  // namespace tavrel
