#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/tests/ui_test_support.h"

namespace tavrel {
namespace {

using test::WhiteBitmap;

// 4x4 bitmap: key colour in the bottom-left pixel and the rest of the
// bottom row, red elsewhere except a blue top-right pixel.
TBitmap KeyedSprite(TColor key) {
  TBitmap b = WhiteBitmap(4, 4);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 4, 3));
  c.Brush().SetColor(key);
  c.FillRect(Rect(0, 3, 4, 4));
  c.SetPixel(3, 0, clBlue);
  return b;
}

TEST(UiBitmap, ColourKeyLeavesTheBackgroundVisible) {
  TBitmap sprite = KeyedSprite(clFuchsia);
  sprite.SetTransparent(true);
  EXPECT_EQ(sprite.TransparentColor(), clFuchsia) << "bottom-left pixel by default";
  TBitmap back = WhiteBitmap(8, 8);
  back.Canvas().Brush().SetColor(clGreen);
  back.Canvas().FillRect(Rect(0, 0, 8, 8));
  back.Canvas().Draw(2, 2, sprite);
  TCanvas& c = back.Canvas();
  EXPECT_EQ(c.Pixel(2, 2), clRed);
  EXPECT_EQ(c.Pixel(5, 2), clBlue);
  EXPECT_EQ(c.Pixel(2, 5), clGreen) << "key pixel left out";
  EXPECT_EQ(c.Pixel(6, 2), clGreen) << "outside the sprite";

  sprite.SetTransparentColor(clBlue);  // a fixed key: the top-right pixel
  back.Canvas().FillRect(Rect(0, 0, 8, 8));
  back.Canvas().Draw(2, 2, sprite);
  EXPECT_EQ(c.Pixel(5, 2), clGreen);
  EXPECT_EQ(c.Pixel(2, 5), clFuchsia);

  sprite.SetTransparent(false);
  back.Canvas().Draw(2, 2, sprite);
  EXPECT_EQ(c.Pixel(5, 2), clBlue);
}

TEST(UiBitmap, RasterOperations) {
  struct Case {
    uint32_t rop;
    TColor src, dst, want;
  } cases[] = {
      {SRCCOPY, RGB(1, 2, 3), RGB(9, 9, 9), RGB(1, 2, 3)},
      {SRCINVERT, RGB(0xF0, 0x0F, 0x55), RGB(0xFF, 0xFF, 0x00), RGB(0x0F, 0xF0, 0x55)},
      {SRCAND, RGB(0xF0, 0x0F, 0x55), RGB(0x3C, 0xFF, 0x0F), RGB(0x30, 0x0F, 0x05)},
      {SRCPAINT, RGB(0xF0, 0x00, 0x01), RGB(0x0F, 0x00, 0x02), RGB(0xFF, 0x00, 0x03)},
      {NOTSRCCOPY, RGB(0xF0, 0x00, 0xFF), RGB(1, 1, 1), RGB(0x0F, 0xFF, 0x00)},
      {DSTINVERT, RGB(0, 0, 0), RGB(0x10, 0x20, 0x30), RGB(0xEF, 0xDF, 0xCF)},
      {BLACKNESS, clWhite, clWhite, clBlack},
      {WHITENESS, clBlack, clBlack, clWhite},
  };
  for (const Case& k : cases) {
    TBitmap src = WhiteBitmap(3, 3), dst = WhiteBitmap(3, 3);
    src.Canvas().Brush().SetColor(k.src);
    src.Canvas().FillRect(Rect(0, 0, 3, 3));
    dst.Canvas().Brush().SetColor(k.dst);
    dst.Canvas().FillRect(Rect(0, 0, 3, 3));
    dst.Canvas().BitBlt(1, 1, 1, 1, src.Canvas(), 2, 2, k.rop);
    EXPECT_EQ(dst.Canvas().Pixel(1, 1), k.want) << std::hex << k.rop;
    EXPECT_EQ(dst.Canvas().Pixel(0, 0), k.dst) << "outside the block";
    EXPECT_EQ(dst.Canvas().Pixel(2, 2), k.dst);
  }
}

