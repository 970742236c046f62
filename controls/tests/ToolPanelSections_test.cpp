#include "controls/ToolPanelSections.h"

#include <gtest/gtest.h>

#include "controls/ToolPanels.h"
#include "controls/tests/controls_test_support.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

class SectionTest : public test::ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 300));
    p->SetShowClose(false);
    p->SetShowLock(false);
  }
  TAdvToolPanelSection* AddSection(int height, std::vector<std::string> items = {}) {
    TAdvToolPanelSection* s = p->Sections()->Add();
    s->SetHeight(height);
    for (auto& c : items) s->SectionItems()->Add()->SetCaption(c);
    return s;
  }
  int TextWidth(const std::string& s) {
    TCanvas m;
    m.Font().Assign(p->Font());
    return m.TextWidth(s);
  }
  // Pixels of a colour inside a rectangle of the form.
  int Count(TColor c, TRect r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += Pixel(x, y) == c;
    return n;
  }
  TAdvToolPanel* p = nullptr;
};

TEST_F(SectionTest, NewItemsAndSectionsAndTheirNames) {
  TAdvToolPanelSection* s = p->Sections()->Add();
  EXPECT_EQ(s->Height(), 48);
  EXPECT_EQ(s->ActHeight(), 48);
  EXPECT_EQ(s->Caption(), "Untitled");
  EXPECT_EQ(s->CaptionImageIndex(), -1);
  EXPECT_TRUE(s->Expanded() && s->Draw());
  EXPECT_FALSE(s->Node() || s->Autosize());
  TSectionItem* i = s->SectionItems()->Add();
  EXPECT_EQ(i->Caption(), "Untitled");
  EXPECT_EQ(i->ImageIndex(), -1);
  EXPECT_TRUE(i->Enabled());
  EXPECT_EQ(s->GetDisplayName(), "Section 0: Untitled");
  i->SetCaption("Ouvrir");
  EXPECT_EQ(i->GetDisplayName(), "Item 0: Ouvrir");
  EXPECT_EQ(s->SectionItems()->GetOwner(), p);
  // A copy takes everything but the expanded state.
  s->SetNode(true);
  s->SetExpanded(false);
  i->SetTag(7);
  TAdvToolPanelSection* copy = p->Sections()->Add();
  copy->Assign(s);
  EXPECT_EQ(copy->Height(), s->Height());
  EXPECT_TRUE(copy->Node());
  EXPECT_TRUE(copy->Expanded());
  ASSERT_EQ(copy->SectionItems()->Count(), 1);
  EXPECT_EQ(copy->SectionItems()->Items(0)->Caption(), "Ouvrir");
  EXPECT_EQ(copy->SectionItems()->Items(0)->Tag(), 7);
  copy->Assign(p->SectionLayout());  // another class: ignored
  EXPECT_EQ(copy->Caption(), "Untitled");
}

TEST_F(SectionTest, SectionsStackBelowTheCaptionAcrossThePanel) {
  AddSection(60);
  AddSection(30)->SetDraw(false);
  AddSection(40);
  EXPECT_EQ(p->SectionBounds(0), Rect(5, 23, 199, 83));
  EXPECT_EQ(p->SectionBounds(1), Rect(5, 83, 199, 113)) << "undrawn, still taking its height";
  EXPECT_EQ(p->SectionBounds(2), Rect(5, 113, 199, 153));
  p->SectionLayout()->SetIndent(10);
  p->SetWidth(300);
  EXPECT_EQ(p->SectionBounds(2), Rect(11, 113, 299, 153));
  EXPECT_EQ(p->SectionBounds(3), Rect(-1, -1, -1, -1));
  EXPECT_EQ(p->SectionCaptionHeight(), 16);
  // Pictures taller than 14 make every caption taller once a section shows one.
  TImageList* images = TComponent::Create<TImageList>(form);
  images->SetSize(20, 20);
  p->SetSectionImages(images);
  EXPECT_EQ(p->SectionCaptionHeight(), 16);
  p->Sections()->Items(1)->SetCaptionImageIndex(0);
  EXPECT_EQ(p->SectionCaptionHeight(), 22);
  images->Destroy();
  EXPECT_EQ(p->SectionImages(), nullptr);
  EXPECT_EQ(p->SectionCaptionHeight(), 16);
}

