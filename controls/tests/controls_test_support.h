#pragma once
// Helpers of the controls tests: an offscreen application with a form and
// a fake clock, pixel reads from the form's surface, a tab bar stand-in
// that records what a panel asks of it, and reference text renderings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ToolPanels.h"
#include "platform/ui/offscreen.h"

namespace tavrel::test {

class ControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageClock(clock);
    app = TComponent::CreateUnowned<TApplication>(backend);
    form = app->CreateForm<TForm>();
    form->SetBounds(0, 0, 440, 360);
  }
  void TearDown() override {
    app.reset();
    SetMessageClock(nullptr);
  }
  template <class T>
  T* Make(TWinControl* parent, TRect bounds) {
    T* c = TComponent::Create<T>(form);
    c->SetParent(parent);
    c->SetBoundsRect(bounds);
    return c;
  }
  // Shows the form (once) and paints whatever is invalid.
  void Paint() {
    if (!form->Showing()) form->Show();
    app->ProcessMessages();
  }
  TColor Pixel(int x, int y) { return form->Canvas().Pixel(x, y); }
  // The cursor at a client point of a control, as the panel reads it when painting.
  void PointAt(TControl* c, int x, int y) { SetCursorPos(c->ClientToScreen({x, y})); }
  // Mouse input at a client point of a control, routed by the form.
  void Mouse(UINT msg, TControl* c, int x, int y, WPARAM keys = 0) {
    const TPoint f = c->ClientToForm({x, y});
    PointAt(c, x, y);
    form->InjectMouse(msg, f.X, f.Y, keys);
  }
  void Click(TControl* c, int x, int y) {
    Mouse(WM_MOUSEMOVE, c, x, y);
    Mouse(WM_LBUTTONDOWN, c, x, y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, c, x, y);
  }

  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1000);
  std::shared_ptr<OffscreenBackend> backend = std::make_shared<OffscreenBackend>();
  ComponentPtr<TApplication> app;
  TForm* form = nullptr;
};

// A w x h picture of one colour.
inline TBitmap SolidBitmap(int w, int h, TColor colour) {
  TBitmap pic;
  pic.SetSize(w, h);
  pic.Canvas().Brush().SetColor(colour);
  pic.Canvas().FillRect(Rect(0, 0, w, h));
  return pic;
}

// Adds one square picture of one colour to an image list of that size.
inline void AddSolidImage(TImageList* images, int size, TColor colour) {
  images->SetSize(size, size);
  TBitmap pic = SolidBitmap(size, size, colour);
  images->AddMasked(pic, clNone);
}

// An image list holding one square picture of one colour.
inline TImageList* SolidImages(TComponent* owner, int size, TColor colour) {
  auto* images = TComponent::Create<TImageList>(owner);
  AddSolidImage(images, size, colour);
  return images;
}

// A bitmap's "Data" as form data holds it: the image's byte count, low
// byte first, then the image file.
inline std::vector<uint8_t> BitmapRecord(const std::vector<uint8_t>& image, uint32_t count) {
  std::vector<uint8_t> r;
  for (int i = 0; i < 4; ++i) r.push_back(uint8_t(count >> (8 * i)));
  r.insert(r.end(), image.begin(), image.end());
  return r;
}
inline std::vector<uint8_t> BitmapRecord(const std::vector<uint8_t>& image) {
  return BitmapRecord(image, uint32_t(image.size()));
}

// A picture's "Data": the graphic's class name as a short string, then
// the bitmap's record.
inline std::vector<uint8_t> PictureRecord(const std::string& className, const std::vector<uint8_t>& image,
                                          uint32_t count) {
  std::vector<uint8_t> r{uint8_t(className.size())};
  r.insert(r.end(), className.begin(), className.end());
  const std::vector<uint8_t> bitmap = BitmapRecord(image, count);
  r.insert(r.end(), bitmap.begin(), bitmap.end());
  return r;
}
inline std::vector<uint8_t> PictureRecord(const std::vector<uint8_t>& image) {
  return PictureRecord("TBitmap", image, uint32_t(image.size()));
}

// Bytes as form text writes binary values: two upper-case hex digits each.
inline std::string HexText(const std::vector<uint8_t>& bytes) {
  static const char* const digits = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

// A tab bar that answers from its fields and logs every call.
class FakeTab : public IToolPanelTab {
 public:
  TPanelPosition position = ppLeft;
  bool autoDock = true;
  bool allowHide = true;
  TToolPanelGlyphs glyphs;
  TWinControl* panelForm = nullptr;
  std::vector<std::string> log;

  TPanelPosition Position() const override { return position; }
  bool AutoDock() const override { return autoDock; }
  const TToolPanelGlyphs& PanelGlyphs() const override { return glyphs; }
  void UpdatePanel(TAdvToolPanel*) override { log.push_back("UpdatePanel"); }
  void PanelHiddenChanged(TAdvToolPanel*) override { log.push_back("PanelHiddenChanged"); }
  void UpdatePanels() override { log.push_back("UpdatePanels"); }
  void ReapplyLockedSizes() override { log.push_back("ReapplyLockedSizes"); }
  void RollOut(TAdvToolPanel*) override { log.push_back("RollOut"); }
  void ApplyLockState(TAdvToolPanel* p) override {
    log.push_back(p->Locked() ? "ApplyLockState locked" : "ApplyLockState unlocked");
  }
  void SetPanelState(TAdvToolPanel*, TPanelState s) override {
    log.push_back("SetPanelState " + std::to_string(s));
  }
  bool AllowTabHide(TAdvToolPanel*) override {
    log.push_back("AllowTabHide");
    return allowHide;
  }
  void TabHide(TAdvToolPanel*) override { log.push_back("TabHide"); }
  TWinControl* PanelForm() override { return panelForm; }
  void RestartAwayCount() override { log.push_back("RestartAwayCount"); }
  void EnableAwayCount(bool e) override { log.push_back(e ? "EnableAwayCount" : "DisableAwayCount"); }
  void BeginDockDrag(TAdvToolPanel*) override { log.push_back("BeginDockDrag"); }
  void CancelDockDrag(TAdvToolPanel*) override { log.push_back("CancelDockDrag"); }
  void RepaintTabs() override { log.push_back("RepaintTabs"); }

  bool Logged(const std::string& s) const {
    for (auto& l : log)
      if (l == s) return true;
    return false;
  }
};

// Where the text of a font, drawn unturned at (0, 0), puts ink: a
// reference the turned and styled drawings are checked against.
struct Glyphs {
  int w = 0, h = 0;
  std::vector<bool> ink;
  bool at(int u, int v) const { return u >= 0 && v >= 0 && u < w && v < h && ink[v * w + u]; }
  int count() const {
    int n = 0;
    for (bool b : ink) n += b;
    return n;
  }
};

inline Glyphs RenderGlyphs(const TFont& font, const std::string& text) {
  TBitmap b;
  TCanvas measure;
  measure.Font().Assign(font);
  measure.Font().SetOrientation(0);
  Glyphs g{measure.TextWidth(text), measure.TextHeight(text), {}};
  b.SetSize(g.w, g.h);
  b.Canvas().Font().Assign(measure.Font());
  b.Canvas().Font().SetColor(clBlack);
  b.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  b.Canvas().TextOut(0, 0, text);
  for (int v = 0; v < g.h; ++v)
    for (int u = 0; u < g.w; ++u) g.ink.push_back(b.Canvas().Pixel(u, v) == clBlack);
  return g;
}

}  // namespace tavrel::test
