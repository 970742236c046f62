#include "signal/SLRealMatrixBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrel {
namespace {

using D = std::vector<double>;

class MatrixBufferTest : public testing::Test {
 protected:
  Ref<TSLRealMatrixBuffer> Make(uint32_t rows, uint32_t cols, const D& v) {
    return TSLRealMatrixBuffer::CreateData(v.data(), rows, cols, pool_);
  }
  static D Values(const TSLRealMatrixBuffer& m) { return D(m.Read(), m.Read() + m.GetSize()); }
  static D Values(const TSLRealBuffer& b) { return D(b.Read(), b.Read() + b.GetSize()); }
  TSLSmartBufferManager pool_;
};

TEST_F(MatrixBufferTest, ShapeAndItemChecksColumnFirst) {
  auto m = TSLRealMatrixBuffer::CreateValue(1.5, 2, 3, pool_);
  EXPECT_EQ(m->GetRows(), 2u);
  EXPECT_EQ(m->GetCols(), 3u);
  EXPECT_EQ(Values(*m), D(6, 1.5));
  const struct {
    uint32_t row, col;
    const char* message;
  } cases[] = {{7, 5, "Column out of range = 5"}, {2, 0, "Row out of range = 2"}, {0, 3, "Column out of range = 3"}};
  for (const auto& c : cases) {
    try {
      m->GetItem(c.row, c.col);
      ADD_FAILURE() << c.message;
    } catch (const ERangeError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  auto sharer = TSLRealMatrixBuffer::CreateEx(*m);
  EXPECT_THROW(m->SetItem(2, 2, 0), ERangeError);
  EXPECT_NE(&m->DataContainer(), &sharer->DataContainer());  // made private before the checks
  m->SetItem(1, 2, 9);
  EXPECT_EQ(m->GetItem(1, 2), 9.0);
  EXPECT_EQ(sharer->GetItem(1, 2), 1.5);
}

TEST_F(MatrixBufferTest, RowsComeOutAsCopiesAndGoBackInPart) {
  auto m = Make(2, 3, {1, 2, 3, 4, 5, 6});
  auto row = m->GetRow(1);
  EXPECT_EQ(Values(*row), (D{4, 5, 6}));
  row->SetItem(0, 40);
  EXPECT_EQ(m->GetItem(1, 0), 4.0);
  const D five = {7, 8, 9, 10, 11}, two = {-1, -2};
  m->SetRow(0, *TSLRealBuffer::CreateData(five.data(), 5, pool_));
  m->SetRow(1, *TSLRealBuffer::CreateData(two.data(), 2, pool_));
  EXPECT_EQ(Values(*m), (D{7, 8, 9, -1, -2, 6}));
  EXPECT_THROW(m->GetRow(2), ERangeError);
  EXPECT_THROW(m->GetRowSize(2), ERangeError);
  EXPECT_EQ(m->GetRowSize(1), 3u);
}

TEST_F(MatrixBufferTest, RowByRowOverTheSmallerShape) {
  auto m = Make(2, 3, {1, 2, 3, 4, 5, 6});
  m->Add(*Make(3, 2, {10, 20, 30, 40, 50, 60}));
  EXPECT_EQ(Values(*m), (D{11, 22, 3, 34, 45, 6}));
  auto d = Make(2, 2, {8, 8, 5, -5});
  d->Divide(*Make(2, 2, {2, 4, 0, 0}));
  EXPECT_EQ(Values(*d), (D{4, 2, 1e15, -1e14}));
  auto z = Make(1, 2, {0, 1});
  z->Divide(*Make(1, 2, {0, 1}));
  EXPECT_EQ(Values(*z), (D{0, 1}));
}

TEST_F(MatrixBufferTest, EqualityOfArrays) {
  auto a = Make(2, 2, {1, 2, 3, 4});
  EXPECT_TRUE(a->IsEqualArray(*Make(2, 2, {1, 2, 3, 4})));
  EXPECT_FALSE(a->IsEqualArray(*Make(2, 2, {1, 2, 3, 5})));
  EXPECT_FALSE(a->IsEqualArray(*Make(1, 2, {1, 2})));
  auto b = TSLRealMatrixBuffer::Create(pool_);
  b->AssignArray(*a);
  EXPECT_TRUE(b->IsEqualArray(*a));
  EXPECT_EQ(b->GetRows(), 2u);
}

TEST_F(MatrixBufferTest, CreateUniversalSharesData) {
  const D eight = {1, 2, 3, 4, 5, 6, 7, 8};
  auto reals = TSLRealBuffer::CreateData(eight.data(), 8, pool_);
  auto row = TSLRealMatrixBuffer::CreateUniversal(*reals);
  EXPECT_EQ(row->GetRows(), 1u);
  EXPECT_EQ(row->GetCols(), 8u);
  EXPECT_EQ(row->Read(), reals->Read());
  auto m = Make(2, 4, eight);
  auto shared = TSLRealMatrixBuffer::CreateUniversal(*m);
  EXPECT_EQ(shared->GetRows(), 2u);
  EXPECT_EQ(shared->Read(), m->Read());
  auto back = TSLRealBuffer::CreateBufferArray(*m);
  EXPECT_EQ(Values(*back), eight);
  EXPECT_NE(back->Read(), m->Read());
}

TEST_F(MatrixBufferTest, AssignTakesTheShape) {
  auto m = Make(1, 1, {0});
  m->Assign(*Make(2, 3, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(m->GetRows(), 2u);
  EXPECT_EQ(m->GetItem(1, 2), 6.0);
  const D three = {7, 8, 9};
  m->Assign(*TSLRealBuffer::CreateData(three.data(), 3, pool_));
  EXPECT_EQ(m->GetRows(), 1u);
  EXPECT_EQ(m->GetCols(), 3u);
  EXPECT_EQ(m->GetItem(0, 2), 9.0);
}

TEST_F(MatrixBufferTest, SetSizeKeepsTheLinearOrder) {
  auto m = Make(2, 3, {1, 2, 3, 4, 5, 6});
  m->SetSize(3, 2, true);
  EXPECT_EQ(m->GetRows(), 3u);
  EXPECT_EQ(m->GetCols(), 2u);
  EXPECT_EQ(Values(*m), (D{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(m->GetItem(1, 0), 3.0);
  m->SetSize(0, 4, true);
  EXPECT_EQ(m->GetByteSize(), 0u);
  EXPECT_EQ(m->GetCols(), 4u);
  auto g = Make(1, 2, {1, 2});
  auto sharer = TSLRealMatrixBuffer::CreateEx(*g);
  g->SetSize(1, 3, true);  // shared: a new container with the old values
  EXPECT_EQ(g->GetItem(0, 1), 2.0);
  EXPECT_NE(&g->DataContainer(), &sharer->DataContainer());
  EXPECT_THROW(g->SetSize(1u << 16, 1u << 12, false), EOutOfMemory);
  EXPECT_EQ(g->GetCols(), 3u);
}

TEST_F(MatrixBufferTest, NeutralConstants) {
  auto m = Make(1, 2, {2, 4});
  auto sharer = TSLRealMatrixBuffer::CreateEx(*m);
  m->AddValue(0);
  m->MultiplyValue(1);
  m->DivideValue(0);
  EXPECT_EQ(&m->DataContainer(), &sharer->DataContainer());
  m->DivideValue(2);
  EXPECT_EQ(Values(*m), (D{1, 2}));
  EXPECT_EQ(Values(*sharer), (D{2, 4}));
}

}  // namespace
}  // namespace tavrel