TEST_F(SectionTest, NodeBoxesAndIndexesOutOfRange) {
  AddSection(60)->SetNode(true);
  AddSection(60);
  AddSection(60)->SetNode(true);
  const TRect none{-1, -1, -1, -1};
  EXPECT_EQ(p->SectionNodeRect(0), Rect(8, 27, 17, 36));
  EXPECT_EQ(p->SectionNodeRect(1), none) << "not a node";
  EXPECT_EQ(p->SectionNodeRect(2), Rect(8, 147, 17, 156));
  EXPECT_EQ(p->SectionNodeRect(3), none) << "index = count";
  EXPECT_EQ(p->SectionNodeRect(-1), none);
  EXPECT_EQ(p->SectionNodeRect(100), none);
}

TEST_F(SectionTest, AutosizeFollowsTheItems) {
  ASSERT_EQ(p->ItemTextHeight(), 13) << "\"gh\" in the panel font";
  TAdvToolPanelSection* s = AddSection(48, {"Ouvrir", "Enregistrer", "Fermer"});
  s->SetAutosize(true);
  EXPECT_EQ(s->Height(), 16 + 3 * 13 + 4 + 6);
  s->SectionItems()->Add();
  EXPECT_EQ(s->Height(), 78);
  s->SetHeight(200);
  EXPECT_EQ(s->Height(), 78) << "set from outside while autosized";
  s->SectionItems()->Delete(0);
  EXPECT_EQ(s->Height(), 65);
  // Never down to 24 or below.
  p->SectionLayout()->SetSpacing(0);
  while (s->SectionItems()->Count() > 1) s->SectionItems()->Delete(0);
  EXPECT_EQ(s->Height(), 16 + 13 + 0 + 6);
  s->SectionItems()->Delete(0);
  EXPECT_EQ(s->Height(), 35);
  // A picture on an item measures again with the picture row.
  TImageList* images = TComponent::Create<TImageList>(form);
  images->SetSize(20, 20);
  p->SetSectionImages(images);
  s->SectionItems()->Add();
  s->SectionItems()->Add();
  s->SetAutosize(true);
  EXPECT_EQ(s->Height(), 16 + 2 * 13 + 6);
  s->SectionItems()->Items(0)->SetImageIndex(0);
  EXPECT_EQ(s->Height(), 16 + 2 * 22 + 6);
  // Heights set by hand move the controls below the section.
  s->SetAutosize(false);
  auto* below = Make<TEdit>(p, Bounds(10, 200, 50, 20));
  s->SetHeight(s->Height() + 15);
  EXPECT_EQ(below->Top(), 215);
}

TEST_F(SectionTest, AutosizeReadFromFormDataIsMeasuredOnceLoaded) {
  form->BeginLoading();
  auto* q = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 300));
  TAdvToolPanelSection* s = q->Sections()->Add();
  s->SetAutosize(true);
  for (const char* c : {"a", "b", "c"}) s->SectionItems()->Add()->SetCaption(c);
  s->SetHeight(60);  // the stored height, a little off
  EXPECT_TRUE(s->Autosize());
  EXPECT_EQ(s->Height(), 60);
  auto* below = Make<TEdit>(q, Bounds(10, 200, 50, 20));
  form->EndLoading();
  EXPECT_EQ(s->Height(), 65);
  EXPECT_EQ(below->Top(), 205) << "moved by what the measure changed";
  s->SetHeight(100);
  EXPECT_EQ(s->Height(), 65);
}

