// The tab strip of a bar: where the tabs lie and how they are drawn.
#include <algorithm>

#include "controls/ToolPanelTab.h"

namespace tavrel {

// ---- tab strip --------------------------------------------------------------

TFont TAdvToolPanelTab::TabFont() const {
  TFont f;
  f.Assign(Font());
  if (Vertical()) f.SetOrientation(text_direction_ == tdBottomToTop ? 900 : -900);
  return f;
}

int TAdvToolPanelTab::TabLength(int index) const {
  const TToolPanel* item = panels_->Items(index);
  TCanvas c;
  c.Font().Assign(Font());
  int lt = c.TextWidth(item->Caption) + 4;
  if (images_ && item->ImageIndex >= 0) lt += images_->Width() + 6;
  return lt;
}

int TAdvToolPanelTab::TabStart(int index) const {
  int s = 2 + (Vertical() ? paint_offset_ : 0);
  for (int i = 0; i < panels_->Count(); ++i) {
    TAdvToolPanel* p = panels_->Items(i)->Panel();
    if (!p || !p->IsTabVisible()) {
      if (i == index) return -1;
      continue;
    }
    if (i == index) return s;
    s += TabLength(i) + 10;
  }
  return -1;
}

int TAdvToolPanelTab::TotalTabLength() const {
  int total = 2;
  for (int i = 0; i < panels_->Count(); ++i)
    if (TAdvToolPanel* p = panels_->Items(i)->Panel(); p && p->IsTabVisible()) total += TabLength(i) + 10;
  return total;
}

int TAdvToolPanelTab::TabAt(int x, int y) const {
  const int total = TotalTabLength();
  if (Vertical() && total > Height() && y > Height() - 10) return -1;
  if (!Vertical() && total > Width() && x > Width() - 10) return -1;
  const int along = Vertical() ? y : x;
  for (int i = 0; i < panels_->Count(); ++i) {
    const int s = TabStart(i);
    if (s >= 0 && along > s && along < s + TabLength(i) + 10) return i;
  }
  return -1;
}

// ---- painting ---------------------------------------------------------------

void TAdvToolPanelTab::Paint() {
  TCanvas& c = Canvas();
  const int w = Width(), h = Height();
  if (color_to_ == clNone) {
    c.Pen().SetColor(Color());
    c.Brush().SetColor(Color());
    c.Rectangle(0, 0, w, h);
  } else {
    DrawGradientRect(c, Color(), color_to_, Vertical() ? gdHorizontal : gdVertical, Rect(0, 0, w, h), 16);
  }
  c.Font().Assign(Font());
  const int g = c.TextWidth("gh");
  for (int i = 0; i < panels_->Count(); ++i)
    if (const int s = TabStart(i); s >= 0) PaintTab(c, i, s, g);
  if (Vertical() && TotalTabLength() > h) {
    c.Pen().SetColor(Color());
    c.Brush().SetColor(Color());
    c.Rectangle(0, h - 9, w, h);
    // The scroll arrows: down on the left, up on the right, black on a
    // white that is drawn transparent, so the bar shows around them.
    c.Draw(1, h - 9, up_down_);
  }
}

void TAdvToolPanelTab::PaintTab(TCanvas& c, int index, int s, int g) {
  const TToolPanel* item = panels_->Items(index);
  const int lt = TabLength(index);
  const int w = Width(), h = Height(), tw = tab_width_;
  const bool hover = index == hover_panel_ && tab_hover_color_ != clNone;
  const TColor from = hover ? tab_hover_color_ : tab_color_;
  const TColor to = hover ? tab_hover_color_to_ : tab_color_to_;
  const bool picture = images_ && item->ImageIndex >= 0;
  if (tab_glyph_.Empty()) {
    TRect r;
    switch (position_) {
      case ppLeft: r = Rect(0, s, tw - 1, s + lt + 4); break;
      case ppRight: r = Rect(w - tw + 2, s, w, s + lt + 4); break;
      case ppTop: r = Rect(s, 0, s + lt + 4, h - 1); break;
      case ppBottom: r = Rect(s, 1, s + lt + 4, h); break;
    }
    c.Pen().SetColor(tab_border_color_);
    c.Pen().SetWidth(1);
    if (to == clNone) {
      c.Brush().SetColor(from);
      c.Rectangle(r);
    } else {
      DrawGradientRect(c, from, to, gdHorizontal, r, 16);
      c.Pen().SetColor(tab_border_color_);
      c.Brush().SetStyle(TBrushStyle::bsClear);
      c.Rectangle(r);
      c.Brush().SetStyle(TBrushStyle::bsSolid);
    }
  } else {
    // Three slices along the strip: the picture's halves at the ends, its
    // two middle rows (columns) stretched between them.
    TBitmap& b = const_cast<TPicture&>(tab_glyph_).Bitmap();
    const int extent = lt + (images_ ? (Vertical() ? images_->Height() : images_->Width()) : 0) + 8;
    const TColor key = Vertical() ? b.Canvas().Pixel(0, b.Height() - 1) : b.Canvas().Pixel(b.Width() - 1, 0);
    const int x0 = position_ == ppRight ? w - tw : 0, y0 = position_ == ppBottom ? h - tw : 0;
    const int bw = b.Width(), bh = b.Height();
    if (Vertical()) {
      const int half = bh / 2;
      c.DrawSurface(b.Surface(), Rect(x0, s, x0 + bw, s + half), key);
      TBitmap mid;
      mid.SetSize(bw, 2);
      mid.Canvas().CopyRect(Rect(0, 0, bw, 2), b.Canvas(), Rect(0, half - 1, bw, half + 1));
      c.DrawSurface(mid.Surface(), Rect(x0, s + half, x0 + bw, s + extent - (bh - half)), key);
      TBitmap end;
      end.SetSize(bw, bh - half);
      end.Canvas().CopyRect(Rect(0, 0, bw, bh - half), b.Canvas(), Rect(0, half, bw, bh));
      c.DrawSurface(end.Surface(), Rect(x0, s + extent - (bh - half), x0 + bw, s + extent), key);
    } else {
      const int half = bw / 2;
      c.DrawSurface(b.Surface(), Rect(s, y0, s + half, y0 + bh), key);
      TBitmap mid;
      mid.SetSize(2, bh);
      mid.Canvas().CopyRect(Rect(0, 0, 2, bh), b.Canvas(), Rect(half - 1, 0, half + 1, bh));
      c.DrawSurface(mid.Surface(), Rect(s + half, y0, s + extent - (bw - half), y0 + bh), key);
      TBitmap end;
      end.SetSize(bw - half, bh);
      end.Canvas().CopyRect(Rect(0, 0, bw - half, bh), b.Canvas(), Rect(half, 0, bw, bh));
      c.DrawSurface(end.Surface(), Rect(s + extent - (bw - half), y0, s + extent, y0 + bh), key);
    }
  }
  int along = s + 4, pictureOffset = 0;
  if (picture) {
    const int iw = images_->Width();
    switch (position_) {
      case ppLeft: images_->Draw(c, (tw - iw) / 2, s + 6, item->ImageIndex); break;
      case ppRight: images_->Draw(c, w + 1 - iw - (tw - iw) / 2, s + 6, item->ImageIndex); break;
      case ppTop: images_->Draw(c, s + 6, (tw - iw) / 2, item->ImageIndex); break;
      case ppBottom: images_->Draw(c, s + 6, h + 1 - iw - (tw - iw) / 2, item->ImageIndex); break;
    }
    pictureOffset = (Vertical() ? images_->Height() : iw) + 4;
    along += pictureOffset;
  }
  int x = 0, y = 0;
  switch (position_) {
    case ppLeft: x = tw - (tw - g) / 2; break;
    case ppRight: x = w - (tw - g) / 2 + 4; break;
    case ppTop: y = 4; break;
    case ppBottom: y = h - tw + 4; break;
  }
  if (text_direction_ == tdBottomToTop) {
    x += (tw - g) / 2 - tw + 2;
    along += lt - pictureOffset - 4;
  }
  c.Font().Assign(TabFont());
  c.Brush().SetStyle(TBrushStyle::bsClear);
  if (Vertical()) c.TextOut(x, along, item->Caption);
  else c.TextOut(along, y, item->Caption);
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Font().Assign(Font());
}

}  // namespace tavrel
