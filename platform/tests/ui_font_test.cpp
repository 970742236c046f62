// The agreed font families and what they measure, checked against numbers
// read from the font files themselves with FreeType (the face's ascender and
// descender over its units per em; each glyph's hinted advance at the
// pixel size, light hinting as Debian's fontconfig set-up asks), so a
// substituted family or a change of text placement fails here.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/modules.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/module.h"

namespace tavrel {
namespace {

using test::Picture;
using test::WhiteBitmap;

TEST(UiFont, AgreedFamiliesResolveToThemselves) {
  for (const std::string& family : MappedFontFamilies()) {
    EXPECT_EQ(ResolvedFontFamily(family), family) << "fontconfig puts another family in its place";
    EXPECT_EQ(MappedFontFamily(family), family) << "an agreed family maps to itself";
  }
  EXPECT_EQ(CheckFontFamilies(), "");
}

// Liberation Sans: 2048 units per em, ascender 1854, descender -434;
// DejaVu Sans: 2048, 1901, -483. A negative height is the em in pixels, so
// ascent = ceil(em * ascender / 2048) and descent likewise.
TEST(UiFont, MetricsAndCaptionWidthsAtTheMainWindowSizes) {
  struct Case {
    const char* name;
    int height;
    TFontStyles style;
    const char* text;
    int lineHeight, ascent, descent, width;
  } cases[] = {
      // the window's font, its labels and the room they take
      {"MS Sans Serif", -11, 0, "Interface audio d'entr\u00e9e", 13, 10, 3, 114},
      {"MS Sans Serif", -11, 0, "Fr\u00e9quence \u00e9chantillonnage", 13, 10, 3, 131},
      // the turned chart titles
      {"Tahoma", -11, fsBold, "Entr\u00e9e", 13, 10, 3, 34},
      // the turned label's own default, Arial at 14 points
      {"Arial", -19, 0, "Entr\u00e9e", 23, 18, 5, 57},
      {"Arial", -19, fsBold, "Entr\u00e9e", 23, 18, 5, 60},
      // names without an agreed family draw with DejaVu Sans
      {"Symbol", -11, 0, "Entr\u00e9e", 14, 11, 3, 37},
  };
  for (const Case& c : cases) {
    TFont f;
    f.SetName(c.name);
    f.SetHeight(c.height);
    f.SetStyle(c.style);
    const TFontMetrics m = f.Metrics();
    const std::string where = std::string(c.name) + " " + std::to_string(c.height) + " " + c.text;
    EXPECT_EQ(m.Height, c.lineHeight) << where;
    EXPECT_EQ(m.Ascent, c.ascent) << where;
    EXPECT_EQ(m.Descent, c.descent) << where;
    EXPECT_EQ(FontTextWidth(f, c.text), c.width) << where;
  }
}

// "Entrée" as the chart titles draw it (Tahoma -11 bold), unturned, at
// (2, 1): cell top at row 1, baseline at row 10, ink from column 3. Kept
// from the canvas when written, after a check against FreeType's own
// rendering of the glyphs at the same pen positions (same advances, left
// edges and baseline; a few rasterised pixels differ).
TEST(UiText, DrawnCaptionMatchesItsReferenceImage) {
  static const char* const kReference =
      "........................................\n"
      "........................................\n"
      "........................................\n"
      "...######..................##...........\n"
      "...######........#........#.............\n"
      "...#......#.##..###..#.#..###...###.....\n"
      "...#......##.##..#...##..#..#..#..#.....\n"
      "...#####..#...#..#...#..############....\n"
      "...#......#...#..#...#..##....##........\n"
      "...#......#...#..#...#...#..#..#..#.....\n"
      "...######.#...#..###.#...####..####.....\n"
      "........................................\n"
      "........................................\n"
      "........................................\n"
      "........................................\n"
      "........................................\n";
  TBitmap b = WhiteBitmap(40, 16);
  TCanvas& c = b.Canvas();
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.Font().SetName("Tahoma");
  c.Font().SetHeight(-11);
  c.Font().SetStyle(fsBold);
  c.Font().SetColor(clBlack);
  c.TextOut(2, 1, "Entr\u00e9e");
  EXPECT_EQ(Picture(b, clWhite), kReference);
}

}  // namespace
}  // namespace tavrel

// gtest defines this flag (--gtest_death_test_use_fork) without declaring it.
namespace testing {
extern bool FLAGS_gtest_death_test_use_fork;
}

