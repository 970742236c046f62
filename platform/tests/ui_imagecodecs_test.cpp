#include <gtest/gtest.h>

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/tests/image_files.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/graphics.h"
#include "platform/ui/imagecodecs.h"

namespace tavrel {
namespace {

using namespace test;

// A 16 x 16 picture of four 8 x 8 blocks (large enough that JPEG keeps
// each block's colour in its middle).
const TColor kBlocks[4] = {clRed, clLime, clBlue, clYellow};  // top left, top right, bottom left, bottom right

CairoSurface BlockSurface() {
  CairoSurface s = NewSurface(16, 16, clBlack);
  CairoContext cr(cairo_create(s.get()));
  for (int i = 0; i < 4; ++i) {
    SetCairoColor(cr.get(), kBlocks[i]);
    cairo_rectangle(cr.get(), (i % 2) * 8, (i / 2) * 8, 8, 8);
    cairo_fill(cr.get());
  }
  return s;
}

std::vector<uint8_t> BlockGif(const std::vector<TColor>& global, const std::vector<TColor>& local, bool interlaced) {
  GifImage img;
  img.w = img.h = 16;
  img.localColours = local;
  img.interlaced = interlaced;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) img.pixels.push_back(static_cast<uint8_t>((y / 8) * 2 + x / 8));
  return MakeGif(16, 16, global, {img});
}

std::vector<uint8_t> BlockIco(bool png) {
  CairoSurface s = BlockSurface();
  if (png) return MakeIco(16, 16, MakePng(s.get()));
  std::vector<uint32_t> argb;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) argb.push_back(SurfacePixel(s.get(), x, y));
  return MakeIco(16, 16, IconBmpImage(16, 16, argb));
}

struct SampleFile {
  const char* name;
  TImageFormat format;
  std::function<std::vector<uint8_t>()> make;
  int tolerance;  // per channel: JPEG is lossy
};

const std::vector<SampleFile>& Samples() {
  static const std::vector<SampleFile> samples = {
      {"BMP", TImageFormat::BMP, [] { return EncodeBMP(BlockSurface().get()); }, 0},
      {"PNG", TImageFormat::PNG, [] { return MakePng(BlockSurface().get()); }, 0},
      {"GIF global colours", TImageFormat::GIF,
       [] { return BlockGif({kBlocks[0], kBlocks[1], kBlocks[2], kBlocks[3]}, {}, false); }, 0},
      // The global table is wrong on purpose: the local one must win.
      {"GIF local colours", TImageFormat::GIF,
       [] { return BlockGif({clWhite, clWhite}, {kBlocks[0], kBlocks[1], kBlocks[2], kBlocks[3]}, false); }, 0},
      {"GIF interlaced", TImageFormat::GIF,
       [] { return BlockGif({kBlocks[0], kBlocks[1], kBlocks[2], kBlocks[3]}, {}, true); }, 0},
      {"JPEG baseline", TImageFormat::JPEG, [] { return MakeJpeg(BlockSurface().get(), false); }, 8},
      {"JPEG progressive", TImageFormat::JPEG, [] { return MakeJpeg(BlockSurface().get(), true); }, 8},
      {"icon with a BMP image", TImageFormat::ICO, [] { return BlockIco(false); }, 0},
      {"icon with a PNG image", TImageFormat::ICO, [] { return BlockIco(true); }, 0},
  };
  return samples;
}

bool Near(uint32_t got, TColor want, int tolerance) {
  const uint32_t rgb = ColorToRGB(want);
  const int wr = GetRValue(rgb), wg = GetGValue(rgb), wb = GetBValue(rgb);
  const int r = (got >> 16) & 0xFF, g = (got >> 8) & 0xFF, b = got & 0xFF;
  return (got >> 24) == 0xFF && std::abs(r - wr) <= tolerance && std::abs(g - wg) <= tolerance &&
         std::abs(b - wb) <= tolerance;
}

