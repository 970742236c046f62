#include "platform/ui/drawtext.h"

#include <cairo.h>

#include <algorithm>
#include <vector>

#include "platform/ui/utf8.h"

namespace tavrel {

namespace {

struct Line {
  std::string text;
  int ul_begin = -1;  // byte range of the prefixed character, if on this line
  int ul_end = -1;
};

// Removes the prefix marks; returns the byte range of the underlined character.
std::string StripPrefix(const std::string& s, int& ulBegin, int& ulEnd) {
  std::string out;
  ulBegin = ulEnd = -1;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') {
        out += '&';
        i += 2;
        continue;
      }
      ++i;
      if (i < s.size()) {
        const size_t n = std::min(Utf8CharLength(static_cast<unsigned char>(s[i])), s.size() - i);
        ulBegin = static_cast<int>(out.size());  // the last prefix wins
        ulEnd = ulBegin + static_cast<int>(n);
        out.append(s, i, n);
        i += n;
      }
      continue;
    }
    out += s[i++];
  }
  return out;
}

class Measure {
 public:
  Measure(TCanvas& c, bool tabs, int tabWidth) : c_(c), tabs_(tabs), tab_(std::max(tabWidth, 1)) {}
  // Width of text with tabs expanded from x = 0.
  int Width(const std::string& s) const {
    if (!tabs_ || s.find('\t') == std::string::npos) return c_.TextWidth(s);
    int x = 0;
    size_t start = 0;
    for (;;) {
      const size_t t = s.find('\t', start);
      x += c_.TextWidth(s.substr(start, t == std::string::npos ? std::string::npos : t - start));
      if (t == std::string::npos) return x;
      x = (x / tab_ + 1) * tab_;
      start = t + 1;
    }
  }
  // Draws the line with tab segments placed at their stops.
  void Draw(int x, int y, const Line& ln, bool opaque) const {
    int ulFrom = -1, ulTo = -1;
    if (ln.ul_begin >= 0) {
      ulFrom = Width(ln.text.substr(0, ln.ul_begin));
      ulTo = Width(ln.text.substr(0, ln.ul_end));
    }
    if (!tabs_ || ln.text.find('\t') == std::string::npos) {
      c_.DrawTextLine(x, y, ln.text, opaque, ulFrom, ulTo);
      return;
    }
    int pos = 0;
    size_t start = 0;
    for (;;) {
      const size_t t = ln.text.find('\t', start);
      const std::string seg =
          ln.text.substr(start, t == std::string::npos ? std::string::npos : t - start);
      int f = -1, e = -1;
      if (ulFrom >= pos && ulTo <= pos + c_.TextWidth(seg)) f = ulFrom - pos, e = ulTo - pos;
      c_.DrawTextLine(x + pos, y, seg, opaque, f, e);
      if (t == std::string::npos) return;
      pos = ((pos + c_.TextWidth(seg)) / tab_ + 1) * tab_;
      start = t + 1;
    }
  }

 private:
  TCanvas& c_;
  bool tabs_;
  int tab_;
};

// Splits at CR, LF or CR LF, keeping the prefix underline with its line.
std::vector<Line> SplitLines(const std::string& s, int ulBegin, int ulEnd, bool single) {
  std::vector<Line> lines;
  Line cur;
  auto take = [&](size_t from, size_t to) {
    if (ulBegin >= static_cast<int>(from) && ulEnd <= static_cast<int>(to)) {
      cur.ul_begin = ulBegin - static_cast<int>(from);
      cur.ul_end = ulEnd - static_cast<int>(from);
    }
    cur.text = s.substr(from, to - from);
    lines.push_back(cur);
    cur = Line{};
  };
  if (single) {
    take(0, s.size());
    return lines;
  }
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      take(start, i);
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  take(start, s.size());
  return lines;
}

// Breaks a line at spaces so that each piece fits `width`; a word wider
// than the width stays whole on its own line.
std::vector<Line> WordBreak(const Line& ln, int width, const Measure& m) {
  std::vector<Line> out;
  const std::string& s = ln.text;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.size();
    if (m.Width(s.substr(start)) > width) {
      size_t best = std::string::npos;
      for (size_t i = start; i < s.size(); ++i)
        if (s[i] == ' ' && m.Width(s.substr(start, i - start)) <= width) best = i;
      if (best == std::string::npos || best == start) best = s.find(' ', start + 1);
      end = best == std::string::npos ? s.size() : best;
    }
    Line piece;
    piece.text = s.substr(start, end - start);
    if (ln.ul_begin >= static_cast<int>(start) && ln.ul_end <= static_cast<int>(end)) {
      piece.ul_begin = ln.ul_begin - static_cast<int>(start);
      piece.ul_end = ln.ul_end - static_cast<int>(start);
    }
    out.push_back(piece);
    if (end >= s.size()) break;
    start = end;
    while (start < s.size() && s[start] == ' ') ++start;
    if (start >= s.size()) break;
  }
  return out;
}

