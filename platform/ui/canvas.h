#pragma once
// TCanvas: drawing with the platform's pixel rules over a cairo image
// surface. Pen, brush and font are the canvas's own objects. Rules kept:
// LineTo leaves out its end point; Rectangle, FillRect, FrameRect and
// Ellipse cover Left..Right-1 and Top..Bottom-1; text is placed by the top
// left of its cell (rotated about that point when the font has an
// escapement); hard pixels, no antialiasing.
//
// Solid fills of whole pixels (FillRect, FrameRect, Rectangle with a
// one-pixel solid pen, one-pixel solid lines, SetPixel) are written straight
// into the pixels when the surface is a 32-bit image, the matrix an integer
// translation, the operator the default one and the clip a set of
// rectangles: the same bytes cairo would write, without a path per call.
// The canvas follows its own clip as rectangles through Attach, AttachLike,
// IntersectClipRect, ExcludeClipRect, SelectClipRgn with plain rectangles,
// the viewport and SaveDC/RestoreDC; after a rounded region, coordinates
// beyond cairo's exact range or Context() handed out, it reads the clip
// from cairo at the next direct write instead. Anything else draws through
// cairo.
//
//   TBitmap bmp;  bmp.SetSize(40, 20);
//   TCanvas& c = bmp.Canvas();
//   c.Brush().SetColor(clBtnFace);  c.FillRect(Rect(0, 0, 40, 20));
//   c.Pen().SetColor(clBlack);  c.MoveTo(0, 0);  c.LineTo(10, 0);  // pixels 0..9
//   int saved = c.SaveDC();  c.IntersectClipRect(2, 2, 8, 8);  ...  c.RestoreDC(saved);
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/cliprects.h"
#include "platform/ui/colors.h"
#include "platform/ui/font.h"
#include "platform/ui/types.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace tavrel {

class TGraphic;

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TBrushStyle { bsSolid, bsClear };

class TPen {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  void Assign(const TPen& o);
  std::function<void()> OnChange;

 private:
  void Changed();
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = TPenStyle::psSolid;
};

class TBrush {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);  // clNone makes the brush clear
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);
  void Assign(const TBrush& o);
  std::function<void()> OnChange;

 private:
  void Changed();
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
};

// A clip region: the union of rectangles and rounded rectangles, in
// device coordinates (the viewport origin does not move it).
class TRegion {
 public:
  static TRegion FromRect(const TRect& r);
  static TRegion FromRoundRect(const TRect& r, int ellipseWidth, int ellipseHeight);
  void Combine(const TRegion& other);  // union
  void Offset(int dx, int dy);
  bool Contains(TPoint p) const;
  TRect Bounds() const;
  bool Empty() const { return shapes_.empty(); }
  void AddToPath(cairo_t* cr) const;
  // Calls `each` with every shape and returns true when all are plain
  // rectangles; false, without a call, when one is rounded.
  bool ForEachRect(const std::function<void(const TRect&)>& each) const;

 private:
  struct Shape {
    TRect r;
    int ew = 0, eh = 0;  // 0: plain rectangle
  };
  std::vector<Shape> shapes_;
};

enum TBkMode { TRANSPARENT = 1, OPAQUE = 2 };

// Raster operations of BitBlt.
enum TRop : uint32_t {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328,
  NOTSRCCOPY = 0x00330008,
  MERGEPAINT = 0x00BB0226,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
};