TEST(UiBitmap, XorBlitTwiceRestoresAndBlitRespectsTheClip) {
  TBitmap src = KeyedSprite(clFuchsia), dst = WhiteBitmap(6, 6);
  dst.Canvas().Brush().SetColor(RGB(20, 40, 60));
  dst.Canvas().FillRect(Rect(0, 0, 3, 6));
  TBitmap before(dst);
  dst.Canvas().BitBlt(1, 1, 4, 4, src.Canvas(), 0, 0, SRCINVERT);
  EXPECT_FALSE(SameRGB(dst.Surface(), before.Surface()));
  dst.Canvas().BitBlt(1, 1, 4, 4, src.Canvas(), 0, 0, SRCINVERT);
  EXPECT_TRUE(SameRGB(dst.Surface(), before.Surface()));
  dst.Canvas().IntersectClipRect(0, 0, 2, 6);
  dst.Canvas().BitBlt(1, 1, 4, 4, src.Canvas(), 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Canvas().Pixel(1, 1), clRed);
  EXPECT_EQ(dst.Canvas().Pixel(2, 1), static_cast<TColor>(before.Canvas().PixelRGB(2, 1)));
}

TEST(UiBitmap, MonochromeMaskAndStretch) {
  TBitmap m = KeyedSprite(clFuchsia);
  m.Mask(clFuchsia);
  EXPECT_TRUE(m.Monochrome());
  EXPECT_EQ(m.Canvas().Pixel(0, 3), clWhite);
  EXPECT_EQ(m.Canvas().Pixel(0, 0), clBlack);
  EXPECT_EQ(m.Canvas().Pixel(3, 0), clBlack);

  TBitmap s = KeyedSprite(clFuchsia), big = WhiteBitmap(8, 8);
  big.Canvas().StretchDraw(Rect(0, 0, 8, 8), s);
  EXPECT_EQ(big.Canvas().Pixel(7, 0), clBlue);
  EXPECT_EQ(big.Canvas().Pixel(6, 1), clBlue);
  EXPECT_EQ(big.Canvas().Pixel(5, 1), clRed);
  EXPECT_EQ(big.Canvas().Pixel(0, 6), clFuchsia);
  EXPECT_EQ(big.Canvas().Pixel(0, 5), clRed);
}

TEST(UiBitmap, SetSizeKeepsPixelsAndNewAreaIsWhite) {
  TBitmap b = KeyedSprite(clFuchsia);
  b.SetSize(6, 2);
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Canvas().Pixel(3, 0), clBlue);
  EXPECT_EQ(b.Canvas().Pixel(5, 0), clWhite);
  b.Canvas().Brush().SetColor(clBlack);
  b.Canvas().FillRect(Rect(0, 0, 6, 2));
  EXPECT_EQ(b.Canvas().Pixel(5, 1), clBlack) << "canvas follows the new surface";
}

// Named after the process: another run of the same test may be writing its own.
std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::to_string(getpid()) + "_" + name)).string();
}

TEST(UiPicture, BmpAndPngRoundTrip) {
  TBitmap b = KeyedSprite(clFuchsia);
  b.SetSize(5, 3);  // odd width: rows are padded to four bytes
  const std::string bmp = TempPath("tavrel_ui_rt.bmp"), png = TempPath("tavrel_ui_rt.png");
  b.SaveToFile(bmp);
  ASSERT_TRUE(WriteSurfacePNG(b.Surface(), png));
  for (const std::string& path : {bmp, png}) {
    TPicture p;
    int changes = 0;
    p.OnChange = [&] { ++changes; };
    p.LoadFromFile(path);
    ASSERT_FALSE(p.Empty());
    EXPECT_EQ(p.Width(), 5);
    EXPECT_EQ(p.Height(), 3);
    EXPECT_TRUE(SameRGB(p.Bitmap().Surface(), b.Surface())) << path;
    EXPECT_EQ(changes, 1);
  }
  std::remove(bmp.c_str());
  std::remove(png.c_str());
}

TEST(UiPicture, DecodesPalettedBitmapsBottomUpAndTopDown) {
  // 2x2, 1 bit per pixel, palette black and red; rows padded to 4 bytes.
  auto make = [](int32_t height) {
    std::vector<uint8_t> d = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,  // file header
                              40, 0, 0, 0, 2, 0, 0, 0};
    for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(height >> (8 * i)));
    const uint8_t rest[] = {1, 0, 1, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                            2, 0, 0, 0, 0, 0, 0, 0};
    d.insert(d.end(), rest, rest + sizeof rest);
    const uint8_t pal[] = {0, 0, 0, 0, 0, 0, 255, 0};
    d.insert(d.end(), pal, pal + 8);
    const uint8_t rows[] = {0x80, 0, 0, 0, 0x40, 0, 0, 0};  // stored first: x0 set; then x1
    d.insert(d.end(), rows, rows + 8);
    return d;
  };
  TBitmap up, down;
  up.LoadFromBytes(make(2));
  down.LoadFromBytes(make(-2));
  EXPECT_EQ(up.Canvas().Pixel(0, 1), clRed) << "first stored row is the bottom";
  EXPECT_EQ(up.Canvas().Pixel(1, 0), clRed);
  EXPECT_EQ(up.Canvas().Pixel(0, 0), clBlack);
  EXPECT_EQ(down.Canvas().Pixel(0, 0), clRed);
  EXPECT_EQ(down.Canvas().Pixel(1, 1), clRed);
}

