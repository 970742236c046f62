// Published properties that hold pictures, references and texts: each is
// read from form text, written, and read back to the same value.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/AdvCombo.h"
#include "controls/AdvSpinButton.h"
#include "controls/ToolPanelTab.h"
#include "controls/VrLabel.h"
#include "controls/tests/controls_test_support.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/ui/edit.h"
#include "platform/ui/resources.h"

namespace tavrel {
namespace {

// A 5 x 3 picture of one colour with its top-left pixel marked, so that a
// picture turned or flipped on the way shows.
TBitmap Marked(TColor back, TColor mark) {
  TBitmap b = test::SolidBitmap(5, 3, back);
  b.Canvas().Brush().SetColor(mark);
  b.Canvas().FillRect(Rect(0, 0, 1, 1));
  return b;
}

std::vector<TColor> PixelsOf(const TGraphic* g) {
  if (!g || g->Empty()) return {};
  TBitmap copy;
  copy.SetSize(g->Width(), g->Height());
  g->Draw(copy.Canvas(), Rect(0, 0, g->Width(), g->Height()));
  std::vector<TColor> v;
  for (int y = 0; y < g->Height(); ++y)
    for (int x = 0; x < g->Width(); ++x) v.push_back(copy.Canvas().Pixel(x, y));
  return v;
}

std::string BitmapValue(const TBitmap& b) { return "{" + test::HexText(test::BitmapRecord(b.SaveToBytes())) + "}"; }
std::string PictureValue(const TBitmap& b) { return "{" + test::HexText(test::PictureRecord(b.SaveToBytes())) + "}"; }

struct Case {
  const char* what;
  std::string components;  // the form's components as form text
  std::function<void(TForm*)> check;
};

class FormDataPropertiesTest : public test::ControlsTest {
 protected:
  template <class T>
  static T* Find(TForm* f, const char* name) {
    auto* c = dynamic_cast<T*>(f->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // Reads the case's form, writes it, reads that back: both reads must hold
  // the values.
  void RoundTrip(const Case& c) {
    SCOPED_TRACE(c.what);
    TForm* read = app->CreateForm<TForm>();
    ReadRootComponent(*read, ObjectTextToBinary("object fmProps: TForm\n" + c.components + "end\n"));
    {
      SCOPED_TRACE("read from the text");
      c.check(read);
    }
    const std::vector<uint8_t> written = WriteRootComponent(*read);
    TForm* again = app->CreateForm<TForm>();
    ReadRootComponent(*again, written);
    {
      SCOPED_TRACE("read back from what was written");
      c.check(again);
    }
  }
};

TEST_F(FormDataPropertiesTest, PicturesReadWriteAndReadBack) {
  const TBitmap fill = Marked(clRed, clBlue), close = Marked(clLime, clBlack), unlockHot = Marked(clNavy, clYellow);
  const TBitmap tab = Marked(clTeal, clWhite), up = Marked(clOlive, clBlack), down = Marked(clPurple, clWhite);
  const Case cases[] = {
      {"label bitmap", "object Label1: TVrLabel\n  Bitmap.Data = " + BitmapValue(fill) + "\nend\n",
       [&](TForm* f) {
         if (auto* l = Find<TVrLabel>(f, "Label1")) EXPECT_EQ(PixelsOf(&l->Bitmap()), PixelsOf(&fill));
       }},
      {"tab bar glyphs",
       "object Bar1: TAdvToolPanelTab\n  PanelGlyphs.CloseGlyphNormal.Data = " + PictureValue(close) +
           "\n  PanelGlyphs.UnLockGlyphHot.Data = " + PictureValue(unlockHot) + "\n  TabGlyph.Data = " +
           PictureValue(tab) + "\nend\n",
       [&](TForm* f) {
         auto* bar = Find<TAdvToolPanelTab>(f, "Bar1");
         if (!bar) return;
         const TToolPanelGlyphs& g = bar->PanelGlyphs();
         EXPECT_EQ(PixelsOf(g.CloseGlyphNormal.Graphic()), PixelsOf(&close));
         EXPECT_EQ(PixelsOf(g.UnLockGlyphHot.Graphic()), PixelsOf(&unlockHot));
         for (const TPicture* other : {&g.CloseGlyphDown, &g.CloseGlyphHot, &g.LockGlyphNormal, &g.LockGlyphDown,
                                       &g.LockGlyphHot, &g.UnLockGlyphNormal, &g.UnLockGlyphDown})
           EXPECT_TRUE(other->Empty());
         EXPECT_EQ(PixelsOf(bar->TabGlyph().Graphic()), PixelsOf(&tab));
       }},
      {"spin glyphs and focus control",
       "object Edit1: TEdit\nend\nobject Spin1: TAdvSpinButton\n  DownGlyph.Data = " + BitmapValue(down) +
           "\n  DownNumGlyphs = 2\n  FocusControl = Edit1\n  UpGlyph.Data = " + BitmapValue(up) + "\nend\n",
       [&](TForm* f) {
         auto* spin = Find<TAdvSpinButton>(f, "Spin1");
         if (!spin) return;
         EXPECT_EQ(PixelsOf(&spin->UpGlyph()), PixelsOf(&up));
         EXPECT_EQ(PixelsOf(&spin->DownGlyph()), PixelsOf(&down));
         EXPECT_EQ(spin->DownNumGlyphs(), 2);
         EXPECT_EQ(spin->UpNumGlyphs(), 1);
         EXPECT_EQ(spin->FocusControl(), f->FindComponent("Edit1"));
         EXPECT_NE(spin->FocusControl(), nullptr);
       }},
      {"spin with its default glyphs", "object Spin1: TAdvSpinButton\nend\n",
       [&](TForm* f) {
         auto* spin = Find<TAdvSpinButton>(f, "Spin1");
         if (!spin) return;
         const TBitmap upDefault = LoadBitmap(HInstance(), "AdvSpinUp");
         EXPECT_EQ(PixelsOf(&spin->UpGlyph()), PixelsOf(&upDefault));
         EXPECT_EQ(spin->FocusControl(), nullptr);
       }},
  };
  for (const Case& c : cases) RoundTrip(c);
}

TEST_F(FormDataPropertiesTest, ComboTextReadsWritesAndReadsBack) {
  const Case cases[] = {
      {"typed text", "object Combo1: TAdvComboBox\n  Items.Strings = (\n    'un'\n    'deux')\n  Text = 'trois'\nend\n",
       [](TForm* f) {
         auto* c = Find<TAdvComboBox>(f, "Combo1");
         if (!c) return;
         EXPECT_EQ(c->Text(), "trois");
         EXPECT_EQ(c->ItemIndex(), -1);
       }},
      {"text of an item",
       "object Combo1: TAdvComboBox\n  Style = csDropDownList\n  Items.Strings = (\n    'un'\n    'deux')\n"
       "  Text = 'deux'\nend\n",
       [](TForm* f) {
         auto* c = Find<TAdvComboBox>(f, "Combo1");
         if (!c) return;
         EXPECT_EQ(c->Text(), "deux");
         EXPECT_EQ(c->ItemIndex(), 1);
       }},
  };
  for (const Case& c : cases) RoundTrip(c);
}

}  // namespace
}  // namespace tavrel