class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // Binds the canvas to a surface. `origin` is where logical (0,0) lies on
  // the surface and `clip` (surface coordinates) bounds every drawing, as a
  // window's visible area bounds its device context. Drops saved states.
  void Attach(cairo_surface_t* surface, TPoint origin, TRect clip);
  void Attach(cairo_surface_t* surface);  // whole surface, origin (0,0)
  // Binds to the same surface, origin (viewport included) and clip as `dc`,
  // as a control's canvas takes the device context it is painted with.
  void AttachLike(const TCanvas& dc);
  void Detach();
  bool HandleAllocated() const { return cr_ != nullptr; }
  // The cairo context, for clipping or drawing the canvas does not offer.
  // Taking it makes the canvas read the clip and matrix anew, so take it
  // again for every change made through it.
  cairo_t* Context() const {
    direct_state_ = DirectState::kUnknown;
    clip_known_ = false;
    return cr_;
  }
  cairo_surface_t* Surface() const { return surface_; }
  TPoint Origin() const { return origin_; }
  TRect BaseClip() const { return base_clip_; }

  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  TFont& Font() { return font_; }

  // Lines and shapes.
  TPoint PenPos() const { return pen_pos_; }
  void SetPenPos(TPoint p) { pen_pos_ = p; }
  void MoveTo(int x, int y) { pen_pos_ = {x, y}; }
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& pts);
  void Rectangle(int l, int t, int r, int b);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void FillRect(const TRect& r);   // brush only
  void FrameRect(const TRect& r);  // one pixel border in the brush colour
  void RoundRect(int l, int t, int r, int b, int ew, int eh);
  void Ellipse(int l, int t, int r, int b);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Polygon(const std::vector<TPoint>& pts);
  void DrawFocusRect(const TRect& r);  // dotted, by inverting: twice restores
  uint32_t PixelRGB(int x, int y) const;  // 0x00BBGGRR; 0 outside the surface
  TColor Pixel(int x, int y) const { return static_cast<TColor>(PixelRGB(x, y)); }
  void SetPixel(int x, int y, TColor c);

  // Text. TextOut fills the text cell with the brush unless the brush is
  // clear or the background mode is transparent, then moves the pen to the
  // end of the text.
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const TRect& r, int x, int y, const std::string& text);  // clipped to r
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  TSize TextExtent(const std::string& text) const;
  void SetBkMode(TBkMode mode);  // held until the brush changes
  TBkMode BkMode() const;

  // Images.
  void CopyRect(const TRect& dest, TCanvas& src, const TRect& source);  // stretched, nearest
  void BitBlt(int x, int y, int w, int h, TCanvas& src, int sx, int sy, uint32_t rop);
  void Draw(int x, int y, const TGraphic& g);       // natural size
  void StretchDraw(const TRect& r, const TGraphic& g);
  // Draws a surface at natural size or stretched; `key` (not clNone) is
  // left out as the transparent colour.
  void DrawSurface(cairo_surface_t* s, const TRect& dest, TColor key = clNone);

  // Clipping and state.
  int SaveDC();               // the saved level, from 1
  bool RestoreDC(int saved);  // negative: relative to the current level
  void IntersectClipRect(int l, int t, int r, int b);
  void IntersectClipRect(const TRect& r) { IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom); }
  void ExcludeClipRect(int l, int t, int r, int b);
  // Replaces the clip by a region (device coordinates), still within the
  // surface clip given to Attach; an empty region removes the clip.
  void SelectClipRgn(const TRegion* rgn);
  TRect ClipRect() const;  // logical coordinates
  TRect DeviceClipRect() const;  // surface coordinates
  TPoint SetViewportOrg(int x, int y);  // returns the previous origin
  TPoint ViewportOrg() const { return viewport_; }

  // Used by the text routines: device-independent text drawing with the font.
  void DrawTextLine(int x, int y, const std::string& text, bool opaque, int underlineFrom = -1,
                    int underlineTo = -1);

  // Points where the fill colour is solid, pen visible and so on.
  bool BrushVisible() const;
  bool PenVisible() const;
  void SetSourceColor(TColor c);

 private:
  struct Saved {
    TPoint viewport, pen_pos;
    TBkMode bk;
    bool bk_set;
  };
  // Where direct pixel writes go: the surface's pixels, the translation
  // from logical to device coordinates and the clip as device rectangles
  // within the surface.
  struct DirectTarget {
    unsigned char* data = nullptr;
    int stride = 0;
    TPoint offset;
    const ClipRects* clip = nullptr;
  };
  // What PushClip saved: whether the clip was known, and where its
  // rectangles start in saved_clip_.
  struct SavedClip {
    bool known;
    size_t from;
  };
  enum class DirectState : uint8_t { kUnknown, kNo, kYes };
  class PixelFill;  // one batch of direct writes in one colour

  void ApplyMatrix();
  void ApplyBaseClip();
  // The clip or matrix changed: the next direct write checks them again.
  void ClipChanged() { direct_state_ = DirectState::kUnknown; }
  // cairo_save and cairo_restore, with what the canvas knows of the clip.
  void PushClip();
  void PopClip();
  // Follows in clip_ an intersection with a rectangle moved by `offset`;
  // the clip becomes unknown where cairo may not be exact.
  void IntersectKnownClip(const TRect& r, TPoint offset);
  TPoint DeviceOffset() const;  // from logical to device coordinates
  bool ReadDirectTarget();
  // The direct target when writes within the box (logical coordinates, one
  // past its right and bottom included) may go straight into the pixels;
  // null when they must be drawn through cairo.
  const DirectTarget* Direct(const TRect& box);
  void FrameIn(const TRect& r, TColor colour);
  // The one-pixel solid lines from each point to the next, end points
  // left out, in the pen's colour.
  void PlotSegments(const TPoint* pts, size_t n);
  void PenPath(const std::function<void()>& path);

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  TPoint origin_;
  TRect base_clip_;
  TPoint viewport_;
  TPoint pen_pos_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  TBkMode bk_mode_ = OPAQUE;
  bool bk_set_ = false;
  std::vector<Saved> saved_;
  mutable DirectState direct_state_ = DirectState::kUnknown;
  DirectTarget direct_;
  // The clip in device pixels within the surface, while clip_known_: then
  // the matrix is also the translation by origin and viewport.
  ClipRects clip_;
  mutable bool clip_known_ = false;
  TRect surface_rect_;  // the surface's pixels; empty when not a plain image
  std::vector<SavedClip> clip_levels_;
  std::vector<TRect> saved_clip_;  // the known clips of clip_levels_, end to end
};

}  // namespace tavrel
