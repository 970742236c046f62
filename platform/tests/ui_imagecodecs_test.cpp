#include <gtest/gtest.h>

#include <cairo.h>

#include <bit>
#include <functional>
#include <map>
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

// Codes written least significant bit first at the widths given.
struct GifCodeWriter {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int nbits = 0;
  void Put(unsigned code, int width) {
    acc |= code << nbits;
    nbits += width;
    for (; nbits >= 8; nbits -= 8, acc >>= 8) bytes.push_back(static_cast<uint8_t>(acc));
  }
  std::vector<uint8_t> Done() {
    if (nbits > 0) bytes.push_back(static_cast<uint8_t>(acc));
    return bytes;
  }
};

// A GIF of one w x h image on a screen of its size holding the given LZW data.
std::vector<uint8_t> GifWithCodes(int w, int h, int tableBits, unsigned minCode, const std::vector<uint8_t>& lzw) {
  std::vector<TColor> colours;
  for (int i = 0; i < (1 << tableBits); ++i) colours.push_back(RGB(i, 255 - i, 0));
  std::vector<uint8_t> v = {'G', 'I', 'F', '8', '9', 'a'};
  PutLe16(v, w);
  PutLe16(v, h);
  v.insert(v.end(), {static_cast<uint8_t>(0x80 | (tableBits - 1)), 0, 0});
  PutGifColours(v, colours);
  v.push_back(0x2C);
  PutLe16(v, 0);
  PutLe16(v, 0);
  PutLe16(v, w);
  PutLe16(v, h);
  v.push_back(0);
  v.push_back(static_cast<uint8_t>(minCode));
  for (size_t i = 0; i < lzw.size(); i += 255) {
    const size_t n = std::min<size_t>(255, lzw.size() - i);
    v.push_back(static_cast<uint8_t>(n));
    v.insert(v.end(), lzw.begin() + static_cast<std::ptrdiff_t>(i), lzw.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  v.insert(v.end(), {0, 0x3B});
  return v;
}

// LZW as a GIF encoder writes it: strings grow the table up to 4096 codes
// and the width up to 12 bits; a full table is kept for `fullCodes` more
// codes before a clear code starts over.
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& pixels, unsigned minCode, size_t fullCodes) {
  const unsigned clear = 1u << minCode, end = clear + 1;
  GifCodeWriter out;
  std::map<std::pair<unsigned, uint8_t>, unsigned> table;
  unsigned next = clear + 2;
  size_t written = 0, whileFull = 0;  // codes since the last clear; codes since the table filled
  // The width the decoder reads at: its table lags one code behind ours.
  auto put = [&](unsigned code) {
    const unsigned decoderNext = std::min(4096u, clear + 2 + static_cast<unsigned>(written ? written - 1 : 0));
    out.Put(code, std::min(12, std::max(static_cast<int>(minCode) + 1, static_cast<int>(std::bit_width(decoderNext)))));
    ++written;
  };
  put(clear);
  written = 0;
  int cur = -1;
  for (uint8_t p : pixels) {
    if (cur < 0) {
      cur = p;
      continue;
    }
    if (auto it = table.find({static_cast<unsigned>(cur), p}); it != table.end()) {
      cur = static_cast<int>(it->second);
      continue;
    }
    put(static_cast<unsigned>(cur));
    if (next < 4096) {
      table[{static_cast<unsigned>(cur), p}] = next++;
    } else if (++whileFull == fullCodes) {
      put(clear);
      table.clear();
      next = clear + 2;
      written = whileFull = 0;
    }
    cur = p;
  }
  put(static_cast<unsigned>(cur));
  put(end);
  return out.Done();
}

// Enough varied pixels to fill the 4096-entry table: the decoder must keep
// reading 12-bit codes without adding entries until the clear code, however
// long the encoder waits to send it.
TEST(UiImageCodecs, GifLzwTableFullWaitsForTheClearCode) {
  constexpr int kW = 128, kH = 128;
  std::vector<uint8_t> pixels;
  uint32_t seed = 12345;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      seed = seed * 1103515245u + 12345u;
      pixels.push_back(y < 4 ? 7 : static_cast<uint8_t>(seed >> 24));  // a run first: codes for strings being defined
    }
  for (size_t fullCodes : {size_t{1}, size_t{700}, size_t{1} << 20}) {
    SCOPED_TRACE(fullCodes);
    const std::vector<uint8_t> gif = GifWithCodes(kW, kH, 8, 8, LzwEncode(pixels, 8, fullCodes));
    CairoSurface s = DecodeGIF(gif.data(), gif.size());
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        wrong += SurfacePixel(s.get(), x, y) != (0xFF000000u | (uint32_t{pixels[size_t(y * kW + x)]} << 16) |
                                                 (uint32_t{255u - pixels[size_t(y * kW + x)]} << 8));
    EXPECT_EQ(wrong, 0);
  }
}