TEST_F(SectionTest, CollapseHidesAndMovesExpandRestoresExactly) {
  TAdvToolPanelSection* s0 = AddSection(60);  // 23..83
  TAdvToolPanelSection* s1 = AddSection(80);  // 83..163
  s0->SetNode(true);
  s1->SetNode(true);
  auto* a = Make<TEdit>(p, Bounds(10, 70, 50, 10));   // inside s0
  auto* b = Make<TEdit>(p, Bounds(10, 100, 50, 10));  // inside s1
  auto* c = Make<TEdit>(p, Bounds(10, 130, 50, 10));  // inside s1
  auto* d = Make<TEdit>(p, Bounds(10, 200, 50, 10));  // below
  auto* e = Make<TEdit>(p, Bounds(10, 250, 50, 10));  // below
  std::vector<std::string> events;
  p->OnNodeCollapse = TNodeEvent([&](TObject*, int i) { events.push_back("collapse " + std::to_string(i)); });
  p->OnNodeExpand = TNodeEvent([&](TObject*, int i) { events.push_back("expand " + std::to_string(i)); });
  const std::vector<TEdit*> all{a, b, c, d, e};
  auto layout = [&] {
    std::string s;
    for (TEdit* x : all) s += (x->Visible() ? "" : "-") + std::to_string(x->Top()) + " ";
    return s;
  };
  const std::string original = layout();

  struct Step {
    TAdvToolPanelSection* section;
    bool expand;
    std::string layout;
  };
  const Step steps[] = {
      // Collapsed to 16 + 4: the controls inside hide, those below move up by 60.
      {s1, false, "70 -100 -130 140 190 "},
      {s1, true, original},
      // s0 up by 40: the control inside it hides; s1 now spans 43..123 and holds a's place.
      {s0, false, "-70 60 90 160 210 "},
      {s1, false, "-70 -60 -90 100 150 "},
      // a lies inside s1 but belongs to s0: it stays hidden where it is.
      {s1, true, "-70 60 90 160 210 "},
      {s0, true, original},
  };
  for (const Step& st : steps) {
    st.section->SetExpanded(st.expand);
    EXPECT_EQ(layout(), st.layout);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"collapse 1", "expand 1", "collapse 0", "collapse 1",
                                              "expand 1", "expand 0"}));
  EXPECT_EQ(s1->Height(), 80);
  EXPECT_TRUE(s1->ControlList().empty());
  // Only a node collapses.
  s0->SetNode(false);
  s0->SetExpanded(false);
  EXPECT_TRUE(s0->Expanded());
  EXPECT_EQ(layout(), original);
}

TEST_F(SectionTest, ClickOnTheNodeBoxToggles) {
  TAdvToolPanelSection* s = AddSection(60);
  AddSection(60);
  auto* inside = Make<TEdit>(p, Bounds(10, 50, 50, 10));
  Paint();
  Click(p, 12, 31);  // a section without a box
  EXPECT_TRUE(s->Expanded());
  s->SetNode(true);
  Click(p, 12, 31);
  EXPECT_FALSE(s->Expanded());
  EXPECT_FALSE(inside->Visible());
  Click(p, 12, 31);
  EXPECT_TRUE(s->Expanded());
  EXPECT_TRUE(inside->Visible());
  // Without a caption bar the first box lies near the top and still answers.
  p->SetShowCaption(false);
  const TRect box = p->SectionNodeRect(0);
  ASSERT_LT(box.Top, ToolPanelCaptionHeight);
  Click(p, box.Left + 2, box.Top + 2);
  EXPECT_FALSE(s->Expanded());
}

TEST_F(SectionTest, ADestroyedHiddenControlLeavesTheSectionsList) {
  TAdvToolPanelSection* s = AddSection(60);
  s->SetNode(true);
  auto* inside = Make<TEdit>(p, Bounds(10, 50, 50, 10));
  s->SetExpanded(false);
  ASSERT_EQ(s->ControlList().size(), 1u);
  inside->Destroy();
  EXPECT_TRUE(s->ControlList().empty());
  s->SetExpanded(true);  // touches no freed control
  EXPECT_TRUE(s->Expanded());
}