namespace tavrel {
namespace {

// Each child runs the program anew. It is started by fork(), which the
// sanitizers' runtimes prepare for, not by a bare clone(): a clone taken
// while another thread holds one of ThreadSanitizer's own locks leaves the
// child stuck on it before it reaches exec, and the parent waiting forever.
void UseFreshChildProcesses() {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  GTEST_FLAG_SET(death_test_use_fork, true);
}

// A fontconfig set-up with the DejaVu fonts only, in a child process so
// fontconfig reads it from the start: which family stands in for
// Liberation Sans there is fontconfig's choice, the report is ours.
TEST(UiFontDeathTest, MissingLiberationSansIsReported) {
  UseFreshChildProcesses();
  // The child runs this test again from the top and ends inside it: the
  // folder is the parent's, which makes it and removes it.
  const bool child = !GTEST_FLAG_GET(internal_run_death_test).empty();
  const std::filesystem::path dir =
      child ? std::filesystem::path(std::getenv("FONTCONFIG_FILE")).parent_path()
            : std::filesystem::temp_directory_path() / ("tavrel-fonts-" + std::to_string(getpid()));
  const std::filesystem::path conf = dir / "fonts.conf";
  if (!child) {
    std::filesystem::create_directories(dir / "cache");
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                           "<fontconfig>\n  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                           "  <cachedir>" << (dir / "cache").string() << "</cachedir>\n</fontconfig>\n";
  }
  const char* before = std::getenv("FONTCONFIG_FILE");
  const std::string saved = before ? before : "";
  setenv("FONTCONFIG_FILE", conf.c_str(), 1);
  EXPECT_EXIT(
      {
        // The window layer's start-up says so on standard error.
        ModuleRun ui(UiModuleSteps());
        TFont f;
        const bool substituted = ResolvedFontFamily("Liberation Sans") != "Liberation Sans" &&
                                 FontTextWidth(f, "Interface audio d'entr\u00e9e") != 114;
        std::_Exit(substituted ? 0 : 1);
      },
      testing::ExitedWithCode(0),
      "font family \"Liberation Sans\" is not installed: text draws with \"[^\"]+\" in its "
      "place and measures differently \\(install fonts-liberation\\)");
  if (before) setenv("FONTCONFIG_FILE", saved.c_str(), 1);
  else unsetenv("FONTCONFIG_FILE");
  std::filesystem::remove_all(dir);
}

// The font engine keeps its faces for the whole process, so what a process
// did with a face first must not change what later text measures. Each
// order runs in a fresh child process, which exits with the width it
// measured: the caption alone, after another font of the same face gave
// its metrics, and after a canvas drew text in that face.
TEST(UiFontDeathTest, TextWidthDoesNotDependOnWhatTheFaceDidFirst) {
  UseFreshChildProcesses();
  struct Case {
    const char* name;
    int height;
    TFontStyles style;
    const char* text;
  } cases[] = {
      {"MS Sans Serif", -11, 0, "Caption"},
      {"MS Sans Serif", -11, 0, "Fr\u00e9quence \u00e9chantillonnage"},
      {"Tahoma", -11, fsBold, "Entr\u00e9e"},
      {"Symbol", -13, fsItalic, "Annuler"},
  };
  enum First { kNothing, kMetrics, kDrawing, kOrders };
  for (const Case& c : cases) {
    auto font = [&] {
      TFont f;
      f.SetName(c.name);
      f.SetHeight(c.height);
      f.SetStyle(c.style);
      return f;
    };
    int widths[kOrders] = {};
    for (int first = kNothing; first < kOrders; ++first) {
      EXPECT_EXIT(
          {
            if (first == kMetrics) font().Metrics();
            if (first == kDrawing) {
              TBitmap b = WhiteBitmap(200, 20);
              b.Canvas().Font().Assign(font());
              b.Canvas().TextOut(0, 0, c.text);
            }
            std::_Exit(FontTextWidth(font(), c.text));
          },
          [&](int status) {
            widths[first] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
          },
          "");
    }
    EXPECT_GT(widths[kNothing], 0) << c.text;
    EXPECT_EQ(widths[kMetrics], widths[kNothing]) << c.name << " " << c.text << ", metrics first";
    EXPECT_EQ(widths[kDrawing], widths[kNothing]) << c.name << " " << c.text << ", drawing first";
  }
}

}  // namespace
}  // namespace tavrel
