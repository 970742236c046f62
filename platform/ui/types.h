#pragma once
// Geometry values of the window layer: points, sizes and rectangles in
// pixels. A rectangle holds Left/Top and the exclusive Right/Bottom, so
// Rect(0, 0, 10, 5) covers columns 0..9 and rows 0..4.
//
//   TRect r = Bounds(4, 4, 20, 10);      // (4,4)-(24,14)
//   if (PtInRect(r, {5, 5})) ...
#include <algorithm>

namespace tavrel {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int l, int t, int r, int b) { return {l, t, r, b}; }
inline TRect Bounds(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
inline TPoint Point(int x, int y) { return {x, y}; }

inline bool IsRectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool PtInRect(const TRect& r, TPoint p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
inline TRect OffsetRect(TRect r, int dx, int dy) {
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
inline TRect InflateRect(TRect r, int dx, int dy) {
  return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}
// Empty result is (0,0,0,0), as the platform gives it.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  return IsRectEmpty(r) ? TRect{} : r;
}
inline TRect UnionRect(const TRect& a, const TRect& b) {
  if (IsRectEmpty(a)) return b;
  if (IsRectEmpty(b)) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

// Multiplies then divides with rounding to nearest, as MulDiv does;
// a zero divisor gives -1.
int MulDiv(int number, int numerator, int denominator);

// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
int RoundHalfEven(double v);

// Screen resolution: fixed so that every machine draws the same pixels.
constexpr int ScreenPixelsPerInch = 96;

}  // namespace tavrel
