#include "controls/PictureContainer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "controls/tests/controls_test_support.h"
#include "platform/exceptions.h"
#include "platform/tests/image_files.h"
#include "platform/ui/timer.h"

namespace tavrel {
namespace {

using test::GifImage;
using test::MakeGif;

// A w x h image of one colour index at (left, top); a control extension
// when `delay` is not negative.
GifImage Frame(int left, int top, int w, int h, uint8_t index, int delay) {
  GifImage img;
  img.left = left;
  img.top = top;
  img.w = w;
  img.h = h;
  img.pixels.assign(size_t(w * h), index);
  img.transparent = delay >= 0 ? 3 : -1;
  img.delay = std::max(delay, 0);
  return img;
}

// Three frames of distinct colours and places on a 6 x 5 screen, each with
// a control extension (index 3 transparent): red 4 x 3 at (0,0), green
// 2 x 2 at (1,2), blue 3 x 1 at (2,4).
std::vector<uint8_t> ThreeFrameGif(int delay = 10) {
  return MakeGif(6, 5, {clRed, clLime, clBlue, clWhite},
                 {Frame(0, 0, 4, 3, 0, delay),
                  Frame(1, 2, 2, 2, 1, delay),
                  Frame(2, 4, 3, 1, 2, delay)});
}

std::vector<uint8_t> OneFrameGif() {
  return MakeGif(3, 2, {clRed, clBlue}, {Frame(0, 0, 3, 2, 1, 5)});
}

std::vector<uint8_t> NoControlGif() {
  return MakeGif(3, 2, {clRed, clBlue}, {Frame(0, 0, 3, 2, 0, -1)});
}

// A GIF without control extensions whose image data carries, in an extra
// sub-block after the codes, the bytes of a control extension and an
// image descriptor: a byte-pattern search would take them for a frame.
std::vector<uint8_t> PatternInImageDataGif() {
  std::vector<uint8_t> v = NoControlGif();
  const std::vector<uint8_t> fake = {0x21, 0xF9, 4, 0, 10, 0, 0, 0, 0x2C, 0, 0, 0, 0, 3, 0, 2, 0, 0};
  std::vector<uint8_t> block = {static_cast<uint8_t>(fake.size())};
  block.insert(block.end(), fake.begin(), fake.end());
  v.insert(v.end() - 2, block.begin(), block.end());  // before the data terminator and the trailer
  return v;
}

std::vector<uint8_t> Bmp(int w, int h, TColor c) { return test::SolidBitmap(w, h, c).SaveToBytes(); }

TColor DrawnPixel(const THTMLPicture& p, int x, int y, TRect r = Rect(0, 0, 8, 8)) {
  TBitmap b;
  b.SetSize(r.Right, r.Bottom);
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(r);
  p.Draw(b.Canvas(), r);
  return b.Canvas().Pixel(x, y);
}

// ---- scan and cut ---------------------------------------------------------------

TEST(GifFrames, ScanFindsFramesByTheBlockStructure) {
  std::vector<uint8_t> truncated = ThreeFrameGif();
  const std::vector<TGifFrame> whole = ScanGifFrames(truncated);
  ASSERT_EQ(whole.size(), 3u);
  // Cut inside frame 3's image data: its descriptor is whole, so it counts;
  // cut inside its descriptor, it does not.
  std::vector<uint8_t> inData(truncated.begin(), truncated.begin() + static_cast<long>(whole[2].start + 8 + 12));
  std::vector<uint8_t> inDescriptor(truncated.begin(), truncated.begin() + static_cast<long>(whole[2].start + 8 + 6));
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    size_t frames;
  } cases[] = {
      {"one frame", OneFrameGif(), 1},
      {"three frames", ThreeFrameGif(), 3},
      {"no control extension", NoControlGif(), 0},
      {"pattern inside image data", PatternInImageDataGif(), 0},
      {"cut in frame 3's data", inData, 3},
      {"cut in frame 3's descriptor", inDescriptor, 2},
      {"header only", std::vector<uint8_t>(truncated.begin(), truncated.begin() + 9), 0},
      {"not a GIF", Bmp(2, 2, clRed), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanGifFrames(c.data).size(), c.frames) << c.name;

  EXPECT_EQ(whole[1].left, 1);
  EXPECT_EQ(whole[1].top, 2);
  EXPECT_EQ(whole[1].width, 2);
  EXPECT_EQ(whole[1].height, 2);
  EXPECT_EQ(whole[2].delay, 10);
}

TEST(GifFrames, AControlExtensionFollowedByAnotherBlockIsNoFrame) {
  std::vector<uint8_t> v = OneFrameGif();
  const size_t start = ScanGifFrames(v)[0].start;
  const std::vector<uint8_t> comment = {0x21, 0xFE, 2, 'h', 'i', 0};
  v.insert(v.begin() + static_cast<long>(start + 8), comment.begin(), comment.end());
  EXPECT_TRUE(ScanGifFrames(v).empty());
}

TEST(GifFrames, CutMakesTheWantedFrameTheFirstImage) {
  const std::vector<uint8_t> gif = ThreeFrameGif();
  const std::vector<TGifFrame> frames = ScanGifFrames(gif);
  EXPECT_EQ(CutGifFrame(gif, frames, 1), gif);
  for (int n : {2, 3}) {
    const std::vector<uint8_t> cut = CutGifFrame(gif, frames, n);
    EXPECT_EQ(cut.size(), gif.size() - (frames[size_t(n - 1)].start - frames[0].start));
    EXPECT_TRUE(std::equal(gif.begin(), gif.begin() + long(frames[0].start), cut.begin())) << "header kept";
    const std::vector<TGifFrame> left = ScanGifFrames(cut);
    ASSERT_EQ(left.size(), size_t(4 - n));
    EXPECT_EQ(left[0].left, frames[size_t(n - 1)].left);
  }
  EXPECT_EQ(CutGifFrame(gif, frames, 4), gif) << "a frame that is not there cuts nothing";
}

// ---- the picture ------------------------------------------------------------------

TEST(HTMLPicture, ANewPictureIsEmptyAndDrawsNothing) {
  THTMLPicture p;
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(p.Width(), 0);
  EXPECT_EQ(p.MaxHeight(), 0);
  EXPECT_EQ(p.FrameCount(), -1);
  EXPECT_FALSE(p.Step());
  EXPECT_EQ(DrawnPixel(p, 1, 1), clWhite);
  EXPECT_TRUE(p.Asynch());
  EXPECT_EQ(p.Frame(), 1);
}

TEST(HTMLPicture, FramesOfAnAnimatedGifDecodeWithTheirPlace) {
  THTMLPicture p;
  int changes = 0, frameChanges = 0;
  p.OnChange = [&] { ++changes; };
  p.OnFrameChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &p);
    ++frameChanges;
  };
  p.LoadFromStream(ThreeFrameGif());
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(p.IsGIF());
  EXPECT_EQ(p.FrameCount(), 3);
  EXPECT_EQ(p.Width(), 4);
  EXPECT_EQ(p.MaxWidth(), 6);
  EXPECT_EQ(p.MaxHeight(), 5);
  EXPECT_EQ(DrawnPixel(p, 0, 0), clRed);