TEST(UiImageCodecs, EachFormatDecodesToTheSamePicture) {
  for (const SampleFile& f : Samples()) {
    SCOPED_TRACE(f.name);
    const std::vector<uint8_t> bytes = f.make();
    EXPECT_EQ(SniffImageFormat(bytes.data(), bytes.size()), f.format);
    CairoSurface s = DecodeImage(bytes.data(), bytes.size());
    ASSERT_EQ(cairo_image_surface_get_width(s.get()), 16);
    ASSERT_EQ(cairo_image_surface_get_height(s.get()), 16);
    for (int i = 0; i < 4; ++i)
      for (auto [dx, dy] : {std::pair{1, 1}, {4, 4}, {6, 2}}) {
        const int x = (i % 2) * 8 + dx, y = (i / 2) * 8 + dy;
        EXPECT_TRUE(Near(SurfacePixel(s.get(), x, y), kBlocks[i], f.tolerance))
            << "(" << x << ", " << y << ") = " << std::hex << SurfacePixel(s.get(), x, y);
      }
  }
}

TEST(UiImageCodecs, BitmapsAndPicturesLoadEveryFormat) {
  for (const SampleFile& f : Samples()) {
    SCOPED_TRACE(f.name);
    TBitmap b;
    b.LoadFromBytes(f.make());
    EXPECT_EQ(b.Width(), 16);
    EXPECT_TRUE(Near(SurfacePixel(b.Surface(), 12, 12), kBlocks[3], f.tolerance));
  }
}

TEST(UiImageCodecs, GifTransparentIndexLetsTheBackgroundThrough) {
  GifImage img;
  img.w = 3;
  img.h = 2;
  img.pixels = {0, 1, 2, 2, 1, 0};
  img.transparent = 2;
  const std::vector<uint8_t> gif = MakeGif(3, 2, {clRed, clBlue, clWhite}, {img});
  TDecodedImage pic = TDecodedImage::Load(gif.data(), gif.size());
  EXPECT_EQ(SurfacePixel(pic.Surface(), 2, 0) >> 24, 0u) << "the transparent index has alpha 0";
  EXPECT_EQ(SurfacePixel(pic.Surface(), 0, 0), 0xFFFF0000u);

  TBitmap back = WhiteBitmap(3, 2);
  back.Canvas().Brush().SetColor(clGreen);
  back.Canvas().FillRect(Rect(0, 0, 3, 2));
  pic.Render(back.Canvas(), Rect(0, 0, 3, 2), false);
  EXPECT_EQ(Row(back, 0), (std::vector<TColor>{clRed, clBlue, clGreen}));
  EXPECT_EQ(Row(back, 1), (std::vector<TColor>{clGreen, clBlue, clRed}));
}

// Interlaced rows land in place at every height, including the short
// images whose later passes start below their last row.
TEST(UiImageCodecs, GifInterlacedRowsLandInPlace) {
  const std::vector<TColor> colours = {clRed, clLime, clBlue, clWhite, clBlack, clYellow, clAqua, clFuchsia};
  for (int h = 1; h <= 17; ++h) {
    SCOPED_TRACE(h);
    GifImage img;
    img.w = 2;
    img.h = h;
    img.interlaced = true;
    for (int y = 0; y < h; ++y) img.pixels.insert(img.pixels.end(), 2, static_cast<uint8_t>(y % 8));
    const std::vector<uint8_t> gif = MakeGif(2, h, colours, {img});
    CairoSurface s = DecodeGIF(gif.data(), gif.size());
    for (int y = 0; y < h; ++y) EXPECT_TRUE(Near(SurfacePixel(s.get(), 1, y), colours[y % 8], 0)) << "row " << y;
  }
}

// The first image of the stream, at its own size, whatever follows it.
TEST(UiImageCodecs, GifGivesItsFirstImage) {
  GifImage first, second;
  first.left = 2, first.top = 1, first.w = 3, first.h = 2;
  first.pixels = {1, 1, 1, 1, 1, 1};
  first.delay = 10;
  second.w = 6, second.h = 5;
  second.pixels.assign(30, 0);
  second.delay = 10;
  const std::vector<uint8_t> gif = MakeGif(6, 5, {clRed, clBlue}, {first, second});
  CairoSurface s = DecodeGIF(gif.data(), gif.size());
  EXPECT_EQ(cairo_image_surface_get_width(s.get()), 3);
  EXPECT_EQ(cairo_image_surface_get_height(s.get()), 2);
  EXPECT_EQ(SurfacePixel(s.get(), 0, 0), 0xFF0000FFu);
}