// Cuts the line so that it and "..." fit `width`.
void EndEllipsis(Line& ln, int width, const Measure& m) {
  if (m.Width(ln.text) <= width) return;
  std::vector<size_t> ends{0};
  for (size_t i = 0; i < ln.text.size();) {
    i += std::min(Utf8CharLength(static_cast<unsigned char>(ln.text[i])), ln.text.size() - i);
    ends.push_back(i);
  }
  // Widths grow with the prefix, so the longest prefix that fits is found
  // by halving: a long line costs n log n, not n squared.
  size_t lo = 0, hi = ends.size() - 1;
  while (lo < hi) {
    const size_t mid = (lo + hi + 1) / 2;
    if (m.Width(ln.text.substr(0, ends[mid]) + "...") <= width) lo = mid;
    else hi = mid - 1;
  }
  const size_t keep = ends[lo];
  ln.text = ln.text.substr(0, keep) + "...";
  if (ln.ul_end > static_cast<int>(keep)) ln.ul_begin = ln.ul_end = -1;
}

}  // namespace

int DrawTextEx(TCanvas& canvas, const std::string& text, TRect& rect, uint32_t format,
               TDrawTextParams* params) {
  TDrawTextParams defaults;
  TDrawTextParams& p = params ? *params : defaults;
  const TFontMetrics fm = canvas.Font().Metrics();
  const bool single = format & DT_SINGLELINE;
  const Measure measure(canvas, format & DT_EXPANDTABS,
                        std::max(p.iTabLength, 1) * std::max(fm.AveCharWidth, 1));

  int ulBegin = -1, ulEnd = -1;
  const std::string shown =
      format & DT_NOPREFIX ? text : StripPrefix(text, ulBegin, ulEnd);
  if (format & DT_HIDEPREFIX) ulBegin = ulEnd = -1;

  const int left = rect.Left + p.iLeftMargin, right = rect.Right - p.iRightMargin;
  const int avail = right - left;
  std::vector<Line> lines;
  for (const Line& ln : SplitLines(shown, ulBegin, ulEnd, single)) {
    if ((format & DT_WORDBREAK) && !single) {
      for (Line& piece : WordBreak(ln, avail, measure)) lines.push_back(piece);
    } else {
      lines.push_back(ln);
    }
  }
  if (format & DT_END_ELLIPSIS)
    for (Line& ln : lines) EndEllipsis(ln, avail, measure);

  const int lineH = fm.Height + (format & DT_EXTERNALLEADING ? fm.ExternalLeading : 0);
  const int totalH = lineH * static_cast<int>(lines.size());
  int maxW = 0;
  for (const Line& ln : lines) maxW = std::max(maxW, measure.Width(ln.text));
  p.uiLengthDrawn = static_cast<unsigned>(Utf8Length(text));

  if (format & DT_CALCRECT) {
    rect.Right = rect.Left + p.iLeftMargin + maxW + p.iRightMargin;
    rect.Bottom = rect.Top + totalH;
    return totalH;
  }

  int y = rect.Top;
  if (single && (format & DT_VCENTER)) y = (rect.Top + rect.Bottom - lineH) / 2;
  else if (single && (format & DT_BOTTOM)) y = rect.Bottom - lineH;

  const bool opaque = canvas.BkMode() == OPAQUE;
  const bool clip = !(format & DT_NOCLIP);
  int saved = 0;
  if (clip) {
    saved = canvas.SaveDC();
    canvas.IntersectClipRect(rect);
  }
  int ly = y;
  for (const Line& ln : lines) {
    const int w = measure.Width(ln.text);
    int x = left;
    if (format & DT_CENTER) x = (left + right - w) / 2;
    else if (format & DT_RIGHT) x = right - w;
    measure.Draw(x, ly, ln, opaque);
    ly += lineH;
  }
  if (clip) canvas.RestoreDC(saved);
  return y - rect.Top + totalH;
}

int DrawText(TCanvas& canvas, const std::string& text, TRect& rect, uint32_t format) {
  return DrawTextEx(canvas, text, rect, format, nullptr);
}

bool IsAccel(char32_t key, const std::string& caption) {
  auto fold = [](char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; };
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    size_t pos = i + 1;
    return key != 0 && fold(NextUTF8(caption, pos)) == fold(key);
  }
  return false;
}

}  // namespace tavrel