TEST_F(SectionTest, ItemUnderAPoint) {
  AddSection(100, {"Ouvrir", "-", "Fermer", "a", "b", "c", "d"});  // 23..123
  TAdvToolPanelSection* second = AddSection(60, {"Un"});            // 123..183
  TAdvToolPanelSection* folded = AddSection(60, {"Deux"});          // 183..243
  folded->SetNode(true);
  folded->SetExpanded(false);
  const int right = 16 + TextWidth("Ouvrir");
  struct Case {
    const char* what;
    TPoint at;
    int section, item;
  };
  // Item j of a section at top t lies at y t + 16 + 4 + 13·j, from x 16.
  const Case cases[] = {
      {"on the text", {20, 45}, 0, 0},
      {"last pixel of the text", {right - 1, 55}, 0, 0},
      {"right of the text end", {right + 1, 45}, -1, -1},
      {"left of the text", {15, 45}, -1, -1},
      {"a separator", {20, 58}, -1, -1},
      {"third item", {20, 71}, 0, 2},
      {"second section", {20, 145}, 1, 0},
      {"a collapsed section", {20, 205}, -1, -1},
      // Row 123 belongs to both sections: the first one's last item wins.
      {"a row shared by two sections", {20, 123}, 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int item = 0, section = 0;
    TRect r;
    EXPECT_EQ(p->SectionItemAt(c.at.X, c.at.Y, item, section, r), c.item >= 0);
    EXPECT_EQ(section, c.section);
    EXPECT_EQ(item, c.item);
    if (c.item >= 0) {
      const int top = p->SectionTop(c.section) + 16 + 13 * c.item + 4;
      EXPECT_EQ(r, Rect(5, top, 199, top + 13)) << "the whole row is reported";
    } else {
      EXPECT_EQ(r, Rect(-1, -1, -1, -1));
    }
  }
  (void)second;
}

TEST_F(SectionTest, CornersRoundTheTopOfTheCaptionStrip) {
  AddSection(48);
  struct Case {
    TSectionCorners corners;
    bool left, right;  // corner pixel painted
  };
  const Case cases[] = {
      {scRectangle, true, true},
      {scRoundLeft, false, true},
      {scRoundRight, true, false},
      {scRoundLeftRight, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "corners " << c.corners);
    p->SectionLayout()->SetCorners(c.corners);
    Paint();
    const TColor background = Pixel(2, 23);
    EXPECT_EQ(Pixel(5, 23) != background, c.left);
    EXPECT_EQ(Pixel(197, 23) != background, c.right);
    EXPECT_NE(Pixel(13, 23), background) << "round only at the corner";
    EXPECT_NE(Pixel(5, 39), background) << "the lower half stays square";
    EXPECT_NE(Pixel(197, 39), background);
  }
}

TEST_F(SectionTest, StripNodeBoxAndBodyLines) {
  // Section 23..71: strip rows 23..39, body 40..66, spacing below.
  TAdvToolPanelSection* s = AddSection(48);
  s->SetNode(true);
  Paint();
  const TColor gray = RGB(128, 128, 128);
  EXPECT_EQ(Pixel(12, 27), gray) << "the box (8,27)-(17,36) outlined";
  EXPECT_EQ(Pixel(8, 31), gray);
  for (int x = 10; x < 15; ++x) EXPECT_EQ(Pixel(x, 31), clBlack) << "the minus, x " << x;
  // Three border lines in white; the right side stays open.
  EXPECT_EQ(Pixel(100, 40), clWhite);
  EXPECT_EQ(Pixel(5, 50), clWhite);
  EXPECT_EQ(Pixel(100, 66), clWhite);
  EXPECT_NE(Pixel(198, 50), clWhite);
  EXPECT_NE(Pixel(100, 39), clWhite);
  p->SectionLayout()->SetUnderLineCaption(true);
  Paint();
  EXPECT_EQ(Pixel(100, 39), clWhite) << "the caption underline";

  s->SetExpanded(false);
  Paint();
  int minus = 0, plus = 0;
  for (int x = 10; x < 15; ++x) minus += Pixel(x, 31) == clBlack;
  for (int y = 28; y < 35; ++y)
    for (int x = 9; x < 16; ++x) plus += Pixel(x, y) == clBlack;
  EXPECT_LT(minus, 5);
  EXPECT_GT(plus, 4) << "a plus sign instead";
  EXPECT_EQ(Pixel(100, 40), Pixel(2, 40)) << "no body when collapsed: the panel shows";
}

// A "-" item is one line in the border colour across its row, at half the
// item height + 2 (at least 10) below the row's top, from where the item
// text (without pictures) or the pictures (with them) start to W - 2.
TEST_F(SectionTest, SeparatorLineLiesAtItsOffsetInTheRow) {
  TCanvas m;
  m.Font().Assign(p->Font());
  const int textH = m.TextHeight("gh");
  struct Case {
    int picture;  // size of the section pictures; 0: none
    int h, lineX;
  } cases[] = {
      {0, textH, 4 + 12},            // item x 12, after the indent
      {8, textH, 12 + 8 + 4 - 8 - 2},  // pictures lower than the text
      {20, 22, 12 + 20 + 4 - 20 - 2},  // pictures make the rows 22 high
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    TAdvToolPanelSection* s = AddSection(100, {"Ouvrir", "-", "Fermer"});
    TSectionLayout* l = p->SectionLayout();
    l->SetBackGroundColor(clWhite);
    l->SetBackGroundColorTo(clWhite);
    l->SetBorderColor(clRed);
    l->SetBorderWidth(1);
    TImageList* images = c.picture ? test::SolidImages(form, c.picture, clLime) : nullptr;
    p->SetSectionImages(images);
    if (images) s->SectionItems()->Items(2)->SetImageIndex(0);
    Paint();
    const int lineY = 23 + 16 + std::max(c.h / 2 + 2, 10) + c.h;
    // Red pixels of a row between the body's left border and its open right side.
    auto redRun = [&](int y) {
      std::string run;
      for (int x = 6; x < 199; ++x) run += Pixel(x, y) == clRed ? '#' : '.';
      return run;
    };
    EXPECT_EQ(redRun(lineY), std::string(c.lineX - 6, '.') + std::string(198 - c.lineX, '#') + ".");
    EXPECT_EQ(redRun(lineY - 1), std::string(193, '.'));
    EXPECT_EQ(redRun(lineY + 1), std::string(193, '.'));
    p->SetSectionImages(nullptr);
    if (images) images->Destroy();
    p->Sections()->Clear();
  }
}

TEST_F(SectionTest, CaptionAndItemPictures) {
  TImageList* images = test::SolidImages(form, 8, clRed);
  p->SetSectionImages(images);
  TAdvToolPanelSection* s = AddSection(60, {"Ouvrir", "Fermer"});
  s->SetCaptionImageIndex(0);
  s->SectionItems()->Items(1)->SetImageIndex(0);
  Paint();
  EXPECT_EQ(p->SectionCaptionHeight(), 16) << "pictures of 8 fit the strip";
  // Caption picture at (Indent + 2, top + 2).
  EXPECT_EQ(Pixel(6, 25), clRed);
  EXPECT_EQ(Pixel(13, 32), clRed);
  EXPECT_NE(Pixel(5, 25), clRed);
  // Items move right by the picture width; the picture sits left of the text
  // at (12 + 8 + 4 - 8 - 2, top + 16 + 13·j + 4).
  EXPECT_NE(Pixel(14, 43), clRed) << "item 0 has no picture";
  EXPECT_EQ(Pixel(14, 56), clRed);
  EXPECT_EQ(Pixel(21, 63), clRed);
  int item = -1, section = -1;
  TRect r;
  EXPECT_TRUE(p->SectionItemAt(16, 58, item, section, r)) << "the picture is part of the item";
  EXPECT_EQ(item, 1);
  EXPECT_FALSE(p->SectionItemAt(16, 45, item, section, r)) << "item 0 starts at its text";
  EXPECT_TRUE(p->SectionItemAt(25, 45, item, section, r));
}

TEST_F(SectionTest, ItemsPaintWithinTheBodyInTheirStates) {
  // Body 23 + 16 .. 23 + 48 - 4: two rows fit, the third would start at 69.
  TAdvToolPanelSection* s = AddSection(48, {"Ouvrir", "Fermer", "Quitter", "Aide"});
  s->SectionItems()->Items(1)->SetEnabled(false);
  p->SectionLayout()->SetItemHoverTextColor(clRed);
  const TColor item = p->SectionLayout()->ItemFontColor();
  const TColor gray = RGB(128, 128, 128);
  Paint();
  const TRect row0 = Rect(16, 43, 199, 56), row1 = Rect(16, 56, 199, 67);
  EXPECT_GT(Count(item, row0), 20);
  EXPECT_GT(Count(gray, row1), 20);
  EXPECT_EQ(Count(item, Rect(0, 67, 200, 300)), 0) << "items past the body are not drawn";

  // Hovered: the hover colour, underlined across the text.
  Mouse(WM_MOUSEMOVE, p, 20, 45);
  Paint();
  EXPECT_EQ(p->HoverSectionIndex(), 0);
  EXPECT_EQ(p->HoverSectionItemIndex(), 0);
  EXPECT_EQ(Screen()->Cursor(), crHandPoint);
  EXPECT_EQ(Count(item, row0), 0);
  const int w = TextWidth("Ouvrir");
  int fullRows = 0;
  for (int y = row0.Top; y < row0.Bottom; ++y) fullRows += Count(clRed, Rect(16, y, 16 + w, y + 1)) == w;
  EXPECT_EQ(fullRows, 1) << "one underline";
  // A disabled item under the mouse stays gray and is never underlined.
  Mouse(WM_MOUSEMOVE, p, 20, 58);
  Paint();
  EXPECT_EQ(p->HoverSectionItemIndex(), 1);
  EXPECT_EQ(Count(clRed, row1), 0);
  const int w1 = TextWidth("Fermer");
  for (int y = 56; y < 67; ++y) EXPECT_LT(Count(gray, Rect(16, y, 16 + w1, y + 1)), w1) << y;
  EXPECT_GT(Count(item, row0), 20) << "the old item is plain again";
  // Off the items: the panel's cursor comes back.
  Mouse(WM_MOUSEMOVE, p, 150, 200);
  EXPECT_EQ(p->HoverSectionItemIndex(), -1);
  EXPECT_EQ(Screen()->Cursor(), crDefault);
}

}  // namespace
}  // namespace tavrel
