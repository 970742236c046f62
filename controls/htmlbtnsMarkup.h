#pragma once
// The markup renderer of the markup check box: captions in a small
// HTML-like language laid out in a rectangle of a canvas, and drawn, only
// measured, or hit-tested for the anchor under a point. Measuring and
// drawing run the same code, line by line: each line is first measured,
// then drawn (or measured again for the hit test) where the measure put it.
//
//   TMarkupParams p;                     // draw, word wrap on
//   TMarkupResult r;
//   RenderMarkupText(c, "<B>Bold</B> and <A href=\"http://x\">link</A>", Rect(0, 0, 200, 40), p, r);
//   // r.ExtentX, r.ExtentY: the size laid out; r.AnchorCount == 1
//   p.HitTestOnly = true;  p.HitX = 90;  p.HitY = 8;
//   if (RenderMarkupText(c, text, rect, p, r)) Open(r.HitAnchor);
//
// Tags (names ignore case, letters after the ones shown are free):
//   <A "target">…</A> anchor   <B> <I> <U> <S> styles   <BR> <HR> line breaks
//   <BODY BACKGROUND= BGTOPLEFT= BGTOPRIGHT= BGCOLOR= BGCOLORTO= DIR=>
//   <BLINK> <E> (red zigzag) <HI> (highlight) <SHAD> (shadow) <Z> (hidden)
//   <FONT FACE= COLOR= BGCOLOR= SIZE=> (SIZE 1..5: 8..16 pt, else points)
//   <IND x=> <OFS x=> (hanging offset) <P ALIGN= INDENT= BGCOLOR= BGCOLORTO=>
//   <IMG SRC= ALT= WIDTH= HEIGHT= ALIGN= WRAP> <UL> <LI TYPE= COLOR=>
//   <R a=> (turned text) <SUB> <SUP>
// Values are quoted ("…"; FONT SIZE may go without); colours are "#RRGGBB"
// or "cl" names (ColorFromName). Entities: &amp; &quot; &sect; &permil;
// &reg; &copy; &para; &trade; &euro; in any case, &nbsp; &lt; &gt; in lower
// case only. Image sources: "IDX:n" (the image list), "SSYS:"/"LSYS:"
// (shell icons), a bare name (the picture container), an address with
// "://" (the picture cache).
//
// A caption without tags, entities or line breaks that fits on one line is
// one run, drawn with a single DrawTextEx call.
#include <string>

#include "platform/ui/canvas.h"
#include "platform/ui/imagelist.h"

namespace tavrel {

class THTMLPictureCache;
class TPictureContainer;

struct TMarkupParams {
  TImageList* Images = nullptr;  // "IDX:" sources
  int HitX = 0, HitY = 0;        // point to test, canvas coordinates
  int FocusIndex = -1;           // 0-based anchor with a focus rectangle; -1 none
  int HoverIndex = -1;           // 1-based anchor drawn in hover colours; -1 none
  int ShadowOffset = 0;
  bool HitTestOnly = false;  // the second pass measures and tests instead of drawing
  bool MeasureOnly = false;  // no second pass at all
  bool StretchImages = false;  // image-list and shell icons scaled by ImageScale
  bool IgnoreColors = false;   // font, URL and body colours not applied
  bool BlinkVisible = false;   // blinking text keeps its colour
  bool HoverStyling = false;   // only the hovered anchor is underlined and hover-coloured
  bool WordWrap = true;        // else lines end with an ellipsis
  double ImageScale = 1.0;
  TColor URLColor = clBlue;
  TColor HoverColor = clNone;      // brush of the hovered anchor
  TColor HoverFontColor = clNone;  // font colour of the hovered anchor
  TColor ShadowColor = clGray;
  THTMLPictureCache* PictureCache = nullptr;
  TPictureContainer* PictureContainer = nullptr;
  int LineSpacing = 0;  // pixels added to every line
};

struct TMarkupResult {
  std::string HitAnchor;    // target under the hit point (when the call answers true)
  std::string PlainText;    // the text runs of every pass, "\r" for each <BR>
  std::string FocusAnchor;  // target of the focused anchor
  int ExtentX = 0, ExtentY = 0;  // size of the laid-out text
  int AnchorCount = 0;
  int HoverAnchor = -1;  // 1-based anchor under the hit point, -1 none
  TRect HoverRect;       // its area
};

// Lays out, draws or hit-tests `text` in `rect`. True when the hit point is
// on an anchor's text or on an image inside an anchor. The canvas font is
// the base font and is left as it was, like the brush colour.
bool RenderMarkupText(TCanvas& canvas, const std::string& text, const TRect& rect,
                      const TMarkupParams& params, TMarkupResult& result);

// Limits that keep the work linear in the length of the markup.
constexpr int MarkupMaxFontSize = 200;  // points; sizes are clamped to 1..this
constexpr int MarkupImageStretchLimit = 4;  // stretched images: at most this × the rectangle

}  // namespace tavrel
