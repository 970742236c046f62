// Painting of the tool panel: background, picture, sections, caption bar.
#include <cairo.h>

#include <algorithm>

#include "controls/ToolPanels.h"
#include "platform/ui/drawtext.h"

namespace tavrel {

namespace {

constexpr TColor kGrayLine = RGB(128, 128, 128);

// A gradient whose second colour is clNone is switched off: flat first colour.
void FillBands(TCanvas& c, TColor from, TColor to, TGradientDirection dir, const TRect& r,
               int bands) {
  if (to == clNone) {
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(from);
    c.FillRect(r);
    return;
  }
  DrawGradientRect(c, from, to, dir, r, bands);
}

void Line(TCanvas& c, int x0, int y0, int x1, int y1) {
  c.MoveTo(x0, y0);
  c.LineTo(x1, y1);
}

void SetPen(TCanvas& c, TColor colour, int width = 1) {
  c.Pen().SetStyle(TPenStyle::psSolid);
  c.Pen().SetColor(colour);
  c.Pen().SetWidth(width);
}

// Narrows the canvas clip to a region given in the canvas's own
// coordinates; RestoreDC lifts it with everything else saved.
void IntersectClipRegion(TCanvas& c, const TRegion& rgn) {
  cairo_t* cr = c.Context();
  if (!cr) return;
  cairo_new_path(cr);
  rgn.AddToPath(cr);
  cairo_clip(cr);
}

}  // namespace

void TAdvToolPanel::Paint() {
  TCanvas& c = Canvas();
  // What the platform panel puts below: the control colour. The pen is the
  // flat background's outline.
  SetPen(c, clBlack);
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  PaintBackground(c);
  PaintBackgroundPicture(c);
  PaintSections(c);
  if (!floating_ && show_caption_) PaintCaptionBar(c);
}

void TAdvToolPanel::PaintBackground(TCanvas& c) {
  const int w = ClientWidth(), h = ClientHeight(), bw = border_width_;
  if (color_to_ == clNone) {
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(Color());
    c.Rectangle(ClientRect());
    return;
  }
  DrawGradientRect(c, Color(), color_to_, gradient_direction_, Rect(bw, 0, w - 2 * bw, h - 2 * bw),
                   128);
}

void TAdvToolPanel::PaintBackgroundPicture(TCanvas& c) {
  if (background_.Empty()) return;
  TGraphic& g = *background_.Graphic();
  g.SetTransparent(background_transparent_);
  const int w = ClientWidth(), h = ClientHeight(), bw = border_width_, bv = bevel_width_;
  const int top = ToolPanelCaptionHeight;
  const bool gradient = color_to_ != clNone;
  // Left, right and bottom of the picture area, inside the border.
  const int left = gradient ? bw : 1;
  const int right = gradient ? w - 2 * bw + 2 : w;
  const int bottom = gradient ? h - 2 * bw + 2 : h;
  const int pw = g.Width(), ph = g.Height();
  const int x0 = std::max(left, right - left - pw - bv);
  const int y0 = std::max(top, h - ph - bv - 1);
  switch (background_position_) {
    case bpTopLeft: c.Draw(left, top, g); break;
    case bpTopRight: c.Draw(x0, top, g); break;
    case bpBottomLeft: c.Draw(left, y0, g); break;
    case bpBottomRight: c.Draw(x0, y0, g); break;
    case bpTiled:
      for (int y = top; y < h; y += ph)
        for (int x = left; x < w; x += pw) c.Draw(x, y, g);
      break;
    case bpStretched: c.StretchDraw(Rect(left, top, right, bottom), g); break;
    case bpCenter: c.Draw(x0 / 2, std::max(top, h - ph - bv) / 2, g); break;
  }
}

void TAdvToolPanel::PaintSections(TCanvas& c) {
  int y = SectionTop(0);
  for (int i = 0; i < sections_->Count(); ++i) {
    const TAdvToolPanelSection* s = sections_->Items(i);
    if (s->Draw()) PaintSection(c, i, y);
    y += s->Height();
  }
}

void TAdvToolPanel::PaintSection(TCanvas& c, int index, int y) {
  const TAdvToolPanelSection& s = *sections_->Items(index);
  const TSectionLayout& l = *section_layout_;
  const int w = ClientWidth(), capH = SectionCaptionHeight(), indent = l.Indent();
  const int textH = ItemTextHeight();
  TImageList* images = section_images_;

  // 1. Caption strip, its top corners rounded as Corners asks.
  if (l.CaptionColor() != clNone) {
    if (l.Corners() == scRectangle) {
      FillBands(c, l.CaptionColor(), l.CaptionColorTo(), l.CaptionGradientDir(),
                Rect(indent + 1, y, w - 2, y + capH + 1), 48);
    } else {
      const TRect r = Rect(indent + 1, y, w - 1, y + capH + 1);
      const int midX = r.Left + r.Width() / 2, midY = r.Top + r.Height() / 2;
      TRegion rgn = TRegion::FromRoundRect(Rect(r.Left, r.Top, r.Right - 1, r.Bottom), 16, 16);
      rgn.Combine(TRegion::FromRect(Rect(r.Left, midY, r.Right - 1, r.Bottom)));
      if (l.Corners() == scRoundLeft) rgn.Combine(TRegion::FromRect(Rect(midX, r.Top, r.Right - 1, r.Bottom)));
      if (l.Corners() == scRoundRight) rgn.Combine(TRegion::FromRect(Rect(r.Left, r.Top, midX, r.Bottom)));
      const int saved = c.SaveDC();
      IntersectClipRegion(c, rgn);
      FillBands(c, l.CaptionColor(), l.CaptionColorTo(), l.CaptionGradientDir(), r, 48);
      c.RestoreDC(saved);
    }
  }
  // 2. Underline.
  if (l.UnderLineCaption()) {
    SetPen(c, l.BorderColor(), l.BorderWidth());
    Line(c, indent + 1, y + capH, w - 2, y + capH);
  }
  // 3. Node box.
  int x = 0;
  if (s.Node()) {
    const TRect box = SectionNodeRect(index);
    if (l.BackGroundColor() != clNone && l.BackGroundColorTo() != clNone)
      DrawGradientRect(c, l.BackGroundColor(), l.BackGroundColorTo(), gdHorizontal, box, 16);
    SetPen(c, kGrayLine);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.RoundRect(box.Left, box.Top, box.Right, box.Bottom, 3, 3);
    if (s.Expanded()) {
      SetPen(c, clBlack);
      Line(c, box.Left + 2, box.Top + 4, box.Left + 7, box.Top + 4);
    } else {
      c.Font().Assign(Font());
      c.Font().SetSize(7);
      c.Font().SetColor(clBlack);
      c.TextOut(box.Left + 1, box.Top - 3, "+");
    }
    x = 12;
  }
  // 4. Caption picture, 5. caption text.
  if (images && s.CaptionImageIndex() >= 0) {
    images->Draw(c, x + indent + 2, y + 2, s.CaptionImageIndex());
    x += images->Width();
  }
  c.Font().Assign(Font());
  c.Font().SetColor(l.CaptionFontColor());
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.TextOut(x + indent + 4, y + (capH - textH) / 2, s.Caption());
  if (!s.Expanded()) return;

  // 6. Body: gradient, three border lines (the right side stays open), items.
  const int bodyEnd = y + s.Height() - l.Spacing();
  if (l.BackGroundColor() != clNone)
    FillBands(c, l.BackGroundColor(), l.BackGroundColorTo(), l.BackGroundGradientDir(),
              Rect(indent + 1, y + capH + 1, w - 1, bodyEnd), 128);
  if (l.BorderColor() != clNone && l.BorderWidth() > 0) {
    SetPen(c, l.BorderColor(), l.BorderWidth());
    c.MoveTo(w - 2, y + capH + 1);
    c.LineTo(indent + 1, y + capH + 1);
    c.LineTo(indent + 1, bodyEnd - 1);
    c.LineTo(w - 2, bodyEnd - 1);
  }
  const TSectionItems& items = *s.SectionItems();
  int itemX = 12, pictureRow = 0, pictureW = 0;
  bool pictures = false;
  for (int j = 0; j < items.Count(); ++j) pictures |= items.Items(j)->ImageIndex() >= 0;
  if (images && pictures) {
    pictureW = images->Width();
    itemX += pictureW;
    pictureRow = images->Height() + 2;
  }
  const int h = std::max(textH, pictureRow);
  int o = (h - textH) / 2;
  if (o <= 4) o = 4;
  const int sep = std::max(h / 2 + 2, 10);
  for (int j = 0; j < items.Count(); ++j) {
    const int rowTop = y + capH + o + j * h;
    if (rowTop >= bodyEnd) break;
    const TSectionItem& item = *items.Items(j);
    if (item.IsSeparator()) {
      SetPen(c, l.BorderColor(), l.BorderWidth());
      const int lineY = y + capH + sep + j * h;
      Line(c, images && itemX > 12 ? itemX + indent - pictureW - 2 : indent + itemX, lineY, w - 2,
           lineY);
      continue;
    }
    if (images && item.ImageIndex() >= 0)
      images->Draw(c, itemX + indent - pictureW - 2, y + capH + j * h + 4, item.ImageIndex());
    c.Font().Assign(Font());
    const bool hovered = index == hover_section_ && j == hover_item_;
    if (!item.Enabled()) {
      c.Font().SetColor(kGrayLine);
    } else if (hovered) {
      c.Font().SetColor(l.ItemHoverTextColor());
      if (l.ItemHoverUnderline()) c.Font().SetStyle(c.Font().Style() | fsUnderline);
    } else {
      c.Font().SetColor(l.ItemFontColor());
    }
    c.Brush().SetStyle(TBrushStyle::bsClear);
    TRect r = Rect(indent + itemX, rowTop, w - 2, rowTop + h);
    DrawText(c, item.Caption(), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void TAdvToolPanel::PaintButtonLook(TCanvas& c, const TRect& b, bool hovered, bool pressed) {
  if (!hovered) return;
  if (button_3d_) {
    const TColor lightSide = pressed ? kGrayLine : clWhite;
    const TColor darkSide = pressed ? clWhite : kGrayLine;
    SetPen(c, lightSide);
    c.MoveTo(b.Left, b.Bottom - 1);
    c.LineTo(b.Left, b.Top);
    c.LineTo(b.Right - 1, b.Top);
    SetPen(c, darkSide);
    c.LineTo(b.Right - 1, b.Bottom - 1);
    c.LineTo(b.Left - 1, b.Bottom - 1);
    return;
  }
  const TColor from = pressed ? down_button_color_ : hover_button_color_;
  const TColor to = pressed ? down_button_color_to_ : hover_button_color_to_;
  if (from != clNone) FillBands(c, from, to, caption_gradient_direction_, b, 16);
  SetPen(c, clBlack);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.Rectangle(b.Left, b.Top, b.Right, b.Bottom + 1);
}

void TAdvToolPanel::PaintCaptionBar(TCanvas& c) {
  const int w = ClientWidth();
  const TPoint cursor = CursorInClient();
  auto hovered = [&](const TRect& r) { return PtInRect(r, cursor); };

  // 1. The bar, in the focus colours while the focus is inside.
  const TRect k = Rect(1, 1, w - 2, 22);
  const TColor text = active_ ? focus_caption_font_color_ : nofocus_caption_font_color_;
  if (active_) {
    FillBands(c, focus_caption_color_, focus_caption_color_to_, caption_gradient_direction_, k, 16);
  } else {
    FillBands(c, nofocus_caption_color_, nofocus_caption_color_to_, caption_gradient_direction_, k,
              16);
    if (show_caption_border_) {
      SetPen(c, kGrayLine);
      c.Brush().SetStyle(TBrushStyle::bsClear);
      c.RoundRect(k.Left, k.Top, k.Right, k.Bottom, 3, 3);
    }
  }

  // 2-4. Buttons from the right.
  int right = w - 2;
  const int top = 1;
  const TToolPanelGlyphs* glyphs = tab_ ? &tab_->PanelGlyphs() : nullptr;
  auto drawGlyph = [&](const TPicture& normal, const TPicture& down, const TPicture& hot,
                       const TRect& b) {
    const bool over = hovered(b);
    const TPicture& p = over && mouse_down_ ? down : over ? hot : normal;
    if (!p.Empty()) c.Draw(b.Left + 1, b.Top + 1, *p.Graphic());
  };
  if (show_close_) {
    if (glyphs && !glyphs->CloseGlyphNormal.Empty()) {
      const int gw = glyphs->CloseGlyphNormal.Width(), gh = glyphs->CloseGlyphNormal.Height();
      const TRect b = InflateRect(Rect(right - gw - 4, top + 2, right - 6, top + gh), 1, 1);
      drawGlyph(glyphs->CloseGlyphNormal, glyphs->CloseGlyphDown, glyphs->CloseGlyphHot, b);
      right -= gw + 5;
    } else {
      const int gw = close_glyph_.Width(), gh = close_glyph_.Height();
      const TRect b = InflateRect(Rect(right - gw - 4, top + 2, right - 6, top + gh), 1, 1);
      PaintButtonLook(c, b, hovered(b), hovered(b) && mouse_down_);
      SetPen(c, text);
      const int x = right - gw;
      Line(c, x - 1, top + 11, x + 7, top + 4);
      Line(c, x, top + 11, x + 6, top + 4);
      Line(c, x - 1, top + 5, x + 7, top + 12);
      Line(c, x, top + 5, x + 6, top + 12);
      right -= gw + 5;
    }
  }
  if (show_lock_) {
    if (glyphs && !glyphs->LockGlyphNormal.Empty()) {
      const int gw = glyphs->LockGlyphNormal.Width(), gh = glyphs->LockGlyphNormal.Height();
      const TRect b = InflateRect(Rect(right - gw - 4, top + 2, right - 6, top + gh), 1, 1);
      if (locked_) drawGlyph(glyphs->LockGlyphNormal, glyphs->LockGlyphDown, glyphs->LockGlyphHot, b);
      else drawGlyph(glyphs->UnLockGlyphNormal, glyphs->UnLockGlyphDown, glyphs->UnLockGlyphHot, b);
    } else {
      const TBitmap& g = locked_ ? locked_glyph_ : unlocked_glyph_;
      const TRect p = Rect(right - g.Width() - 2, top + 2, right - 1, top + g.Height());
      const TRect b = InflateRect(p, 1, 1);
      PaintButtonLook(c, b, hovered(b), hovered(b) && mouse_down_);
      SetPen(c, text);
      const int x = p.Left, y = p.Top, r = p.Right;
      if (locked_) {  // a pin pointing down
        Line(c, x + 7, y + 2, x + 11, y + 2);
        Line(c, x + 7, y + 4, x + 11, y + 4);
        Line(c, x + 7, y + 2, x + 7, y + 9);
        Line(c, x + 11, y + 2, x + 11, y + 9);
        Line(c, x + 5, y + 9, x + 14, y + 9);
        Line(c, x + 9, y + 10, x + 9, y + 14);
      } else {  // a pin pointing left
        Line(c, r - 3, y + 4, r - 3, y + 8);
        Line(c, r - 5, y + 4, r - 5, y + 8);
        Line(c, r - 3, y + 4, r - 10, y + 4);
        Line(c, r - 3, y + 8, r - 10, y + 8);
        Line(c, r - 10, y + 2, r - 10, y + 11);
        Line(c, r - 11, y + 6, r - 15, y + 6);
      }
    }
  }

  // 6. Dock dots: white squares with black ones over them one pixel up-left.
  int textLeft = 0;
  if (dock_dots_) {
    SetPen(c, clWhite);
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(clWhite);
    for (int y = 5; y <= 17; y += 4) c.Rectangle(5, y, 7, y + 2);
    SetPen(c, clBlack);
    c.Brush().SetColor(nofocus_caption_color_to_);
    for (int y = 4; y <= 16; y += 4) c.Rectangle(4, y, 6, y + 2);
    textLeft = 7;
  }

  // 7-8. Text area, less the caption button's.
  TRect x = Rect(textLeft + 4, 4, w - 37, 21);
  if (caption_button_) {
    x.Right -= 5;
    const TRect area = Rect(x.Left - 1, 2, x.Right, 20);
    PaintButtonLook(c, area, hovered(area), hovered(area) && mouse_down_);
    SetPen(c, text);
    for (int i = 0; i < 4; ++i) Line(c, x.Right - 10 + i, 10 + i, x.Right - 3 - i, 10 + i);
    x.Right -= 10;
  }

  // 9. Caption text, bold, cut with an ellipsis.
  c.Font().Assign(Font());
  c.Font().SetStyle(Font().Style() | fsBold);
  c.Font().SetColor(text);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  DrawText(c, Caption(), x, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_TOP);
  c.Font().SetStyle(Font().Style());
}

}  // namespace tavrel