std::string DecodeError(const std::vector<uint8_t>& bytes, uint64_t maxPixels = kImagePixelBudget) {
  try {
    DecodeImage(bytes.data(), bytes.size(), maxPixels);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}

// Every cut of each file is refused, with a message that names the format
// and says the data is short or unreadable. A GIF is complete once its
// first image is: what follows is not read.
TEST(UiImageCodecs, EveryTruncationIsRefusedClearly) {
  const std::vector<std::string> names = {"BMP", "PNG", "GIF", "GIF", "GIF", "JPEG", "JPEG", "icon", "icon"};
  for (size_t i = 0; i < Samples().size(); ++i) {
    const SampleFile& f = Samples()[i];
    SCOPED_TRACE(f.name);
    const std::vector<uint8_t> bytes = f.make();
    const size_t complete = f.format == TImageFormat::GIF ? bytes.size() - 1 : bytes.size();  // less the trailer
    int refused = 0;
    for (size_t n = 0; n < complete; ++n) {
      const std::string error = DecodeError(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
      if (error.empty()) {
        ADD_FAILURE() << "a cut at " << n << " of " << bytes.size() << " bytes decoded";
        continue;
      }
      ++refused;
      if (n >= 8 && error.find(names[i]) == std::string::npos)
        ADD_FAILURE() << "cut at " << n << ": " << error;
    }
    EXPECT_EQ(refused, static_cast<int>(complete));
    EXPECT_EQ(DecodeError(bytes), "");
  }
}

// The claimed size is checked against the pixel budget before decoding.
TEST(UiImageCodecs, PixelBudgetRefusesBeforeDecoding) {
  for (const SampleFile& f : Samples()) {
    SCOPED_TRACE(f.name);
    const std::vector<uint8_t> bytes = f.make();
    EXPECT_EQ(DecodeError(bytes, 256), "") << "16 x 16 within a budget of 256";
    EXPECT_NE(DecodeError(bytes, 255).find("image too large: 16 x 16 pixels"), std::string::npos)
        << DecodeError(bytes, 255);
  }
}

// A few hundred bytes that claim a huge image: each side is allowed, their
// product is not. Decoding them would take gigabytes.
TEST(UiImageCodecs, SmallFilesClaimingHugeImagesAreRefused) {
  struct Case {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
  } cases[] = {
      {"PNG", [] {
         std::vector<uint8_t> v = MakePng(BlockSurface().get());
         SetBe32(v, 16, 10000);
         SetBe32(v, 20, 10000);
         return v;
       }},
      {"BMP", [] {
         std::vector<uint8_t> v = EncodeBMP(BlockSurface().get());
         SetLe32(v, 18, 10000);
         SetLe32(v, 22, 10000);
         return v;
       }},
      {"GIF", [] {
         std::vector<uint8_t> v = BlockGif({clRed, clLime, clBlue, clYellow}, {}, false);
         const size_t descriptor = 13 + 12;
         SetLe16(v, descriptor + 5, 10000);
         SetLe16(v, descriptor + 7, 10000);
         return v;
       }},
      {"JPEG", [] {
         std::vector<uint8_t> v = MakeJpeg(BlockSurface().get(), true);
         const size_t sof = JpegFrameHeader(v);
         SetBe16(v, sof + 3, 10000);
         SetBe16(v, sof + 5, 10000);
         return v;
       }},
      {"icon", [] {
         std::vector<uint8_t> v = BlockIco(false);
         SetLe32(v, 22 + 4, 10000);
         SetLe32(v, 22 + 8, 20000);
         return v;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string error = DecodeError(c.make());
    EXPECT_NE(error.find("image too large: 10000 x 10000 pixels"), std::string::npos) << error;
  }
}

// Every header byte of each file set to a few hostile values: each either
// decodes or is refused, never read past the data (the sanitizer builds
// check the reads) and never larger than the budget.
// A first image wider or taller than the logical screen, or placed so that
// it reaches past it, is refused before the library reads it (the library
// wrote outside its buffers for one 768 pixels wide on a 6-pixel screen).
TEST(UiImageCodecs, GifImageOutsideItsScreenIsRefused) {
  constexpr size_t kDescriptor = 13 + 12;  // header, screen, 4-colour global table
  const struct {
    const char* name;
    size_t offset;
    uint16_t value;
  } cases[] = {{"wider", kDescriptor + 5, 768}, {"taller", kDescriptor + 7, 17},
               {"moved right", kDescriptor + 1, 1}, {"moved down", kDescriptor + 3, 1}};
  for (bool interlaced : {false, true})
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (interlaced ? ", interlaced" : ""));
      std::vector<uint8_t> v = BlockGif({clRed, clLime, clBlue, clYellow}, {}, interlaced);
      SetLe16(v, c.offset, c.value);
      EXPECT_EQ(DecodeError(v), "GIF image lies outside its screen");
    }
  std::vector<uint8_t> fits = BlockGif({clRed, clLime, clBlue, clYellow}, {}, true);
  EXPECT_EQ(DecodeError(fits), "");
}

TEST(UiImageCodecs, DamagedHeadersDecodeOrAreRefused) {
  for (const SampleFile& f : Samples()) {
    SCOPED_TRACE(f.name);
    const std::vector<uint8_t> bytes = f.make();
    int refused = 0, decoded = 0;
    for (size_t i = 0; i < 96 && i < bytes.size(); ++i)
      for (uint8_t v : {uint8_t{0}, uint8_t{1}, uint8_t{0x7F}, uint8_t{0xFF}}) {
        std::vector<uint8_t> bad = bytes;
        bad[i] = v;
        try {
          CairoSurface s = DecodeImage(bad.data(), bad.size(), 4096);
          EXPECT_LE(cairo_image_surface_get_width(s.get()) * cairo_image_surface_get_height(s.get()), 4096);
          ++decoded;
        } catch (const EInvalidGraphic&) {
          ++refused;
        }
      }
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
  }
}

TEST(UiImageCodecs, HimetricExtentGivesThePixelsBack) {
  for (int px = 0; px <= 20000; ++px) {
    const int hm = PixelsToHimetric(px);
    ASSERT_EQ(MulDiv(hm, 96, 2540), px) << px;
  }
  EXPECT_EQ(PixelsToHimetric(96), 2540) << "one inch";
  const std::vector<uint8_t> png = MakePng(BlockSurface().get());
  TDecodedImage pic = TDecodedImage::Load(png.data(), png.size());
  EXPECT_EQ(pic.HimetricWidth(), 423);  // 16 px = 4.23 mm
  EXPECT_EQ(pic.HimetricHeight(), 423);
}

TEST(UiImageCodecs, RendersUprightAtNaturalSizeOrStretched) {
  const std::vector<uint8_t> png = MakePng(BlockSurface().get());
  TDecodedImage pic = TDecodedImage::Load(png.data(), png.size());
  TBitmap natural = WhiteBitmap(40, 40);
  pic.Render(natural.Canvas(), Rect(2, 3, 10, 10), false);
  EXPECT_EQ(InkBounds(natural, clWhite), Rect(2, 3, 18, 19)) << "natural size, not clipped to the rectangle";
  EXPECT_EQ(natural.Canvas().Pixel(2, 3), clRed) << "upright: the top-left block at the top left";
  EXPECT_EQ(natural.Canvas().Pixel(17, 18), clYellow);

  TBitmap stretched = WhiteBitmap(40, 40);
  pic.Render(stretched.Canvas(), Rect(4, 4, 36, 36), true);
  EXPECT_EQ(InkBounds(stretched, clWhite), Rect(4, 4, 36, 36));
  EXPECT_EQ(stretched.Canvas().Pixel(4, 4), clRed);
  EXPECT_EQ(stretched.Canvas().Pixel(35, 35), clYellow);
  EXPECT_EQ(stretched.Canvas().Pixel(20, 20), clYellow) << "the bottom-right block starts half way";
  EXPECT_EQ(stretched.Canvas().Pixel(19, 20), clBlue);
  EXPECT_EQ(stretched.Canvas().Pixel(20, 19), clLime);
}

TEST(UiImageCodecs, OtherDataIsNoImage) {
  for (const std::vector<uint8_t>& bytes :
       {std::vector<uint8_t>{}, std::vector<uint8_t>{'G', 'I', 'F', '8', '7'}, std::vector<uint8_t>{0, 0, 2, 0, 1, 0}})
    EXPECT_EQ(DecodeError(bytes), "not a BMP, PNG, GIF, JPEG or icon image");
}

}  // namespace
}  // namespace tavrel
