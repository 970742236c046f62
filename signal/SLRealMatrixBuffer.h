#pragma once
// A matrix of doubles, row after row in one shared container; seen as an
// array of equally long rows that come out as real buffers (copies) and go
// back in, and combine row by row with another matrix.
//
//   auto m = TSLRealMatrixBuffer::CreateValue(1.5, 2, 3);   // 2 rows, 3 columns
//   Ref<TSLRealBuffer> row = m->GetRow(1);                   // a copy
//   m->SetItem(1, 2, 9.0);                                   // row 1, column 2
//
// GetItem and SetItem test the column first ("Column out of range = %u"),
// then the row; rows are range-checked everywhere. SetSize keeps the linear
// order of the data. CopyRange counts bytes.
#include <cstdint>

#include "signal/SLRealBuffer.h"

namespace tavrel {

class TSLRealMatrixBuffer : public TSLMemoryBuffer {
 public:
  TSLRealMatrixBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer, uint32_t ASize,
                      uint32_t ARows, uint32_t ACols)
      : TSLMemoryBuffer(AOther, AContainer, ASize), FCols(ACols), FRows(ARows) {}
  explicit TSLRealMatrixBuffer(const TSLRealMatrixBuffer& Other)
      : TSLMemoryBuffer(Other), FCols(Other.FCols), FRows(Other.FRows) {}

  static Ref<TSLRealMatrixBuffer> Create(TSLSmartBufferManager& pool = GlobalBufferManager());
  // Above 2^30 bytes raises EOutOfMemory.
  static Ref<TSLRealMatrixBuffer> CreateSize(uint32_t ARows, uint32_t ACols,
                                             TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealMatrixBuffer> CreateData(const double* AData, uint32_t ARows, uint32_t ACols,
                                             TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealMatrixBuffer> CreateValue(double AValue, uint32_t ARows, uint32_t ACols,
                                              TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TSLRealMatrixBuffer> CreateEx(const TSLRealMatrixBuffer& Other) {
    return MakeRef<TSLRealMatrixBuffer>(Other);
  }
  static Ref<TSLRealMatrixBuffer> CreateCopy(const TSLRealMatrixBuffer& Other) { return CreateEx(Other); }
  // A matrix shares it as it is; any other data buffer becomes one row over
  // its bytes; anything else raises EIntfCastError.
  static Ref<TSLRealMatrixBuffer> CreateUniversal(const TSLData& Other);

  Ref<TSLData> MakeCopy() const override { return CreateEx(*this); }
  // Shares the other's data; a matrix gives its shape, any other buffer
  // makes one row.
  void Assign(const TSLData& OtherBuffer) override;
  bool IsEqual(const TSLGenericBuffer& Other) const override;
  uint32_t GetElementSize() const override { return sizeof(double); }

  const double* Read() const { return reinterpret_cast<const double*>(ByteRead()); }
  double* Write() { return reinterpret_cast<double*>(ByteWrite()); }
  double* Modify() { return reinterpret_cast<double*>(ByteModify()); }

  // Takes AOther's custom data, shape and rows.
  void AssignArray(const TSLRealMatrixBuffer& AOther);
  bool IsEqualArray(const TSLRealMatrixBuffer& AOther) const;
  uint32_t GetCols() const { return FCols; }
  uint32_t GetRows() const { return FRows; }
  uint32_t GetRowSize(uint32_t Index) const;
  Ref<TSLRealBuffer> GetRow(uint32_t Index) const;
  // Stores the smaller of the column count and the row's size.
  void SetRow(uint32_t Index, const TSLRealBuffer& Row);
  double GetItem(uint32_t Row, uint32_t Col) const;
  void SetItem(uint32_t Row, uint32_t Col, double Value);

  // Row by row over the smaller shape; Divide runs the real buffer's
  // zero-divisor pass per row.
  void Add(const TSLRealMatrixBuffer& AOther);
  void Subtract(const TSLRealMatrixBuffer& AOther);
  void Multiply(const TSLRealMatrixBuffer& AOther);
  void Divide(const TSLRealMatrixBuffer& AOther);
  void SetValue(double AValue);
  void AddValue(double AValue);
  void SubtractValue(double AValue);
  void MultiplyValue(double AValue);
  void DivideValue(double AValue);
  void Zero();
  void SetSize(uint32_t ARows, uint32_t ACols, bool PreserveData);

 private:
  void CheckRow(uint32_t Row) const;
  void CheckItem(uint32_t Row, uint32_t Col) const;
  int Count() const { return static_cast<int>(GetSize()); }
  template <class F>
  void RowByRow(const TSLRealMatrixBuffer& AOther, F combine);

  uint32_t FCols = 0;
  uint32_t FRows = 0;
};

}  // namespace tavrel