  p.SetFrame(2);
  EXPECT_EQ(frameChanges, 1);
  EXPECT_EQ(p.FrameXPos(), 1);
  EXPECT_EQ(p.FrameYPos(), 2);
  EXPECT_EQ(p.Width(), 2);
  EXPECT_EQ(DrawnPixel(p, 0, 0), clLime);
  EXPECT_EQ(DrawnPixel(p, 2, 2), clWhite) << "natural size: 2 x 2";

  p.SetStretch(true);
  EXPECT_EQ(DrawnPixel(p, 7, 7), clLime) << "stretched over the rectangle";

  // Frame numbers stay within the frames of a GIF.
  p.SetFrame(9);
  EXPECT_EQ(p.Frame(), 3);
  EXPECT_EQ(DrawnPixel(p, 0, 0), clBlue);
  p.SetFrame(0);
  EXPECT_EQ(p.Frame(), 1);
}

TEST(HTMLPicture, AGifWithoutControlExtensionsDecodesWhole) {
  for (const auto& data : {NoControlGif(), PatternInImageDataGif()}) {
    THTMLPicture p;
    p.LoadFromStream(data);
    EXPECT_EQ(p.FrameCount(), 0);
    EXPECT_EQ(p.Width(), 3);
    EXPECT_EQ(p.MaxWidth(), p.Width());
    EXPECT_EQ(DrawnPixel(p, 2, 1), clRed);
    EXPECT_FALSE(p.Step());
  }
}