TEST(UiPicture, BitfieldMasksScaleEachChannelToFullRange) {
  // 1x1, 32 bits with masks: red takes all 32 bits, green the top byte, blue none.
  std::vector<uint8_t> d = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0,  // file header
                            40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0};
  d.resize(54, 0);
  const uint8_t masks[] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0};
  d.insert(d.end(), masks, masks + sizeof masks);
  const uint8_t pixel[] = {0xFF, 0xFF, 0xFF, 0x80};  // 0x80FFFFFF
  d.insert(d.end(), pixel, pixel + 4);
  TBitmap b;
  b.LoadFromBytes(d);
  const uint32_t rgb = ColorToRGB(b.Canvas().Pixel(0, 0));
  EXPECT_EQ(GetRValue(rgb), 128);
  EXPECT_EQ(GetGValue(rgb), 0x80);
  EXPECT_EQ(GetBValue(rgb), 0);
}

TEST(UiPicture, BadDataIsRefusedAndLeavesThePictureAsItWas) {
  TBitmap good = KeyedSprite(clFuchsia);
  std::vector<uint8_t> bytes = good.SaveToBytes();
  const std::vector<std::vector<uint8_t>> bad = {
      {},
      {'B', 'M'},
      std::vector<uint8_t>(bytes.begin(), bytes.end() - 10),  // truncated pixels
      {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0},   // truncated PNG
      {'G', 'I', 'F', '8', '9', 'a'},
  };
  for (const auto& data : bad) {
    TBitmap b = KeyedSprite(clFuchsia);
    EXPECT_THROW(b.LoadFromBytes(data), EInvalidGraphic) << data.size();
    EXPECT_TRUE(SameRGB(b.Surface(), good.Surface()));
  }
  TPicture p;
  // Sides beyond 16384 pixels are refused whatever the format.
  for (int side : {16384, 16385}) {
    SCOPED_TRACE(side);
    CairoSurface wide = NewSurface(side, 1, clRed);
    const std::string path = TempPath("tavrel_ui_wide.png");
    ASSERT_TRUE(WriteSurfacePNG(wide.get(), path));
    if (side <= 16384) {
      EXPECT_NO_THROW(p.LoadFromFile(path));
      EXPECT_EQ(p.Width(), side);
    } else {
      EXPECT_THROW(p.LoadFromFile(path), EInvalidGraphic);
    }
    std::remove(path.c_str());
  }
  p.SetGraphic(nullptr);
  EXPECT_THROW(p.LoadFromFile(TempPath("tavrel_no_such_file.bmp")), EInvalidGraphic);
  EXPECT_TRUE(p.Empty());
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

// Every header byte of a small paletted and a true-colour file set to a
// few hostile values: each either decodes or is refused, never read past
// the data (the sanitizer builds check the reads).
TEST(UiPicture, DamagedHeadersDecodeOrAreRefused) {
  TBitmap sprite = KeyedSprite(clFuchsia);
  std::vector<uint8_t> truecolour = sprite.SaveToBytes();
  std::vector<uint8_t> paletted = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0,
                                   2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 8, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 255, 0, 0x80, 0, 0, 0, 0x40, 0, 0, 0};
  int refused = 0, decoded = 0;
  for (const auto* file : {&truecolour, &paletted})
    for (size_t i = 2; i < 62 && i < file->size(); ++i)
      for (uint8_t v : {uint8_t{0}, uint8_t{1}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
        std::vector<uint8_t> bad = *file;
        bad[i] = v;
        TBitmap b;
        try {
          b.LoadFromBytes(bad);
          ++decoded;
          EXPECT_LE(b.Width(), 16384);
        } catch (const EInvalidGraphic&) {
          ++refused;
        }
      }
  EXPECT_GT(refused, 0);
  EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace tavrel
