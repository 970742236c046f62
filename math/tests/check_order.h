#pragma once
// Sweeps the argument-check order of kernels from a metadata table: a null
// pointer wins over a bad size, a bad size over the routine's own check, and
// no failing call writes anything.
//
//   const CheckRow rows[] = {
//     {"ippsMean_64f", [](Probe& p) { return ippsMean_64f(p.F64(0), p.Len(4), p.F64(1)); }},
//   };
//   ExpectCheckOrder(rows);
//
// The rows of every family are swept together against the routine table in
// check_order_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "math/types.h"

namespace tavrel::testing {

// Buffers handed to the routine under test, filled with a byte pattern that
// no routine writes on its own; `null` replaces the chosen pointer by nullptr.
struct Probe {
  static constexpr std::size_t kBytes = 4096;
  static constexpr int kBuffers = 4;
  alignas(64) std::array<std::array<std::uint8_t, kBytes>, kBuffers> bytes{};
  int nullIndex = -1;  // which pointer argument is null (-1: none)
  bool badSize = false;
  bool badOwn = false;
  int pointerCount = 0;

  void Reset() {
    for (auto& b : bytes) b.fill(0xA5);
  }
  template <class T>
  T* Ptr(int i) {
    pointerCount = std::max(pointerCount, i + 1);
    return i == nullIndex ? nullptr : reinterpret_cast<T*>(bytes[i].data());
  }
  double* F64(int i) { return Ptr<double>(i); }
  float* F32(int i) { return Ptr<float>(i); }
  Ipp64fc* C64(int i) { return Ptr<Ipp64fc>(i); }
  // The good value, or the bad one when the size check is probed.
  int Len(int good, int bad = 0) const { return badSize ? bad : good; }
  template <class T>
  T Own(T good, T bad) const {
    return badOwn ? bad : good;
  }
  bool Untouched() const {
    for (const auto& b : bytes)
      for (auto v : b)
        if (v != 0xA5) return false;
    return true;
  }
};

struct CheckRow {
  std::string name;
  std::function<IppStatus(Probe&)> call;
  IppStatus own = ippStsNoErr;     // the routine's own check, 0 when it has none
  IppStatus size = ippStsSizeErr;  // what a bad size gives, 0 when nothing is sized
  bool ownBeforeSize = false;      // the routine tests its own argument first
};

inline void ExpectCheckOrder(std::span<const CheckRow> rows) {
  for (const CheckRow& row : rows) {
    SCOPED_TRACE(row.name);
    Probe p;
    p.Reset();
    p.badSize = p.badOwn = false;
    row.call(p);  // learn how many pointers the routine takes
    const int pointers = p.pointerCount;
    ASSERT_GT(pointers, 0);
    for (int i = 0; i < pointers; ++i) {
      p.Reset();
      p.nullIndex = i;
      p.badSize = true;
      p.badOwn = true;
      EXPECT_EQ(row.call(p), ippStsNullPtrErr) << "pointer " << i;
      EXPECT_TRUE(p.Untouched()) << "pointer " << i;
    }
    p.nullIndex = -1;
    if (row.size != ippStsNoErr) {  // the size check beats the own check unless the row says otherwise
      p.Reset();
      p.badSize = true;
      p.badOwn = !row.ownBeforeSize;
      EXPECT_EQ(row.call(p), row.size);
      EXPECT_TRUE(p.Untouched());
    }
    if (row.own != ippStsNoErr) {
      p.Reset();
      p.badSize = row.ownBeforeSize;
      p.badOwn = true;
      EXPECT_EQ(row.call(p), row.own);
      EXPECT_TRUE(p.Untouched());
    }
  }
}

}  // namespace tavrel::testing

namespace tavrel::kernels {
// Each family's rows, defined next to the family's tests.
std::vector<testing::CheckRow> WindowsCheckRows();
std::vector<testing::CheckRow> RandomCheckRows();
std::vector<testing::CheckRow> StatisticsCheckRows();
std::vector<testing::CheckRow> ScaledArithmeticCheckRows();
std::vector<testing::CheckRow> IirCheckRows();
std::vector<testing::CheckRow> AudioKernelsCheckRows();
std::vector<testing::CheckRow> ImagePixelsCheckRows();
}  // namespace tavrel::kernels