TEST(HTMLPicture, OtherFormatsHaveNoFramesAndKeepAnyFrameNumber) {
  THTMLPicture p;
  p.LoadFromStream(Bmp(5, 4, clBlue));
  EXPECT_FALSE(p.IsGIF());
  EXPECT_EQ(p.FrameCount(), -1);
  EXPECT_EQ(p.MaxWidth(), 5);
  EXPECT_EQ(p.MaxHeight(), 4);
  p.SetFrame(7);
  EXPECT_EQ(p.Frame(), 7);
  EXPECT_EQ(DrawnPixel(p, 4, 3), clBlue) << "still the whole picture";
  EXPECT_EQ(p.FrameXPos(), 0);
}

TEST(HTMLPicture, UndecodableOrTruncatedDataFailsCleanly) {
  const std::vector<uint8_t> gif = ThreeFrameGif();
  const std::vector<TGifFrame> frames = ScanGifFrames(gif);
  const std::vector<uint8_t> truncated(gif.begin(), gif.begin() + long(frames[1].start + 20));  // in frame 2's data
  THTMLPicture p;
  EXPECT_THROW(p.LoadFromStream(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1}), Exception);
  EXPECT_FALSE(p.Empty()) << "the bytes stay, nothing decoded";
  EXPECT_EQ(p.Width(), 0);

  p.LoadFromStream(truncated);
  EXPECT_EQ(p.FrameCount(), 2);
  EXPECT_EQ(DrawnPixel(p, 0, 0), clRed) << "frame 1 is whole";
  EXPECT_THROW(p.SetFrame(2), Exception);
  EXPECT_EQ(p.Width(), 0);
}

TEST(HTMLPicture, EveryLoadStartsTheAnimationAfresh) {
  THTMLPicture p;
  p.LoadFromStream(ThreeFrameGif());
  p.SetFrame(3);
  p.Step();
  p.Step();
  p.LoadFromStream(Bmp(2, 2, clRed));
  EXPECT_EQ(p.FrameCount(), -1);
  EXPECT_EQ(p.Frame(), 1);
  EXPECT_EQ(p.MaxWidth(), 2);
  EXPECT_EQ(p.FrameXPos(), 0);
  EXPECT_FALSE(p.Step());

  p.LoadFromStream(ThreeFrameGif());
  EXPECT_EQ(p.FrameCount(), 3);
  p.SetFrame(3);
  p.LoadFromStream(OneFrameGif());
  EXPECT_EQ(p.FrameCount(), 1) << "counted again";
  EXPECT_EQ(DrawnPixel(p, 0, 0), clBlue);
  // The first tick after a load only counts, as after Assign.
  p.LoadFromStream(ThreeFrameGif());
  EXPECT_FALSE(p.Step());
  EXPECT_TRUE(p.Step());
  EXPECT_EQ(p.Frame(), 2);
}

TEST(HTMLPicture, AssignResetsAndCopies) {
  THTMLPicture a, b;
  a.LoadFromStream(ThreeFrameGif());
  a.SetFrame(2);
  a.SetID("x");
  a.SetStretch(true);
  b.LoadFromStream(OneFrameGif());
  b.Step();
  b.Assign(&a);
  EXPECT_EQ(b.Frame(), 2);
  EXPECT_EQ(b.ID(), "x");
  EXPECT_TRUE(b.Stretch());
  EXPECT_EQ(b.FrameCount(), 3);
  EXPECT_EQ(b.FrameXPos(), 1);
  EXPECT_FALSE(b.Step()) << "counters reset";
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  EXPECT_TRUE(b.Data().empty());
  EXPECT_EQ(b.FrameCount(), -1);

  // An empty picture copies as empty, with no bytes to fail decoding on.
  THTMLPicture empty;
  a.Assign(empty);
  EXPECT_TRUE(a.Empty());
  EXPECT_TRUE(a.Data().empty());
  EXPECT_FALSE(a.Stretch());
}

