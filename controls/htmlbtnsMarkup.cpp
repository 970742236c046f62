#include "controls/htmlbtnsMarkup.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "controls/htmlbtnsPictures.h"
#include "controls/htmlbtnsSupport.h"
#include "platform/ui/drawtext.h"
#include "platform/ui/utf8.h"

namespace tavrel {

namespace {

// Coordinates read from the markup stay far from the int range, so sums of
// them never overflow.
constexpr int kMaxCoordinate = 1 << 20;

int ClampCoordinate(int v) { return std::clamp(v, -kMaxCoordinate, kMaxCoordinate); }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
  return true;
}

struct Entity {
  std::string_view name, text;
};
constexpr Entity kEntities[] = {
    {"&amp;", "&&"},  {"&quot;", "\""},       {"&sect;", "\xC2\xA7"},
    {"&permil;", "\xE2\x80\xB0"}, {"&reg;", "\xC2\xAE"}, {"&copy;", "\xC2\xA9"},
    {"&para;", "\xC2\xB6"},       {"&trade;", "\xE2\x84\xA2"}, {"&euro;", "\xE2\x82\xAC"},
};

// Replaces the entities until none is left, in one pass: "&amp;" gives
// "&&", whose second "&" may open another entity with the text after it,
// so the scan goes on from there.
std::string ReplaceEntities(std::string s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '&') {
      out += s[i++];
      continue;
    }
    const std::string_view at(s.data() + i, s.size() - i);
    const Entity* hit = nullptr;
    for (const Entity& e : kEntities)
      if (StartsNoCase(at, e.name)) hit = &e;
    if (!hit) {
      out += s[i++];
    } else if (hit->name == "&amp;") {
      out += '&';
      i += hit->name.size() - 1;
      s[i] = '&';
    } else {
      out += hit->text;
      i += hit->name.size();
    }
  }
  return out;
}

// The entities of a single run, lower case only.
std::string ReplaceRunEntities(std::string_view run) {
  std::string out;
  out.reserve(run.size());
  for (size_t i = 0; i < run.size();) {
    if (run[i] == '&') {
      const std::string_view at = run.substr(i);
      if (at.starts_with("&nbsp;")) { out += ' '; i += 6; continue; }
      if (at.starts_with("&lt;")) { out += '<'; i += 4; continue; }
      if (at.starts_with("&gt;")) { out += '>'; i += 4; continue; }
    }
    out += run[i++];
  }
  return out;
}

// The text between the first pair of double quotes after `from` (0-based)
// in the tag; empty when there is none.
std::string QuotedAfter(std::string_view tag, size_t from) {
  const size_t open = tag.find('"', from);
  if (open == std::string_view::npos) return {};
  const size_t close = tag.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(tag.substr(open + 1, close - open - 1));
}

// An attribute's quoted value; attribute names are found as substrings.
std::string Attribute(std::string_view tag, std::string_view name, bool* present = nullptr) {
  const size_t at = tag.find(name);
  if (present) *present = at != std::string_view::npos;
  if (at == std::string_view::npos) return {};
  return QuotedAfter(tag, at + name.size());
}

