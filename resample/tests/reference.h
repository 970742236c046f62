#pragma once
// Test helpers: an image type, a guarded destination canvas, and a
// straightforward double-precision resize reference written from the
// numerical definitions (positions, taps and roundings), independent of the
// engine's tables, caches and kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <random>
#include <type_traits>
#include <vector>

#include "math/types.h"
#include "resample/resize.h"
#include "resample/resize_engine.h"

namespace tavrel::testing_resize {

template <class T>
constexpr ResizeElement ElementOf() {
  if constexpr (std::is_same_v<T, Ipp8u>) return ResizeElement::u8;
  else if constexpr (std::is_same_v<T, Ipp16u>) return ResizeElement::u16;
  else return ResizeElement::f32;
}

template <class T>
struct Image {
  int w = 0, h = 0, C = 1, stride = 0;  // stride in elements, rows may be padded
  std::vector<T> px;
  T& at(int x, int y, int c) { return px[static_cast<std::size_t>(y) * stride + x * C + c]; }
  T at(int x, int y, int c) const { return px[static_cast<std::size_t>(y) * stride + x * C + c]; }
  int StepBytes() const { return stride * static_cast<int>(sizeof(T)); }
};

template <class T>
Image<T> RandomImage(int w, int h, int C, std::uint32_t seed, int pad = 3) {
  Image<T> im{w, h, C, w * C + pad, {}};
  im.px.resize(static_cast<std::size_t>(im.stride) * h);
  std::mt19937 rng(seed);
  for (auto& v : im.px) {
    if constexpr (std::is_same_v<T, Ipp8u>) v = static_cast<T>(rng() & 0xFF);
    else if constexpr (std::is_same_v<T, Ipp16u>) v = static_cast<T>(rng() & 0xFFFF);
    else v = static_cast<float>(std::uniform_real_distribution<double>(-100.0, 100.0)(rng));
  }
  return im;
}

// A destination region inside a larger buffer filled with a guard pattern.
template <class T>
struct Canvas {
  static constexpr int kMargin = 3;
  int W, H, C, stride;
  std::vector<T> px;
  Canvas(int W_, int H_, int C_) : W(W_), H(H_), C(C_), stride((W_ + 2 * kMargin) * C_ + 1) {
    px.resize(static_cast<std::size_t>(stride) * (H + 2 * kMargin));
    std::memset(px.data(), 0xA5, px.size() * sizeof(T));
  }
  T* Region() { return px.data() + kMargin * stride + kMargin * C; }
  int StepBytes() const { return stride * static_cast<int>(sizeof(T)); }
  T at(int x, int y, int c) const {
    return px[static_cast<std::size_t>(y + kMargin) * stride + (x + kMargin) * C + c];
  }
  static bool IsGuard(T v) {
    T g;
    std::memset(&g, 0xA5, sizeof g);
    return std::memcmp(&v, &g, sizeof g) == 0;
  }
  // Every element outside the top-left w x h pixels of the region still
  // holds the guard pattern.
  ::testing::AssertionResult GuardIntactOutside(int w, int h, int x0 = 0, int y0 = 0) const {
    for (int y = -kMargin; y < H + kMargin; ++y)
      for (int x = -kMargin; x < W + kMargin; ++x)
        for (int c = 0; c < C; ++c) {
          const bool written = x >= x0 && y >= y0 && x < x0 + w && y < y0 + h;
          if (!written && !IsGuard(at(x, y, c)))
            return ::testing::AssertionFailure() << "write outside at " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
  }
};

// ---- the reference ----

inline constexpr double kTau = 1e-7;

struct RefResult {
  IppStatus status = ippStsNoErr;
  int W = 0, H = 0;
  std::vector<double> v;  // W x H x C stored values
  bool exactInteger = false;  // supersampling on whole boxes
};

inline bool RefLength(int requested, int clipped, double f, int& out) {
  const double dx = clipped * f;
  const double t = std::trunc(dx + kTau);
  out = requested;
  if (requested > t) {
    if (t > 0) out = static_cast<int>(t);
    else if (dx + kTau >= 0.5) out = 1;
    else return false;
  }
  return true;
}

// Positions of one axis and their clamped indices.
struct RefAxis {
  std::vector<double> p;
  std::vector<int> j;
};

inline RefAxis RefPositions(int n, int clipped, double f, double shift, int last, bool nearest) {
  RefAxis a;
  double step, p;
  if (nearest) {
    step = 1.0 / f;
    p = step / 2 + shift;
  } else {
    const double dx = clipped * f;
    step = dx > 1 ? (clipped - 1) / (dx - 1) : 0.0;
    p = shift;
  }
  for (int i = 0; i < n; ++i) {
    a.p.push_back(p);
    a.j.push_back(std::clamp(static_cast<int>(std::max(0.0, std::trunc(p + kTau))), 0, last));
    p += step;
  }
  return a;
}

inline double LanczosRaw(double x) {
  // The table-interpolated Lanczos-3 of the definition, computed in double.
  auto L = [](double s) {
    if (s == 0) return 1.0;
    if (std::fabs(s) >= 3) return 0.0;
    const double ps = std::numbers::pi * s;
    return 3 * std::sin(ps) * std::sin(ps / 3) / (ps * ps);
  };
  const double ax = std::fabs(x);
  if (ax >= 3) return 0.0;
  const double h = 100 * ax;
  const int k = static_cast<int>(h);
  const double t0 = k % 100 == 0 && k > 0 ? 0.0 : L(k / 100.0);
  const double t1 = (k + 1) % 100 == 0 ? 0.0 : L((k + 1) / 100.0);
  return t0 + (t1 - t0) * (h - k);
}

template <class T>
double RoundStore(double v) {
  if constexpr (std::is_same_v<T, float>) {
    return v;
  } else {
    const double top = std::is_same_v<T, Ipp8u> ? 255 : 65535;
    return std::clamp(std::trunc(v + 0.5000001), 0.0, top);
  }
}

// Taps and weights of one destination sample along an axis, as absolute
// image indices.
struct Taps {
  std::vector<int> at;
  std::vector<double> w;
};

inline Taps CubicTaps(double p, int j, int origin, int size) {
  const int a = origin + j;
  int base;
  double f;
  if (a == size - 1) {
    base = j - 2;
    f = 2.0;
  } else {
    base = a == 0 ? j + 1 : a == size - 2 ? j - 1 : j;
    f = p - base;
  }
  Taps t;
  for (int m = -1; m <= 2; ++m) t.at.push_back(origin + base + m);
  t.w = {-f * (f - 1) * (f - 2) / 6, (f + 1) * (f - 1) * (f - 2) / 2, -(f + 1) * f * (f - 2) / 2,
         (f + 1) * f * (f - 1) / 6};
  return t;
}

inline Taps LanczosTaps(double p, int j, int origin, int size) {
  const double t = std::min(p - j, 1.0);
  Taps out;
  double sum = 0;
  for (int m = 0; m < 6; ++m) {
    out.at.push_back(std::clamp(origin + j - 2 + m, 0, size - 1));
    out.w.push_back(LanczosRaw(m - 2 - t));
    sum += out.w.back();
  }
  for (auto& w : out.w) w /= sum;
  return out;
}

template <class T>
RefResult RefGeneral(const Image<T>& s, IppiRect roi, IppiSize req, double fx, double fy,
                     double xs, double ys, int method) {
  RefResult r;
  const int smaller = std::min(s.w, s.h);
  if (method == IPPI_INTER_LANCZOS && smaller < 8) method = IPPI_INTER_CUBIC;
  if (method == IPPI_INTER_CUBIC && smaller < 4) method = IPPI_INTER_LINEAR;
  if (smaller < 2) method = IPPI_INTER_NN;
  const int cw = std::min(roi.width, s.w - roi.x), ch = std::min(roi.height, s.h - roi.y);
  if (!RefLength(req.width, cw, fx, r.W) || !RefLength(req.height, ch, fy, r.H)) {
    r.status = ippStsResizeNoOperationErr;
    return r;
  }
  const int lastX = s.w - roi.x - 1, lastY = s.h - roi.y - 1;
  const bool nn = method == IPPI_INTER_NN;
  const RefAxis X = RefPositions(r.W, cw, fx, xs, lastX, nn);
  const RefAxis Y = RefPositions(r.H, ch, fy, ys, lastY, nn);
  const int C = s.C;
  r.v.assign(static_cast<std::size_t>(r.W) * r.H * C, 0.0);
  auto px = [&](int ax, int ay, int c) { return static_cast<double>(s.at(ax, ay, c)); };
  for (int y = 0; y < r.H; ++y)
    for (int x = 0; x < r.W; ++x)
      for (int c = 0; c < C; ++c) {
        double out = 0;
        const double p = X.p[x], q = Y.p[y];
        const int j = X.j[x], i = Y.j[y];
        if (method == IPPI_INTER_NN) {
          out = px(roi.x + j, roi.y + i, c);
        } else if (method == IPPI_INTER_LINEAR) {
          auto tap = [](double pos, int idx, int last, int& left) {
            if (idx == last) {
              left = idx - 1;
              return 1.0;
            }
            left = idx;
            return pos - idx;
          };
          int l, u;
          const double tx = tap(p, j, lastX, l), ty = tap(q, i, lastY, u);
          const int L = roi.x + l, U = roi.y + u;
          if constexpr (std::is_same_v<T, float>) {
            const double up = px(L, U, c) + (px(L + 1, U, c) - px(L, U, c)) * tx;
            const double dn = px(L, U + 1, c) + (px(L + 1, U + 1, c) - px(L, U + 1, c)) * tx;
            out = ty * dn + (1 - ty) * up;
          } else {
            const std::int64_t wx = tx == 1.0 ? 16384 : static_cast<std::int64_t>(std::trunc(tx * 16384 + kTau));
            const std::int64_t wy = ty == 1.0 ? 16384 : static_cast<std::int64_t>(std::trunc(ty * 16384 + kTau));
            const bool b8 = std::is_same_v<T, Ipp8u>;
            auto H = [&](int row) {
              const std::int64_t a = s.at(L, row, c), b = s.at(L + 1, row, c);
              return b8 ? (a * (16384 - wx) + b * wx + 128) >> 8 : (a * (16384 - wx) + b * wx + 8192) >> 14;
            };
            const std::int64_t up = H(U), dn = H(U + 1);
            out = static_cast<double>(b8 ? (up * (16384 - wy) + dn * wy + 524288) >> 20
                                         : (up * (16384 - wy) + dn * wy + 8192) >> 14);
          }
        } else {
          const Taps tx = method == IPPI_INTER_CUBIC ? CubicTaps(p, j, roi.x, s.w) : LanczosTaps(p, j, roi.x, s.w);
          const Taps ty = method == IPPI_INTER_CUBIC ? CubicTaps(q, i, roi.y, s.h) : LanczosTaps(q, i, roi.y, s.h);
          double v = 0;
          for (std::size_t b = 0; b < ty.at.size(); ++b) {
            double row = 0;
            for (std::size_t a = 0; a < tx.at.size(); ++a) row += tx.w[a] * px(tx.at[a], ty.at[b], c);
            v += ty.w[b] * row;
          }
          out = RoundStore<T>(v);
        }
        r.v[(static_cast<std::size_t>(y) * r.W + x) * C + c] = out;
      }
  return r;
}

// Area overlap of box n ([n u, (n+1) u) clipped to the region) with unit k.
inline double Overlap(int n, double u, int clipped, int k) {
  const double a = n * u, b = std::min((n + 1) * u, static_cast<double>(clipped));
  return std::max(0.0, std::min(b, k + 1.0) - std::max(a, static_cast<double>(k)));
}

template <class T>
RefResult RefSuper(const Image<T>& s, IppiRect roi, IppiSize req, double fx, double fy) {
  RefResult r;
  const int cw = std::min(roi.width, s.w - roi.x), ch = std::min(roi.height, s.h - roi.y);
  if (!RefLength(req.width, cw, fx, r.W) || !RefLength(req.height, ch, fy, r.H)) {
    r.status = ippStsResizeNoOperationErr;
    return r;
  }
  const double u = 1 / fx, v = 1 / fy;
  auto whole = [](double b) { return std::fabs(b - std::round(b)) <= kTau; };
  r.exactInteger = !std::is_same_v<T, float> && whole(u) && whole(v);
  const int C = s.C;
  r.v.assign(static_cast<std::size_t>(r.W) * r.H * C, 0.0);
  for (int y = 0; y < r.H; ++y)
    for (int x = 0; x < r.W; ++x) {
      // Covered extent; a box clipped by the region is divided by what it covers.
      const double bx = std::min((x + 1) * u, double(cw)) - x * u;
      const double by = std::min((y + 1) * v, double(ch)) - y * v;
      const double sx = (x + 1) * u > cw + kTau ? 1 / bx : fx;
      const double sy = (y + 1) * v > ch + kTau ? 1 / by : fy;
      for (int c = 0; c < C; ++c) {
        double sum = 0;
        for (int k = static_cast<int>(y * v); k < ch && k < (y + 1) * v; ++k) {
          const double oy = Overlap(y, v, ch, k);
          if (oy <= kTau) continue;
          for (int m = static_cast<int>(x * u); m < cw && m < (x + 1) * u; ++m) {
            const double ox = Overlap(x, u, cw, m);
            if (ox <= kTau) continue;
            sum += ox * oy * s.at(roi.x + m, roi.y + k, c);
          }
        }
        const double value = sum * (sx * sy);
        double stored = value;
        if constexpr (!std::is_same_v<T, float>)
          stored = std::clamp(std::trunc(value + 0.5), 0.0, std::is_same_v<T, Ipp8u> ? 255.0 : 65535.0);
        r.v[(static_cast<std::size_t>(y) * r.W + x) * C + c] = stored;
      }
    }
  return r;
}

// Compares the canvas with the reference. tol is in units of the element
// for integers, relative to the image's range for floats.
template <class T>
::testing::AssertionResult Matches(const Canvas<T>& got, const RefResult& ref, double tol,
                                   double range = 1.0) {
  int bad = 0;
  double worst = 0;
  for (int y = 0; y < ref.H; ++y)
    for (int x = 0; x < ref.W; ++x)
      for (int c = 0; c < got.C; ++c) {
        const double want = ref.v[(static_cast<std::size_t>(y) * ref.W + x) * got.C + c];
        const double have = got.at(x, y, c);
        double allowed = tol;
        if constexpr (std::is_same_v<T, float>) allowed = tol * (range + std::fabs(want));
        const double diff = std::fabs(have - want);
        if (!(diff <= allowed)) {
          worst = std::max(worst, std::isnan(diff) ? 1e300 : diff);
          if (++bad == 1)
            std::fprintf(stderr, "first mismatch at %d,%d,%d: got %.9g want %.9g\n", x, y, c, have, want);
        }
      }
  if (bad) return ::testing::AssertionFailure() << bad << " mismatches, worst " << worst;
  return ::testing::AssertionSuccess();
}

}  // namespace tavrel::testing_resize