// Step as a table of ticks: each entry is what one call returns, then the frame.
TEST(HTMLPicture, StepTicksByTheFrameDelays) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    std::vector<std::pair<bool, int>> ticks;
  } cases[] = {
      {"delays 10", ThreeFrameGif(10), {{false, 1}, {true, 2}, {true, 3}, {true, 1}, {true, 2}}},
      {"delays 20", ThreeFrameGif(20), {{false, 1}, {true, 2}, {false, 2}, {true, 3}, {false, 3}, {true, 1}}},
      {"delays 0", ThreeFrameGif(0), {{false, 1}, {true, 2}, {true, 3}, {true, 1}}},
      {"one frame", OneFrameGif(), {{false, 1}, {false, 1}}},
      {"bitmap", Bmp(2, 2, clRed), {{false, 1}, {false, 1}}},
  };
  for (const Case& c : cases) {
    THTMLPicture p;
    p.LoadFromStream(c.data);
    std::vector<std::pair<bool, int>> got;
    for (size_t i = 0; i < c.ticks.size(); ++i) {
      const bool changed = p.Step();
      got.emplace_back(changed, p.Frame());
    }
    EXPECT_EQ(got, c.ticks) << c.name;
  }
}

// An owner animates its cache from a 100 ms timer on the message clock.
using PictureAnimation = test::ControlsTest;

TEST_F(PictureAnimation, FollowsATimerOnTheFakeClock) {
  THTMLPictureCache cache;
  THTMLPicture* p = cache.AddPicture();
  p->LoadFromStream(ThreeFrameGif(20));
  cache.AddPicture()->LoadFromStream(Bmp(2, 2, clRed));
  auto* timer = TComponent::Create<TTimer>(form);
  timer->SetInterval(100);
  std::vector<int> frames;
  timer->SetOnTimer(TNotifyEvent([&](TObject*) {
    if (cache.Animate()) frames.push_back(p->Frame());
  }));
  for (int i = 0; i < 7; ++i) {
    clock->Advance(100);
    app->ProcessMessages();
  }
  EXPECT_EQ(frames, (std::vector<int>{2, 3, 1})) << "a change every second tick, after the first";
}

// ---- loading by URL and from files ------------------------------------------------

class PictureFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("tavrel_pictures_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> gif = OneFrameGif();
    std::ofstream(dir / "one.gif", std::ios::binary).write(reinterpret_cast<const char*>(gif.data()), long(gif.size()));
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(PictureFiles, FileUrlsLoadOnlyRegularFiles) {
  struct Case {
    std::string url;
    bool loaded;
  } cases[] = {
      {"FILE://" + (dir / "one.gif").string(), true},
      {"file://" + (dir / "one.gif").string(), true},
      {"FILE://" + (dir / "missing.gif").string(), false},
      {"FILE://" + dir.string(), false},
      {"FILE://" + (dir / "fifo").string(), false},
      {"FILE:///dev/zero", false},
  };
  for (const Case& c : cases) {
    THTMLPicture p;
    EXPECT_NO_THROW(p.LoadFromURL(c.url)) << c.url;
    EXPECT_EQ(!p.Empty(), c.loaded) << c.url;
    EXPECT_EQ(p.Width(), c.loaded ? 3 : 0) << c.url;
    EXPECT_EQ(p.ID(), c.url);
  }
}

TEST_F(PictureFiles, ReadRegularFileRefusesLargerFiles) {
  const std::string path = (dir / "one.gif").string();
  const size_t size = OneFrameGif().size();
  EXPECT_TRUE(ReadRegularFile(path, size).has_value());
  EXPECT_FALSE(ReadRegularFile(path, size - 1).has_value());
  THTMLPicture p;
  p.LoadFromFile(path);
  EXPECT_EQ(p.FrameCount(), 1);
  p.LoadFromFile((dir / "fifo").string());
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(p.Width(), 0);
}

// The test program's own RCDATA (CMakeLists.txt): LOGO, a 4 x 3 picture of
// a red, a green, a blue and a yellow column, and number 7, 2 x 2 blue.
TEST(HTMLPicture, ResourceUrlsReadTheProgramsData) {
  struct Case {
    std::string url;
    int width;  // 0: nothing loaded
  } cases[] = {
      {"res://logo", 4},      // prefix and name in any case
      {"RES://LOGO", 4},
      {"RES://", 0},          // no name: nothing to load
      {"RES://nothing", 0},   // no such resource
      {"RES://HTMBCHK01", 0}, // a bitmap of the controls, no RCDATA
      {"RES://7", 0},         // a name, not the number 7
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    THTMLPicture p;
    EXPECT_NO_THROW(p.LoadFromURL(c.url));
    EXPECT_EQ(p.ID(), c.url);
    EXPECT_EQ(p.Width(), c.width);
    EXPECT_EQ(p.Empty(), c.width == 0);
  }
  THTMLPicture logo;
  logo.LoadFromURL("RES://LOGO");
  EXPECT_EQ(DrawnPixel(logo, 0, 1), clRed);
  EXPECT_EQ(DrawnPixel(logo, 3, 2), clYellow);
  // A missing name loads nothing: the picture stays as it was, under the new ID.
  logo.LoadFromURL("RES://nothing");
  EXPECT_EQ(logo.Width(), 4);
  EXPECT_EQ(logo.ID(), "RES://nothing");
  logo.LoadFromResourceName(HInstance(), "nothing");
  EXPECT_EQ(logo.Width(), 4);

  THTMLPicture numbered;
  numbered.LoadFromResourceID(HInstance(), 7);
  EXPECT_EQ(numbered.Width(), 2);
  EXPECT_EQ(DrawnPixel(numbered, 1, 1), clBlue);
  EXPECT_THROW(numbered.LoadFromResourceID(HInstance(), 8), EResNotFound);
  EXPECT_EQ(numbered.Width(), 2);
}

TEST(HTMLPicture, UrlsOfOtherKinds) {
  THTMLPicture sync;
  sync.SetAsynch(false);
  sync.LoadFromURL("http://example.org/a.gif");
  EXPECT_EQ(sync.ID(), "http://example.org/a.gif");
  EXPECT_EQ(sync.URL(), "http://example.org/a.gif");
  EXPECT_TRUE(sync.Empty());

  THTMLPicture async;
  async.LoadFromURL("http://example.org/a.gif");
  EXPECT_TRUE(async.Busy());
  EXPECT_EQ(async.ID(), "");
  async.LoadFromURL("http://example.org/b.gif");
  EXPECT_EQ(async.URL(), "http://example.org/a.gif") << "busy for good";
}

TEST(PictureLookups, ContainerFoldsAsciiOnlyAndCacheIsExact) {
  ComponentPtr<TPictureContainer> c = TComponent::CreateUnowned<TPictureContainer>();
  EXPECT_EQ(c->Version(), "1.0.0.0");
  TPictureItem* abc = c->Items().Add();
  abc->SetName("ABC");
  c->Items().Add()->SetName("abc");
  c->Items().Add()->SetName("É");
  EXPECT_EQ(c->FindPicture("abc"), &abc->Picture()) << "the first of equal names";
  EXPECT_EQ(c->FindPicture("aBc"), &abc->Picture());
  EXPECT_EQ(c->FindPicture("é"), nullptr);
  EXPECT_NE(c->FindPicture("É"), nullptr);
  EXPECT_EQ(c->FindPicture("ab"), nullptr);

  TPictureItem* copy = c->Items().Add();
  abc->SetTag(4);
  abc->Picture().LoadFromStream(OneFrameGif());
  copy->Assign(abc);
  EXPECT_EQ(copy->Name(), "ABC");
  EXPECT_EQ(copy->Tag(), 4);
  EXPECT_EQ(copy->Picture().Width(), 3);
  EXPECT_THROW(copy->Assign(c.get()), EConvertError);
  // A whole collection copies, items with no picture included.
  TPictureCollection again(nullptr);
  again.Assign(&c->Items());
  ASSERT_EQ(again.Count(), c->Items().Count());
  EXPECT_EQ(again.Items(0)->Picture().Width(), 3);
  EXPECT_TRUE(again.Items(1)->Picture().Empty());

  THTMLPictureCache cache;
  THTMLPicture* p = cache.AddPicture();
  p->SetID("http://x/A.gif");
  EXPECT_EQ(cache.FindPicture("http://x/A.gif"), p);
  EXPECT_EQ(cache.FindPicture("http://x/a.gif"), nullptr);
  cache.ClearPictures();
  EXPECT_EQ(cache.Count(), 0);
}

}  // namespace
}  // namespace tavrel