TColor ColorValue(const std::string& v) {
  if (!v.empty() && v[0] == '#') return ColorFromHexTriplet(v);
  std::string lower(v);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ColorFromName(lower);
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

enum class TParaAlign { Left, Right, Center };

// What carries from line to line. A line's second pass starts from the
// state its first pass started from, so it draws what was measured.
struct CarriedState {
  bool inAnchor = false;
  std::string anchor;
  int anchorCount = 0;
  int imageCount = 0;
  bool sub = false, sup = false, shadow = false, hidden = false, errorLine = false;
  bool paraBackground = false;
  int listNesting = 0;
  int hangOffset = 0;
  TParaAlign align = TParaAlign::Left;
  int indent = 0;
  TAngledFont angled;
};

// Measures of one line, set by its first pass and used by both.
struct LineMeasure {
  int height = 0;
  int subExtra = 0, supExtra = 0;
  int imageBaseline = 0;
  int width = 0;  // x at the end, trailing space left out
};

enum class TPass { Measure, HitTest, Draw };

// Where the next "<" is in a text read from the front. The place found is
// kept while the text only loses characters at its front, so a caption of
// many runs without tags is searched once, not once per run.
class TagStartCache {
 public:
  // Offset of the next "<" in `rest`, or its size when there is none.
  size_t Next(std::string_view rest) {
    const char* end = rest.data() + rest.size();
    if (end != end_ || at_ < rest.data()) {
      const size_t lt = rest.find('<');
      at_ = lt == std::string_view::npos ? end : rest.data() + lt;
      end_ = end;
    }
    return static_cast<size_t>(at_ - rest.data());
  }

 private:
  const char* at_ = nullptr;
  const char* end_ = nullptr;
};

class MarkupRenderer {
 public:
  MarkupRenderer(TCanvas& canvas, const TRect& rect, const TMarkupParams& p, TMarkupResult& r)
      : c_(canvas), rect_(rect), p_(p), r_(r) {}

  bool Run(const std::string& markup);

 private:
  void RenderLine(std::string_view& rest, const TRect& lineRect, TPass pass, std::string* lineText);
  void OpenTag(std::string_view tag, const TRect& lineRect, TPass pass);
  void CloseTag(std::string_view tag, const TRect& lineRect, TPass pass);
  void Image(std::string_view tag, const TRect& lineRect, TPass pass);
  void Body(std::string_view tag, std::string_view upper);
  void Bullet(std::string_view upper, const TRect& lineRect, TPass pass);
  void DrawRun(const std::string& shown, int& w);
  // Looks an image source up and draws it at `at` when `draw`; a picture
  // is stretched to stretchW × stretchH when both are given. Its size.
  TSize SourceSize(const std::string& source, bool draw, TPoint at, int stretchW = 0,
                   int stretchH = 0);
  bool FastPath(const std::string& s);
  int GhHeight() const { return c_.TextHeight("gh"); }
  // Where the pass is on the line: drawing moves the working left, the
  // other passes count x from the line's origin.
  int Position(TPass pass) const { return pass == TPass::Draw ? work_.Left : origin_ + x_; }
  bool Hovered() const { return !p_.HoverStyling || st_.anchorCount == p_.HoverIndex; }
  TColor SavedBrush() {
    return c_.Brush().Style() == TBrushStyle::bsClear ? clNone : c_.Brush().Color();
  }

  TCanvas& c_;
  const TRect rect_;
  const TMarkupParams& p_;
  TMarkupResult& r_;
  TFont base_;
  uint32_t flags_ = 0;
  TColor entryBrush_ = clNone;
  CarriedState st_;
  LineMeasure line_;

  // Saved colours of the drawing tags.
  TColor fontTagBrush_ = clNone, hiBrush_ = clNone, hiFont_ = clBlack, paraBrush_ = clNone;
  bool hiSaved_ = false;
  TColor anchorBrush_ = clNone, anchorFont_ = clBlack;

  // The pass in progress.
  int x_ = 0;           // measured position from the line's origin
  int origin_ = 0;      // the line's left as hit tests and anchor areas count it
  TRect work_;          // working rectangle of the drawing pass
  bool done_ = false, overflow_ = false;
  int trailing_ = 0;
  int listItems_ = 0;  // list items met on this line
  bool textHit_ = false, imageHit_ = false;

  // Anchor area capture and the focus rectangle.
  bool capture_ = false;
  TRect anchorArea_;
  bool focusOpen_ = false;
  int focusLeft_ = 0;
  int lastHitImage_ = -1;
  TagStartCache tagStarts_[2];  // the caption of the first pass, the line of the second
};

bool MarkupRenderer::Run(const std::string& markup) {
  r_ = TMarkupResult{};
  base_.Assign(c_.Font());
  entryBrush_ = SavedBrush();
  const TColor entryBrushColor = c_.Brush().Color();
  const TBrushStyle entryBrushStyle = c_.Brush().Style();
  const TColor entryPen = c_.Pen().Color();
  const int entryPenWidth = c_.Pen().Width();
  c_.Brush().SetColor(clNone);
  c_.SetBkMode(TRANSPARENT);

  flags_ = DT_BOTTOM | DT_SINGLELINE | DT_EXPANDTABS | DT_EXTERNALLEADING;
  if (markup.find(" & ") != std::string::npos) flags_ |= DT_NOPREFIX;
  if (!p_.WordWrap) flags_ |= DT_END_ELLIPSIS;

  std::string s = ValidUtf8(markup);
  if (s.find('&') != std::string::npos) s = ReplaceEntities(std::move(s));
  s = LineBreaksToTags(StripHashMarker(s), true);

  bool hit = false;
  if (!FastPath(s)) {
    std::string_view rest(s);
    TFont lineFont;
    lineFont.Assign(c_.Font());
    int top = rect_.Top;
    while (!rest.empty()) {
      // 1. the line's start
      if (!c_.Font().SameAs(lineFont)) c_.Font().Assign(lineFont);
      const int gh = GhHeight();
      line_ = LineMeasure{};
      line_.height = gh;
      st_.sub = st_.sup = false;
      const CarriedState atStart = st_;
      const TFont fontAtStart = c_.Font();
      // 2. blanks and control characters off both ends
      while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
      while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
      if (rest.empty()) break;
      // 3. measuring pass
      std::string lineText;
      const size_t before = rest.size();
      RenderLine(rest, Rect(rect_.Left, top, rect_.Right, rect_.Bottom), TPass::Measure, &lineText);
      if (rest.size() == before)  // never stall on a line
        rest.remove_prefix(std::min(Utf8CharLength(static_cast<unsigned char>(rest[0])), rest.size()));
      // 4., 5. the line's rectangle
      line_.height += p_.LineSpacing;
      TRect lr;
      lr.Left = rect_.Left;
      if (st_.align == TParaAlign::Right && rect_.Right - line_.width > rect_.Left)
        lr.Left = rect_.Right - line_.width;
      else if (st_.align == TParaAlign::Center && rect_.Width() - line_.width > 0)
        lr.Left = rect_.Left + (rect_.Width() - line_.width) / 2;
      lr.Left = ClampCoordinate(lr.Left + st_.indent);
      lr.Top = top;
      lr.Right = rect_.Right;
      lr.Bottom = top + line_.height + line_.subExtra + line_.supExtra;
      // 6. second pass where the first put the line
      if (!p_.MeasureOnly) {
        st_ = atStart;
        if (!c_.Font().SameAs(fontAtStart)) c_.Font().Assign(fontAtStart);
        std::string_view again(lineText);
        textHit_ = imageHit_ = false;
        RenderLine(again, lr, p_.HitTestOnly ? TPass::HitTest : TPass::Draw, nullptr);
        const int bottom = lr.Bottom - line_.imageBaseline;
        if ((textHit_ && p_.HitY > bottom - gh && p_.HitY < bottom) || imageHit_) hit = true;
      }
      lineFont.Assign(c_.Font());
      // 7., 8.
      top = ClampCoordinate(top + line_.height + line_.subExtra + line_.supExtra);
      r_.ExtentY = ClampCoordinate(r_.ExtentY + line_.height + line_.subExtra + line_.supExtra);
      if (!p_.MeasureOnly && gh + top > rect_.Bottom) break;
    }
  }
  r_.AnchorCount = st_.anchorCount;
  if (r_.ExtentY == 0) r_.ExtentY = GhHeight();
  c_.Brush().SetColor(entryBrushColor);
  c_.Brush().SetStyle(entryBrushStyle);
  c_.Pen().SetColor(entryPen);
  c_.Pen().SetWidth(entryPenWidth);
  if (!c_.Font().SameAs(base_)) c_.Font().Assign(base_);
  return hit;
}

// A caption that is one run on one line: what the line loop would do with
// it, in one measure and one DrawTextEx call.
bool MarkupRenderer::FastPath(const std::string& s) {
  size_t from = 0, to = s.size();
  while (from < to && IsBlank(s[from])) ++from;
  while (to > from && IsBlank(s[to - 1])) --to;
  if (from == to) return true;
  const std::string_view text(s.data() + from, to - from);
  if (text.find_first_of("<&") != std::string_view::npos) return false;
  const std::string run(text);
  TRect calc = Rect(rect_.Left, rect_.Top, rect_.Right, rect_.Bottom);
  DrawTextEx(c_, run, calc, flags_ | DT_CALCRECT, nullptr);
  const int w = calc.Width();
  // With word wrap the run is cut at its spaces; it stays one line only
  // when the whole of it fits.
  if (p_.WordWrap && w >= rect_.Width() && run.find(' ') != std::string::npos) return false;
  const int h = std::max(GhHeight(), c_.TextHeight(run)) + p_.LineSpacing;
  const int passes = p_.MeasureOnly ? 1 : 2;
  for (int i = 0; i < passes; ++i) r_.PlainText += run;
  if (w > r_.ExtentX) r_.ExtentX = w + 2;
  r_.ExtentY = h;
  const bool roomForText = p_.WordWrap || rect_.Width() >= c_.TextWidth("w");
  if (!p_.MeasureOnly && !p_.HitTestOnly && roomForText) {
    TRect lr = Rect(rect_.Left, rect_.Top, rect_.Right, rect_.Top + h);
    DrawTextEx(c_, run, lr, flags_ & ~DT_EXTERNALLEADING, nullptr);
  }
  return true;
}

void MarkupRenderer::RenderLine(std::string_view& rest, const TRect& lineRect, TPass pass,
                                std::string* lineText) {
  const bool first = pass == TPass::Measure;
  const bool drawing = pass == TPass::Draw;
  work_ = lineRect;
  work_.Bottom -= line_.subExtra;
  origin_ = lineRect.Left + (first ? 0 : st_.hangOffset);
  if (drawing) work_.Left = ClampCoordinate(work_.Left + st_.hangOffset);
  x_ = 0;
  // Each second pass reads a line text of its own, which may reuse the
  // memory of the last one: nothing found in that one holds.
  if (!first) tagStarts_[1] = TagStartCache{};
  done_ = overflow_ = false;
  trailing_ = 0;
  listItems_ = 0;
  if (st_.inAnchor) anchorArea_ = Rect(origin_, lineRect.Top, origin_, lineRect.Top);
  if (drawing && focusOpen_) focusLeft_ = lineRect.Left + 1;  // continued from the line above
  if (drawing && st_.paraBackground)
    c_.FillRect(Rect(rect_.Left, lineRect.Top, rect_.Right, lineRect.Top + line_.height));

  while (!rest.empty() && !done_ && !overflow_) {
    // 1. the run of plain text
    size_t runEnd = tagStarts_[first ? 0 : 1].Next(rest);
    if (p_.WordWrap) {
      const size_t sp = rest.substr(0, runEnd).find(' ');
      if (sp != std::string_view::npos) runEnd = sp + 1;
    }
    if (runEnd > 0) {
      const std::string_view run = rest.substr(0, runEnd);
      const std::string shown = ReplaceRunEntities(run);
      const int h = c_.TextHeight(shown);
      if (st_.sub) line_.subExtra = std::max(line_.subExtra, h / 4);
      if (st_.sup) line_.supExtra = std::max(line_.supExtra, h / 4);
      line_.height = std::max(line_.height, h);
      r_.PlainText += shown;
      if (st_.hidden) {
        rest.remove_prefix(runEnd);
        continue;
      }
      int w = 0;
      if (drawing) {
        DrawRun(shown, w);
      } else {
        TRect calc = Rect(origin_, lineRect.Top, lineRect.Right, lineRect.Bottom);
        DrawTextEx(c_, shown, calc, flags_ | DT_CALCRECT, nullptr);
        w = calc.Width();
        x_ += w;
        const int hx = p_.HitX - origin_;
        if (st_.inAnchor && hx >= x_ - w && hx <= x_) {
          textHit_ = true;
          if (p_.HitY > lineRect.Top) {
            r_.HitAnchor = st_.anchor;
            capture_ = true;
          }
        }
      }
      // 5. does it fit? The second pass takes what the first kept.
      const int avail = lineRect.Width() - st_.hangOffset;
      const bool fits = x_ < avail || w >= avail;
      if (!first || fits || !p_.WordWrap) {
        rest.remove_prefix(runEnd);
        if (lineText) lineText->append(run);
        trailing_ = run.back() == ' ' ? c_.TextWidth(" ") : 0;
      } else {
        done_ = true;
        x_ -= w;
      }
    }
    // 3. a tag
    if (rest.empty() || rest.front() != '<') continue;
    if (rest.size() <= 2) {
      rest = {};
      break;
    }
    if (done_) break;
    const size_t gt = rest.find('>');
    const std::string_view tag = rest.substr(0, gt == std::string_view::npos ? rest.size() : gt + 1);
    if (tag[1] == '/' && tag.size() > 3) CloseTag(tag, lineRect, pass);
    else OpenTag(tag, lineRect, pass);
    // 4. the tag goes with the line, unless it starts the next one
    if (overflow_) break;
    if (gt == std::string_view::npos) {
      rest = {};
    } else {
      if (lineText) lineText->append(tag);
      rest.remove_prefix(gt + 1);
    }
  }

  x_ -= trailing_;
  if (first) line_.width = x_;
  if (x_ > r_.ExtentX) r_.ExtentX = x_ + 2;
  if (drawing && focusOpen_) {
    const int bottom = work_.Bottom - line_.imageBaseline;
    const TRect f = Rect(focusLeft_, bottom - GhHeight(), work_.Left, bottom);
    c_.DrawFocusRect(InflateRect(f, 1, 0));
  }
}

void MarkupRenderer::DrawRun(const std::string& shown, int& w) {
  TRect rr = work_;
  if (st_.sup) rr.Bottom -= line_.supExtra;
  if (st_.sub) rr.Bottom += line_.subExtra;
  rr.Bottom -= line_.imageBaseline;
  const uint32_t drawFlags = flags_ & ~DT_EXTERNALLEADING;
  if (st_.shadow) {
    const TColor keep = c_.Font().Color();
    c_.Font().SetColor(p_.ShadowColor);
    TRect sr = OffsetRect(rr, p_.ShadowOffset, p_.ShadowOffset);
    DrawTextEx(c_, shown, sr, drawFlags, nullptr);
    c_.Font().SetColor(keep);
  }
  TRect calc = rr;
  DrawTextEx(c_, shown, calc, flags_ | DT_CALCRECT, nullptr);
  w = calc.Width();
  if (p_.WordWrap || rr.Right - rr.Left >= c_.TextWidth("w")) {
    TRect dr = rr;
    DrawTextEx(c_, shown, dr, drawFlags, nullptr);
  }
  if (st_.inAnchor && st_.anchorCount - 1 == p_.FocusIndex) r_.FocusAnchor = st_.anchor;
  if (st_.errorLine) {
    const TColor keep = c_.Pen().Color();
    const int keepWidth = c_.Pen().Width();
    c_.Pen().SetColor(clRed);
    c_.Pen().SetWidth(1);
    const int b = rr.Bottom;
    int zx = rr.Left & ~1;
    bool up = true;
    c_.MoveTo(zx, b - 1);
    while (zx < calc.Right) {
      zx += 2;
      up = !up;
      c_.LineTo(zx, up ? b - 1 : b + 1);
    }
    c_.Pen().SetColor(keep);
    c_.Pen().SetWidth(keepWidth);
  }
  work_.Left = calc.Right;
}

void MarkupRenderer::OpenTag(std::string_view tag, const TRect& lineRect, TPass pass) {
  const bool drawing = pass == TPass::Draw;
  const std::string up = UpperAscii(tag);
  TFont& f = c_.Font();
  switch (up[1]) {
    case 'A': {
      if (drawing && st_.anchorCount == p_.FocusIndex) {
        focusOpen_ = true;
        focusLeft_ = work_.Left;
      }
      ++st_.anchorCount;
      const bool hovered = st_.anchorCount == p_.HoverIndex;
      if (drawing && Hovered()) {
        f.SetStyle(f.Style() | fsUnderline);
        if (p_.HoverColor != clNone) {
          anchorBrush_ = SavedBrush();
          c_.Brush().SetColor(p_.HoverColor);
        }
        if (p_.HoverFontColor != clNone) {
          anchorFont_ = f.Color();
          f.SetColor(p_.HoverFontColor);
        }
      }
      if (!p_.IgnoreColors && !(p_.HoverFontColor != clNone && hovered && p_.HoverStyling))
        f.SetColor(p_.URLColor);
      st_.inAnchor = true;
      st_.anchor = QuotedAfter(tag, 0);
      anchorArea_ = Rect(Position(pass), lineRect.Top, Position(pass), lineRect.Top);
      break;
    }
    case 'B':
      if (up.starts_with("<B>")) {
        f.SetStyle(f.Style() | fsBold);
      } else if (up.starts_with("<BO")) {
        if (drawing && !p_.IgnoreColors) Body(tag, up);
      } else if (up.starts_with("<BR")) {
        done_ = true;
        r_.PlainText += '\r';
      } else if (up.starts_with("<BL")) {
        if (!p_.BlinkVisible) f.SetColor(entryBrush_);
      }
      break;
    case 'E':
      if (drawing) st_.errorLine = true;
      break;
    case 'F': {
      const std::string face = Attribute(up, "FACE");
      if (!face.empty()) f.SetName(face);
      if (!p_.IgnoreColors) {
        const std::string col = Attribute(up, " COLOR");
        if (!col.empty()) f.SetColor(ColorValue(col));
      }
      if (drawing && !p_.IgnoreColors) {
        const std::string bg = Attribute(up, "BGCOLOR");
        if (!bg.empty()) {
          fontTagBrush_ = SavedBrush();
          c_.Brush().SetColor(ColorValue(bg));
        }
      }
      const size_t sizeAt = up.find("SIZE");
      if (sizeAt != std::string::npos) {
        std::string v = QuotedAfter(up, sizeAt + 4);
        size_t eq = sizeAt + 4;
        while (eq < up.size() && (up[eq] == ' ' || up[eq] == '=')) ++eq;
        if (eq < up.size() && up[eq] != '"') v = up.substr(eq);
        const int n = IntFromText(v);
        static constexpr int kSizes[] = {8, 10, 12, 14, 16};
        if (n >= 1 && n <= 5) f.SetSize(kSizes[n - 1]);
        else if (!v.empty()) f.SetSize(std::clamp(n, 1, MarkupMaxFontSize));
      }
      break;
    }
    case 'H':
      if (up.starts_with("<HI")) {
        if (drawing) {
          hiSaved_ = true;
          hiFont_ = f.Color();
          hiBrush_ = SavedBrush();
          c_.Brush().SetColor(clHighlight);
          f.SetColor(clHighlightText);
        }
      } else if (up.starts_with("<HR")) {
        done_ = true;
        if (drawing) {
          const TColor keep = c_.Pen().Color();
          c_.Pen().SetColor(clBlack);
          c_.MoveTo(lineRect.Left, work_.Bottom + 1);
          c_.LineTo(lineRect.Right, work_.Bottom + 1);
          c_.Pen().SetColor(keep);
        }
      }
      break;
    case 'I':
      if (up.starts_with("<I>")) {
        f.SetStyle(f.Style() | fsItalic);
      } else if (up.starts_with("<IN")) {
        const size_t xAt = up.find('X');
        if (xAt != std::string::npos) {
          const std::string v = QuotedAfter(up, xAt + 1);
          const int n = ClampCoordinate(IntFromText(v));
          if (!v.empty() && n > x_) {
            x_ = n;
            work_.Left = rect_.Left + n;
          }
        }
      } else if (up.starts_with("<IM")) {
        Image(tag, lineRect, pass);
      }
      break;
    case 'L':
      Bullet(up, lineRect, pass);
      break;
    case 'O':
      if (up.starts_with("<OF")) {
        const size_t xAt = up.find('X');
        if (xAt != std::string::npos) {
          const int n = ClampCoordinate(IntFromText(QuotedAfter(up, xAt + 1)));
          st_.hangOffset = n;
          x_ = n;
          work_.Left = rect_.Left + n;
        }
      }
      break;
    case 'P': {
      const std::string align = Attribute(up, "ALIGN");
      if (align.find("RIGHT") != std::string::npos) st_.align = TParaAlign::Right;
      if (align.find("LEFT") != std::string::npos) st_.align = TParaAlign::Left;
      if (align.find("CENTER") != std::string::npos) st_.align = TParaAlign::Center;
      bool hasIndent = false;
      const std::string indent = Attribute(up, "INDENT", &hasIndent);
      if (hasIndent) st_.indent = ClampCoordinate(IntFromText(indent));
      const std::string bg = Attribute(up, "BGCOLOR");
      if (drawing && !bg.empty()) {
        st_.paraBackground = true;
        paraBrush_ = SavedBrush();
        const TColor from = ColorValue(bg);
        const std::string to = Attribute(up, "BGCOLORTO");
        TRect band = Rect(rect_.Left, lineRect.Top, rect_.Right, lineRect.Bottom);
        if (to.empty()) {
          c_.Brush().SetColor(from);
          c_.Pen().SetColor(from);
          c_.FillRect(band);
        } else {
          band.Bottom += 2;
          FillGradientBands(c_, from, ColorValue(to), clNone, 64, band, true);
          c_.Brush().SetColor(clNone);
        }
      }
      break;
    }
    case 'R': {
      const size_t aAt = up.find('A');
      if (aAt != std::string::npos) SelectAngledFont(c_, IntFromText(QuotedAfter(up, aAt + 1)), st_.angled);
      break;
    }
    case 'S':
      if (up.starts_with("<S>")) f.SetStyle(f.Style() | fsStrikeOut);
      else if (up.starts_with("<SH")) st_.shadow = true;
      else if (up.starts_with("<SUB>")) st_.sub = true;
      else if (up.starts_with("<SUP>")) st_.sup = true;
      break;
    case 'U':
      if (up.starts_with("<U>")) {
        f.SetStyle(f.Style() | fsUnderline);
      } else {
        ++st_.listNesting;
        done_ = true;
      }
      break;
    case 'Z':
      st_.hidden = true;
      break;
    default:
      break;
  }
}

void MarkupRenderer::CloseTag(std::string_view tag, const TRect& lineRect, TPass pass) {
  const bool drawing = pass == TPass::Draw;
  const std::string up = UpperAscii(tag);
  TFont& f = c_.Font();
  auto restoreBrush = [&](TColor saved) { c_.Brush().SetColor(saved); };
  switch (up[2]) {
    case 'A': {
      if (drawing && Hovered()) {
        f.SetStyle(f.Style() & ~fsUnderline);
        if (p_.HoverColor != clNone) restoreBrush(anchorBrush_);
        if (p_.HoverFontColor != clNone) f.SetColor(anchorFont_);
      }
      if (!p_.IgnoreColors) f.SetColor(base_.Color());
      st_.inAnchor = false;
      // The area is taken where the line is finally placed: in the second
      // pass, or in the first when there is none.
      if (capture_ && (pass != TPass::Measure || p_.MeasureOnly)) {
        anchorArea_.Right = Position(pass);
        anchorArea_.Bottom = pass == TPass::Measure
                                 ? lineRect.Top + line_.height + line_.subExtra + line_.supExtra
                                 : lineRect.Bottom;
        r_.HoverRect = anchorArea_;
        r_.HoverAnchor = st_.anchorCount;
        capture_ = false;
      }
      if (drawing && focusOpen_ && st_.anchorCount - 1 == p_.FocusIndex) {
        const int bottom = work_.Bottom - line_.imageBaseline;
        const TRect fr = Rect(focusLeft_, bottom - GhHeight(), work_.Left, bottom);
        c_.DrawFocusRect(InflateRect(fr, 1, 0));
        focusOpen_ = false;
      }
      break;
    }
    case 'B':
      if (up.starts_with("</B>")) f.SetStyle(f.Style() & ~fsBold);
      else f.SetColor(base_.Color());
      break;
    case 'E':
      if (drawing) st_.errorLine = false;
      break;
    case 'F':
      f.SetName(base_.Name());
      f.SetHeight(base_.Height());
      if (drawing && !p_.IgnoreColors) {
        f.SetColor(base_.Color());
        restoreBrush(fontTagBrush_);
      }
      break;
    case 'H':
      // Only after a highlight: other closers of this letter have nothing to give back.
      if (drawing && hiSaved_) {
        f.SetColor(hiFont_);
        restoreBrush(hiBrush_);
        hiSaved_ = false;
      }
      break;
    case 'I':
      f.SetStyle(f.Style() & ~fsItalic);
      break;
    case 'L':
      done_ = true;
      break;
    case 'O':
      st_.hangOffset = 0;
      break;
    case 'P':
      done_ = true;
      if (drawing) {
        restoreBrush(paraBrush_);
        st_.paraBackground = false;
      }
      break;
    case 'R':
      RestoreAngledFont(c_, st_.angled);
      break;
    case 'S':
      if (up.starts_with("</SU")) st_.sub = st_.sup = false;
      else if (up.starts_with("</SH")) st_.shadow = false;
      else f.SetStyle(f.Style() & ~fsStrikeOut);
      break;
    case 'U':
      if (!up.starts_with("</U>") && st_.listNesting > 0) --st_.listNesting;
      else f.SetStyle(f.Style() & ~fsUnderline);
      break;
    case 'Z':
      st_.hidden = false;
      break;
    default:
      break;
  }
}

void MarkupRenderer::Bullet(std::string_view upper, const TRect& lineRect, TPass pass) {
  const bool drawing = pass == TPass::Draw;
  if (pass == TPass::Measure && ++listItems_ > 1) {
    overflow_ = true;
    return;
  }
  const std::string type = Attribute(upper, "TYPE");
  const std::string colText = Attribute(upper, "COLOR");
  const TColor col = colText.empty() ? clNone : ColorValue(colText);
  const int step = std::min(st_.listNesting, kMaxCoordinate / 12) * 12;
  x_ = ClampCoordinate(x_ + step);
  work_.Left = ClampCoordinate(work_.Left + step - 12);
  if (drawing && !st_.hidden) {
    const TRect box = Rect(work_.Left, lineRect.Top + 2, work_.Left + 8, lineRect.Top + 10);
    const TColor fill = col == clNone ? c_.Font().Color() : col;
    if (type == "SQUARE" || type == "CIRCLE") {
      const TColor keepBrush = SavedBrush();
      c_.Brush().SetColor(fill);
      c_.Pen().SetColor(fill);
      if (type == "SQUARE") c_.FillRect(box);
      else c_.Ellipse(box);
      c_.Brush().SetColor(keepBrush);
    } else if (type.empty()) {
      const std::string keepName = c_.Font().Name();
      const TColor keepColor = c_.Font().Color();
      c_.Font().SetName("Symbol");
      if (col != clNone) c_.Font().SetColor(col);
      TRect br = Rect(work_.Left, lineRect.Top, lineRect.Right, work_.Bottom - line_.imageBaseline);
      DrawTextEx(c_, st_.listNesting % 2 ? "\xC2\xB7" : "o", br,
                 (flags_ | DT_NOPREFIX) & ~(DT_EXTERNALLEADING | DT_END_ELLIPSIS), nullptr);
      c_.Font().SetName(keepName);
      c_.Font().SetColor(keepColor);
    }
  }
  work_.Left = ClampCoordinate(work_.Left + 12);
}

TSize MarkupRenderer::SourceSize(const std::string& source, bool draw, TPoint at, int stretchW,
                                 int stretchH) {
  TSize size;
  const std::string up = UpperAscii(source);
  if (up.find("IDX:") != std::string::npos) {
    const int index = IntFromText(std::string_view(source).substr(std::min<size_t>(4, source.size())));
    if (p_.Images && index >= 0 && index < p_.Images->Count()) {
      size = {MulDiv(p_.Images->Width(), ScreenPixelsPerInch, 96),
              MulDiv(p_.Images->Height(), ScreenPixelsPerInch, 96)};
      if (draw) {
        if (p_.StretchImages) {
          TBitmap bmp;
          p_.Images->GetBitmap(index, bmp);
          const int limitW = MarkupImageStretchLimit * std::max(rect_.Width(), 1);
          const int limitH = MarkupImageStretchLimit * std::max(rect_.Height(), 1);
          auto scaled = [&](int v, int limit) {
            const double d = v * p_.ImageScale;
            return !(d > 0) ? 0 : d >= limit ? limit : RoundHalfEven(d);
          };
          const int sw = scaled(size.cx, limitW), sh = scaled(size.cy, limitH);
          StretchBitmapToRect(c_, Bounds(at.X, at.Y, sw, sh), bmp);
        } else {
          p_.Images->Draw(c_, at.X, at.Y, index, true);
        }
      }
    }
  }
  for (const char* shell : {"SSYS:", "LSYS:"}) {
    if (up.find(shell) == std::string::npos) continue;
    TSize icon;
    DrawShellIcon(c_, at.X, at.Y, source.substr(std::min<size_t>(5, source.size())),
                  shell[0] == 'L', draw, p_.StretchImages, p_.ImageScale, icon);
    size = {MulDiv(icon.cx, ScreenPixelsPerInch, 96), MulDiv(icon.cy, ScreenPixelsPerInch, 96)};
  }
  if (source.find(':') == std::string::npos || source.find("://") != std::string::npos) {
    const TMarkupPicture pic = LookupMarkupPicture(
        source, source.find(':') == std::string::npos ? nullptr : p_.PictureCache,
        source.find(':') == std::string::npos ? p_.PictureContainer : nullptr);
    if (pic.found) {
      const bool stretch = stretchW > 0 && stretchH > 0;
      size = stretch ? TSize{stretchW, stretchH} : TSize{pic.width, pic.height};
      if (draw && pic.draw) {
        if (stretch) pic.draw(c_, Bounds(at.X, at.Y, stretchW, stretchH), true);
        else pic.draw(c_, Bounds(at.X + pic.frame.X, at.Y + pic.frame.Y, pic.width, pic.height), false);
      }
    }
  }
  return size;
}

void MarkupRenderer::Image(std::string_view tag, const TRect& lineRect, TPass pass) {
  const bool drawing = pass == TPass::Draw;
  const std::string up = UpperAscii(tag);
  const int index = st_.imageCount++;
  // SRC keeps its case: read from the tag as written, where the name was found.
  std::string src;
  const size_t srcAt = up.find("SRC");
  if (srcAt != std::string::npos) src = QuotedAfter(tag, srcAt + 3);
  bool hasAlt = false;
  const std::string alt = Attribute(up, "ALT", &hasAlt);
  if (hasAlt && index == lastHitImage_) src = alt;
  const int maxW = MarkupImageStretchLimit * std::max(rect_.Width(), 1);
  const int maxH = MarkupImageStretchLimit * std::max(rect_.Height(), 1);
  const int width = std::min(IntFromText(Attribute(up, "WIDTH")), maxW);
  const int height = std::min(IntFromText(Attribute(up, "HEIGHT")), maxH);
  const bool stretch = width > 0 && height > 0;
  const TSize size = SourceSize(src, drawing, Point(work_.Left, lineRect.Top), stretch ? width : 0,
                                stretch ? height : 0);
  const int w = std::min(size.cx, maxW), h = std::min(size.cy, maxH);
  if (pass != TPass::Draw) {
    const int hx = p_.HitX - origin_;
    if (st_.inAnchor && hx > x_ && hx < x_ + w && p_.HitY > lineRect.Top &&
        p_.HitY < lineRect.Top + h) {
      imageHit_ = true;
      r_.HitAnchor = st_.anchor;
      lastHitImage_ = index;
    }
  }
  if (pass == TPass::Measure && lineRect.Width() < x_ + w && w < lineRect.Width()) {
    overflow_ = true;
    return;
  }
  x_ = ClampCoordinate(x_ + w);
  work_.Left = ClampCoordinate(work_.Left + w);
  line_.height = std::max(line_.height, h);
  const int gh = GhHeight();
  if (up.find("\"TOP") != std::string::npos) line_.imageBaseline = line_.height - gh;
  if (up.find("\"MIDDLE") != std::string::npos) line_.imageBaseline = (line_.height - gh) / 2;
  if (up.find("WRAP") != std::string::npos) {
    line_.height = gh;
    line_.imageBaseline = 0;
  }
}

void MarkupRenderer::Body(std::string_view tag, std::string_view upper) {
  auto sourceOf = [&](std::string_view name, bool& present) {
    const size_t at = upper.find(name);
    present = at != std::string_view::npos;
    return present ? QuotedAfter(tag, at + name.size()) : std::string();
  };
  bool present = false;
  const std::string background = sourceOf("BACKGROUND", present);
  if (present && !background.empty()) {
    const std::string up = UpperAscii(background);
    if (up.find("IDX:") != std::string::npos || up.find("SYS:") != std::string::npos) {
      SourceSize(background, true, work_.TopLeft());
    } else {
      const TMarkupPicture pic = LookupMarkupPicture(
          background, background.find(':') == std::string::npos ? nullptr : p_.PictureCache,
          background.find(':') == std::string::npos ? p_.PictureContainer : nullptr);
      if (pic.found && pic.draw && pic.width > 0 && pic.height > 0) {
        const int saved = c_.SaveDC();
        c_.IntersectClipRect(rect_);
        for (int y = rect_.Top; y < rect_.Bottom; y += pic.height)
          for (int x = rect_.Left; x < rect_.Right; x += pic.width)
            pic.draw(c_, Bounds(x, y, pic.width, pic.height), false);
        c_.RestoreDC(saved);
      }
    }
  }
  const std::string topLeft = sourceOf("BGTOPLEFT", present);
  if (present && !topLeft.empty()) SourceSize(topLeft, true, rect_.TopLeft());
  const std::string topRight = sourceOf("BGTOPRIGHT", present);
  if (present && !topRight.empty()) {
    // Placed by its width, which is known once it is looked up.
    const TSize s = SourceSize(topRight, false, rect_.TopLeft());
    const bool fromList = UpperAscii(topRight).find("IDX:") != std::string::npos;
    const int x = fromList && p_.Images ? work_.Right - p_.Images->Width() : rect_.Right - s.cx;
    SourceSize(topRight, true, Point(x, rect_.Top));
  }
  const std::string bg = Attribute(upper, "BGCOLOR");
  if (!bg.empty()) {
    const std::string to = Attribute(upper, "BGCOLORTO");
    if (to.empty()) {
      const TColor col = ColorValue(bg);
      c_.Pen().SetColor(col);
      c_.Brush().SetColor(col);
      c_.Rectangle(rect_.Left - 2, rect_.Top, rect_.Right, rect_.Bottom);
    } else {
      bool hasDir = false;
      const std::string dir = Attribute(upper, "DIR", &hasDir);
      const bool horizontal = !hasDir || dir.empty() || dir == "H";
      FillGradientBands(c_, ColorValue(bg), ColorValue(to), clNone, 64, rect_, horizontal);
      c_.Brush().SetColor(clNone);
    }
  }
}

}  // namespace

bool RenderMarkupText(TCanvas& canvas, const std::string& text, const TRect& rect,
                      const TMarkupParams& params, TMarkupResult& result) {
  MarkupRenderer renderer(canvas, rect, params, result);
  return renderer.Run(text);
}

}  // namespace tavrel
