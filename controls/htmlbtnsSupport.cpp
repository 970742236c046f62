#include "controls/htmlbtnsSupport.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>

#include "platform/ui/systemicons.h"

namespace tavrel {

namespace {

struct NamedColor {
  std::string_view name;
  TColor value;
};

constexpr NamedColor kColorNames[] = {
    {"clred", clRed},
    {"clblack", clBlack},
    {"clblue", clBlue},
    {"clgreen", clGreen},
    {"claqua", clAqua},
    {"clyellow", clYellow},
    {"clfuchsia", clFuchsia},
    {"clwhite", clWhite},
    {"cllime", clLime},
    {"clsilver", clSilver},
    {"clgray", clGray},
    {"clolive", clOlive},
    {"clnavy", clNavy},
    {"clpurple", clPurple},
    {"clteal", clTeal},
    {"clmaroon", clMaroon},
    {"clbackground", clBackground},
    {"clactivecaption", clActiveCaption},
    {"clinactivecaption", clInactiveCaption},
    {"clmenu", clMenu},
    {"clwindow", clWindow},
    {"clwindowframe", clWindowFrame},
    {"clmenutext", clMenuText},
    {"clwindowtext", clWindowText},
    {"clcaptiontext", clCaptionText},
    {"clactiveborder", clActiveBorder},
    {"clinactiveborder", clInactiveBorder},
    {"clappworkspace", clAppWorkSpace},
    {"clhighlight", clHighlight},
    {"clhighlighttext", clHighlightText},
    {"clbtnface", clBtnFace},
    {"clbtnshadow", clBtnShadow},
    {"clgraytext", clGrayText},
    {"clbtntext", clBtnText},
    {"clinactivecaptiontext", clInactiveCaptionText},
    {"clbtnhighlight", clBtnHighlight},
    {"cl3ddkshadow", cl3DDkShadow},
    {"cl3dlight", cl3DLight},
    {"clinfotext", clInfoText},
    {"clinfobk", clInfoBk},
};

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

TColor ColorFromName(std::string_view name) {
  for (const NamedColor& c : kColorNames)
    if (c.name == name) return c.value;
  return 0;
}

int HexPairValue(std::string_view text) {
  if (text.size() < 2) return 0;
  auto digit = [](char ch) {
    const int code = static_cast<unsigned char>(ch);
    return code >= 'A' ? code - 55 : code - 48;
  };
  return digit(text[0]) * 16 + digit(text[1]);
}

TColor ColorFromHexTriplet(std::string_view text) {
  auto pair = [&](size_t at) { return at < text.size() ? HexPairValue(text.substr(at)) : 0; };
  // Characters beyond the digits make the bytes spill into each other,
  // as the sum does; the result stays within 32 bits.
  const int64_t v = pair(1) + pair(3) * 256LL + pair(5) * 65536LL;
  return static_cast<TColor>(static_cast<uint32_t>(v));
}

size_t PosNoCase(std::string_view sub, std::string_view text) {
  if (sub.empty() || sub.size() > text.size()) return 0;
  auto same = [](char a, char b) { return UpperAscii(a) == UpperAscii(b); };
  const auto it = std::search(text.begin(), text.end(), sub.begin(), sub.end(), same);
  return it == text.end() ? 0 : static_cast<size_t>(it - text.begin()) + 1;
}

size_t PosInto(std::string_view sub, std::string_view text, size_t& pos) {
  const size_t at = sub.empty() ? std::string_view::npos : text.find(sub);
  pos = at == std::string_view::npos ? 0 : at + 1;
  return pos;
}

bool ReplaceFirstNoCase(std::string_view old, std::string_view replacement, std::string& text) {
  const size_t at = PosNoCase(old, text);
  if (at == 0) return false;
  text.replace(at - 1, old.size(), replacement);
  return true;
}

namespace {

struct TIntText {
  int value = 0;
  bool whole = false;  // digits up to the end of the text
};

TIntText ReadIntText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  int64_t v = 0;
  size_t digits = 0;
  for (; i < text.size(); ++i, ++digits) {
    const char c = text[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && UpperAscii(c) >= 'A' && UpperAscii(c) <= 'F') d = UpperAscii(c) - 'A' + 10;
    else break;
    v = std::min<int64_t>(v * base + d, int64_t{INT_MAX} + 1);
  }
  if (negative) v = -v;
  return {static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)), digits > 0 && i == text.size()};
}

}  // namespace

int IntFromText(std::string_view text) { return ReadIntText(text).value; }

std::string StripHashMarker(const std::string& text) {
  const size_t at = text.find("<#");
  if (at == std::string::npos) return text;
  std::string out = text;
  out.erase(at, 1);
  const size_t close = out.find('>', at);
  if (close != std::string::npos) out.erase(close, 1);
  return out;
}

std::string LineBreaksToTags(std::string_view text, bool toTags) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') continue;
    if (c == '\r') {
      if (toTags) out += "<BR>";
      continue;
    }
    out += c;
  }
  return out;
}

void SelectAngledFont(TCanvas& canvas, int angle, TAngledFont& saved) {
  if (!saved.selected) saved.orientation = canvas.Font().Orientation();
  saved.selected = true;
  // Whole turns only matter modulo 360; keeps the tenths within int range.
  canvas.Font().SetOrientation((angle % 360) * 10);
}

void RestoreAngledFont(TCanvas& canvas, TAngledFont& saved) {
  if (!saved.selected) return;
  canvas.Font().SetOrientation(saved.orientation);
  saved.selected = false;
}

void StretchBitmapToRect(TCanvas& canvas, const TRect& rect, TBitmap& bitmap) {
  if (bitmap.Empty() || IsRectEmpty(rect)) return;
  canvas.CopyRect(rect, bitmap.Canvas(), Rect(0, 0, bitmap.Width(), bitmap.Height()));
}

bool IsDirectoryPath(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

void DrawShellIcon(TCanvas& canvas, int x, int y, const std::string& name, bool large, bool draw,
                   bool stretch, double scale, TSize& size) {
  const TIntText number = ReadIntText(name);
  int index = number.value;
  if (!name.empty() && !number.whole) {
    // A path that is not there has the icon of its name's type.
    std::error_code ec;
    index = SystemIconIndex(name, !std::filesystem::exists(name, ec));
  }
  size = SystemIconSize(index, large);
  if (!draw || size.cx <= 0 || size.cy <= 0) return;
  if (!stretch) {
    DrawSystemIcon(canvas, x, y, index, large);
    return;
  }
  TBitmap icon;
  icon.SetSize(size.cx, size.cy);
  DrawSystemIcon(icon.Canvas(), 0, 0, index, large);
  auto scaled = [scale](int v) {
    const double d = v * scale;
    return !(d > 0) ? 0 : d >= kMaxImageSide ? static_cast<int>(kMaxImageSide) : RoundHalfEven(d);
  };
  StretchBitmapToRect(canvas, Bounds(x, y, scaled(size.cx), scaled(size.cy)), icon);
}

}  // namespace tavrel