// Codes the table does not hold yet are refused; data that ends early
// leaves the rest transparent; codes past the last pixel are not read.
TEST(UiImageCodecs, GifCodesAreCheckedAgainstTheTable) {
  const struct {
    const char* name;
    std::vector<unsigned> codes;  // 3 bits each: clear 4, end 5, first free 6
    std::string error;
    std::vector<uint32_t> pixels;
  } cases[] = {
      {"a string code just after a clear", {4, 6, 5}, "bad GIF image data", {}},
      {"a code beyond the next free one", {4, 1, 7, 5}, "bad GIF image data", {}},
      {"the code being defined", {4, 1, 6, 5}, "", {0xFF01FE00, 0xFF01FE00, 0xFF01FE00, 0}},
      {"data that ends early", {4, 2, 5}, "", {0xFF02FD00, 0, 0, 0}},
      // After "3", "3", "33" the table widens to 4 bits: the 3-bit codes after them would read as code 15.
      {"codes past the last pixel", {4, 3, 3, 6, 7, 7, 7}, "", {0xFF03FC00, 0xFF03FC00, 0xFF03FC00, 0xFF03FC00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GifCodeWriter w;
    for (unsigned code : c.codes) w.Put(code, 3);
    const std::vector<uint8_t> gif = GifWithCodes(2, 2, 2, 2, w.Done());
    EXPECT_EQ(DecodeError(gif), c.error);
    if (!c.error.empty()) continue;
    CairoSurface s = DecodeGIF(gif.data(), gif.size());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(SurfacePixel(s.get(), i % 2, i / 2), c.pixels[size_t(i)]) << i;
  }
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) v.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return v;
}

// Files on which the library freed memory it did not own.
TEST(UiImageCodecs, GifFilesThatBrokeTheLibraryDecodeOrAreRefused) {
  // No colour table at all, an interlaced 3 x 634 image.
  EXPECT_EQ(DecodeError(FromHex("474946383961060000ff10000021f90401050000002c0100000403007a0240020abce7afb9cbcf9efc"
                                "00060011020539")),
            "GIF image has no colour table");
  // An interlaced image 768 pixels wide on a 6 x 6 screen, then damaged blocks.
  std::string hex =
      "47494638396106000600f10000ff000000ff000000ff00000021f90401000001002c010000000003040040020a441809";
  for (int i = 0; i < 26; ++i) hex += "09";
  for (int i = 0; i < 27; ++i) hex += "53";
  hex += "4638396106000600f10000ff000000ff000000ff00000021f90401000001002c0100000000";
  hex += "03040040020a4418";
  for (int i = 0; i < 35; ++i) hex += "09";
  hex += "0000";
  EXPECT_EQ(DecodeError(FromHex(hex)), "GIF image lies outside its screen");
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

// An SVG drawing fills the size it is rendered at, whatever size it claims;
// text that draws nothing, or no size to draw at, is refused.
TEST(UiImageCodecs, SvgRendersAtTheSizeAsked) {
  const std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\" viewBox=\"0 0 10 10\">"
      "<rect x=\"0\" y=\"0\" width=\"5\" height=\"10\" fill=\"#ff0000\"/></svg>";
  const auto* d = reinterpret_cast<const uint8_t*>(svg.data());
  for (int size : {16, 32}) {
    CairoSurface s = DecodeSVG(d, svg.size(), size, size);
    ASSERT_EQ(cairo_image_surface_get_width(s.get()), size);
    ASSERT_EQ(cairo_image_surface_get_height(s.get()), size);
    EXPECT_EQ(SurfacePixel(s.get(), 1, size - 1), 0xFFFF0000u) << "the left half in red";
    EXPECT_EQ(SurfacePixel(s.get(), size / 2 - 2, 1), 0xFFFF0000u);
    EXPECT_EQ(SurfacePixel(s.get(), size / 2 + 1, 1) >> 24, 0u) << "the right half transparent";
  }
  for (const std::string& bad : {std::string("not an image"), std::string()}) {
    EXPECT_THROW(DecodeSVG(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), 16, 16), EInvalidGraphic)
        << bad;
  }
  EXPECT_THROW(DecodeSVG(d, svg.size(), 0, 16), EInvalidGraphic);
  EXPECT_THROW(DecodeSVG(d, svg.size(), 1 << 20, 1 << 20), EInvalidGraphic) << "beyond the pixel budget";
}

}  // namespace
}  // namespace tavrel
