// Area averaging: worked examples, constant images for every factor pair,
// huge boxes and boxes larger than their region.
#include "resample/tests/reference.h"

namespace tavrel::testing_resize {
namespace {

template <class T>
IppStatus Super(const void* src, IppiSize size, int step, IppiRect roi, Canvas<T>& dst, double fx,
                double fy, int C = 1) {
  const ResizeImage im{src, size, step, roi, dst.Region(), dst.StepBytes(), {dst.W, dst.H}, fx, fy};
  return ResizeSupersample(im, ElementOf<T>(), C);
}

TEST(Supersample, WorkedExamples) {
  const Ipp8u four[4] = {1, 2, 3, 4};
  Canvas<Ipp8u> one(1, 1, 1);
  ASSERT_EQ(Super(four, {2, 2}, 2, {0, 0, 2, 2}, one, 0.5, 0.5), ippStsNoErr);
  EXPECT_EQ(one.at(0, 0, 0), 3);  // 10 / 4 = 2.5 rounds up

  // u = 2.5: {0, 1, half of 2}, {half of 2, 3, 4}, {5, 6, half of 7}.
  const float row[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  Canvas<float> boxes(3, 1, 1);
  ASSERT_EQ(Super(row, {8, 1}, 32, {0, 0, 8, 1}, boxes, 0.4, 1.0), ippStsNoErr);
  EXPECT_FLOAT_EQ(boxes.at(0, 0, 0), (1 + 10 + 50) * 0.4f);
  EXPECT_FLOAT_EQ(boxes.at(1, 0, 0), (50 + 1000 + 10000) * 0.4f);
  EXPECT_FLOAT_EQ(boxes.at(2, 0, 0), (100000 + 1000000 + 5000000) * 0.4f);
}

TEST(Supersample, ConstantImagesStayConstant) {
  // Rounding up to 256 or 65536 must not wrap, and clipped boxes must not darken.
  const double factors[] = {1.0, 0.5, 0.4, 1.0 / 3, 0.37, 0.2, 1.0 / 7, 0.999, 0.61};
  Image<Ipp8u> b{21, 19, 3, 63, std::vector<Ipp8u>(21 * 19 * 3, 255)};
  Image<Ipp16u> w{21, 19, 1, 21, std::vector<Ipp16u>(21 * 19, 65535)};
  for (double fx : factors)
    for (double fy : factors) {
      SCOPED_TRACE(::testing::Message() << fx << " x " << fy);
      Canvas<Ipp8u> db(21, 19, 3);
      Canvas<Ipp16u> dw(21, 19, 1);
      ASSERT_EQ(Super(b.px.data(), {21, 19}, b.StepBytes(), {2, 1, 19, 18}, db, fx, fy, 3), ippStsNoErr);
      ASSERT_EQ(Super(w.px.data(), {21, 19}, w.StepBytes(), {2, 1, 19, 18}, dw, fx, fy), ippStsNoErr);
      int W, H;
      ASSERT_TRUE(RefLength(21, 19, fx, W));
      ASSERT_TRUE(RefLength(19, 18, fy, H));
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          for (int c = 0; c < 3; ++c) ASSERT_EQ(db.at(x, y, c), 255) << x << "," << y;
          ASSERT_EQ(dw.at(x, y, 0), 65535) << x << "," << y;
        }
      EXPECT_TRUE(db.GuardIntactOutside(W, H));
      EXPECT_TRUE(dw.GuardIntactOutside(W, H));
    }
}

TEST(Supersample, HugeBoxesDoNotOverflow) {
  // 8192 x 8192 through a zero step: one stored row serves every row.
  std::vector<Ipp8u> b(8192, 255);
  std::vector<Ipp16u> w(8192, 65535);
  for (double f : {1.0 / 8192, 1.0 / 8191.5}) {
    Canvas<Ipp8u> db(1, 1, 1);
    Canvas<Ipp16u> dw(1, 1, 1);
    ASSERT_EQ(Super(b.data(), {8192, 8192}, 0, {0, 0, 8192, 8192}, db, f, f), ippStsNoErr);
    ASSERT_EQ(Super(w.data(), {8192, 8192}, 0, {0, 0, 8192, 8192}, dw, f, f), ippStsNoErr);
    EXPECT_EQ(db.at(0, 0, 0), 255);
    EXPECT_EQ(dw.at(0, 0, 0), 65535);
  }
  // Columns taller than 65537 rows of 16-bit pixels pass 32 bits.
  const Ipp16u top = 65535;
  Canvas<Ipp16u> tall(1, 1, 1);
  ASSERT_EQ(Super(&top, {1, 70000}, 0, {0, 0, 1, 70000}, tall, 1.0, 1.0 / 70000), ippStsNoErr);
  EXPECT_EQ(tall.at(0, 0, 0), 65535);
}

TEST(Supersample, TallFractionalBoxesStayAccurate) {
  // 601 x 601 through a zero step, boxes of 300.5 x 300.5: the column sums
  // pass 2^24 for 16-bit pixels, where float sums would drift.
  Image<Ipp16u> row = RandomImage<Ipp16u>(601, 1, 1, 81, 0);
  Image<Ipp16u> full{601, 601, 1, 601, {}};
  for (int y = 0; y < 601; ++y) full.px.insert(full.px.end(), row.px.begin(), row.px.end());
  Canvas<Ipp16u> dst(2, 2, 1);
  ASSERT_EQ(Super(row.px.data(), {601, 601}, 0, {0, 0, 601, 601}, dst, 1 / 300.5, 1 / 300.5), ippStsNoErr);
  EXPECT_TRUE(Matches(dst, RefSuper(full, {0, 0, 601, 601}, {2, 2}, 1 / 300.5, 1 / 300.5), 1.0));

  // Small values after large ones: in a float column sum past 2^26 each 3
  // would vanish and the mean would come out 2.7 too low.
  Image<Ipp16u> column{1, 22000, 1, 1, {}};
  for (int y = 0; y < 22000; ++y) column.px.push_back(y < 2000 ? 65535 : 3);
  Canvas<Ipp16u> one(1, 1, 1);
  ASSERT_EQ(Super(column.px.data(), {1, 22000}, 2, {0, 0, 1, 22000}, one, 1.0, 1 / 21999.5), ippStsNoErr);
  EXPECT_TRUE(Matches(one, RefSuper(column, {0, 0, 1, 22000}, {1, 1}, 1.0, 1 / 21999.5), 1.0));
}

TEST(Supersample, BoxLargerThanTheRegionAveragesOnlyTheRegion) {
  // 3 x 3 region at 0.2: one pixel, the mean of the region; the 250s
  // around it must not leak in.
  Image<Ipp8u> src{7, 7, 1, 7, std::vector<Ipp8u>(49, 250)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) src.at(2 + x, 2 + y, 0) = static_cast<Ipp8u>(1 + x + 3 * y);
  Canvas<Ipp8u> dst(2, 2, 1);
  ASSERT_EQ(Super(src.px.data(), {7, 7}, 7, {2, 2, 3, 3}, dst, 0.2, 0.2), ippStsNoErr);
  EXPECT_EQ(dst.at(0, 0, 0), 5);
  EXPECT_TRUE(dst.GuardIntactOutside(1, 1));
}

TEST(Supersample, NearIntegerBoxesCountEachUnitOnce) {
  // u = 1/(1/93) is a hair below 93; each box must still take 93 columns.
  for (int n : {93, 99, 105}) {
    SCOPED_TRACE(n);
    Image<Ipp8u> src{3 * n, 1, 1, 3 * n, {}};
    for (int x = 0; x < 3 * n; ++x) src.px.push_back(x < n ? 10 : x < 2 * n ? 20 : 30);
    Canvas<Ipp8u> dst(3, 1, 1);
    ASSERT_EQ(Super(src.px.data(), {3 * n, 1}, 3 * n, {0, 0, 3 * n, 1}, dst, 1.0 / n, 1.0), ippStsNoErr);
    EXPECT_EQ(dst.at(0, 0, 0), 10);
    EXPECT_EQ(dst.at(1, 0, 0), 20);
    EXPECT_EQ(dst.at(2, 0, 0), 30);
  }
}

}  // namespace
}  // namespace tavrel::testing_resize
