// The canvas writes solid fills of whole pixels straight into the surface
// when the clip is a set of rectangles, and follows that clip itself. These
// tests draw random scripts of clip changes and fills through the canvas
// and compare every byte with the same drawing done in plain cairo (or,
// for lines, with the canvas drawing through cairo), in both 32-bit formats;
// they compare the clip the canvas follows with the one cairo keeps, and
// count how often the canvas asks cairo for its clip.
#include <gtest/gtest.h>

#include <cairo.h>
#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/chart/chart.h"
#include "platform/ui/button.h"
#include "platform/ui/canvas.h"
#include "platform/ui/offscreen.h"
#include "platform/ui/surface.h"

// Every call of cairo_copy_clip_rectangle_list in this program is counted
// on its way to cairo's own: the canvas is linked into the test program, so
// its calls land here first.
namespace {
std::atomic<int> clip_list_reads{0};
}  // namespace

extern "C" cairo_rectangle_list_t* cairo_copy_clip_rectangle_list(cairo_t* cr) {
  using Copy = cairo_rectangle_list_t* (*)(cairo_t*);
  static const Copy cairos = reinterpret_cast<Copy>(dlsym(RTLD_NEXT, "cairo_copy_clip_rectangle_list"));
  ++clip_list_reads;
  return cairos(cr);
}

namespace tavrel {
namespace {

constexpr int kW = 48, kH = 36;
constexpr double kFar = 1e5;  // beyond every surface here

// Noise in every byte (the unused byte of RGB24 too, so whatever cairo
// writes there shows), opaque for ARGB32; the same for the same seed.
CairoSurface NoiseSurface(cairo_format_t format, uint32_t seed) {
  CairoSurface s(cairo_image_surface_create(format, kW, kH));
  cairo_surface_flush(s.get());
  std::mt19937 rng(seed);
  unsigned char* data = cairo_image_surface_get_data(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  for (int y = 0; y < kH; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < kW; ++x) row[x] = static_cast<uint32_t>(rng()) | (format == CAIRO_FORMAT_ARGB32 ? 0xFF000000u : 0);
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

// The first pixel whose bytes differ, as text; empty when all are equal.
std::string FirstDifference(cairo_surface_t* got, cairo_surface_t* want) {
  cairo_surface_flush(got);
  cairo_surface_flush(want);
  const int gs = cairo_image_surface_get_stride(got), ws = cairo_image_surface_get_stride(want);
  for (int y = 0; y < kH; ++y) {
    auto* g = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(got) + y * gs);
    auto* w = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(want) + y * ws);
    for (int x = 0; x < kW; ++x)
      if (g[x] != w[x]) {
        char text[80];
        std::snprintf(text, sizeof text, "(%d,%d) got %08x want %08x", x, y, g[x], w[x]);
        return text;
      }
  }
  return {};
}

TColor RandomColour(std::mt19937& rng) {
  return RGB(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF);
}

// Left and top anywhere from beyond the surface to past it, sizes from
// negative (empty) to wide; now and then a box reaching millions of pixels
// out, up to and past where cairo's fixed point ends.
TRect RandomRect(std::mt19937& rng) {
  if (rng() % 24 == 0) {
    const int far = (1 << 21) + static_cast<int>(rng() % (1 << 26));
    const int x = static_cast<int>(rng() % kW), y = static_cast<int>(rng() % kH);
    return rng() % 2 ? Rect(-far, y, x, y + 3) : Rect(x, -far, x + 2, far);
  }
  const int l = static_cast<int>(rng() % 70) - 14, t = static_cast<int>(rng() % 56) - 12;
  return Rect(l, t, l + static_cast<int>(rng() % 26) - 4, t + static_cast<int>(rng() % 22) - 4);
}

std::string Text(const TRect& r) {
  return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom) + ")";
}

void Box(cairo_t* cr, double l, double t, double r, double b) {
  cairo_rectangle(cr, l, t, std::max(r - l, 0.0), std::max(b - t, 0.0));
}

// What the clip of a canvas is, in device coordinates, kept by the test on
// its own: rebuilt in plain cairo before every reference drawing.
struct ClipModel {
  struct Op {
    enum Kind { kIntersect, kExclude, kRegion } kind;
    std::vector<TRect> rects;
  };
  struct Level {
    std::vector<Op> ops;
    TPoint viewport;
  };
  TPoint origin;
  TRect base;
  Level cur;
  std::vector<Level> saved;

  TPoint Offset() const { return {origin.X + cur.viewport.X, origin.Y + cur.viewport.Y}; }

  void Apply(cairo_t* cr) const {
    cairo_reset_clip(cr);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    Box(cr, base.Left, base.Top, base.Right, base.Bottom);
    cairo_clip(cr);
    for (const Op& op : cur.ops) {
      cairo_new_path(cr);
      const TRect& r = op.rects[0];
      switch (op.kind) {
        case Op::kIntersect: Box(cr, r.Left, r.Top, r.Right, r.Bottom); break;
        case Op::kExclude:  // the plane around the hole, in four boxes
          Box(cr, -kFar, -kFar, kFar, r.Top);
          Box(cr, -kFar, r.Bottom, kFar, kFar);
          Box(cr, -kFar, r.Top, r.Left, r.Bottom);
          Box(cr, r.Right, r.Top, kFar, r.Bottom);
          break;
        case Op::kRegion:
          for (const TRect& q : op.rects) Box(cr, q.Left, q.Top, q.Right, q.Bottom);
          break;
      }
      cairo_clip(cr);
    }
    cairo_translate(cr, Offset().X, Offset().Y);
  }
};

void SetColour(cairo_t* cr, TColor c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void CairoFill(cairo_t* cr, const TRect& r, TColor c) {
  if (IsRectEmpty(r)) return;
  SetColour(cr, c);
  cairo_new_path(cr);
  Box(cr, r.Left, r.Top, r.Right, r.Bottom);
  cairo_fill(cr);
}

// The outline: the box less its inside, by the even-odd rule.
void CairoFrame(cairo_t* cr, const TRect& r, TColor c) {
  if (IsRectEmpty(r)) return;
  SetColour(cr, c);
  cairo_new_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  Box(cr, r.Left, r.Top, r.Right, r.Bottom);
  Box(cr, r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  cairo_fill(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

// One drawing call with its arguments, done on a canvas or in plain cairo.
struct Draw {
  enum Kind { kFill, kFrame, kRectangle, kPixel, kTextRect, kLine, kPolyline, kCount } kind;
  TRect r;
  TColor brush, pen;
  std::vector<TPoint> points;

  static Draw Random(std::mt19937& rng, bool lines) {
    Draw d{static_cast<Kind>(rng() % (lines ? kCount : kLine)), RandomRect(rng), RandomColour(rng),
           RandomColour(rng), {}};
    if (d.kind == kRectangle && rng() % 4 == 0) d.brush = clNone;
    const int n = d.kind == kLine ? 2 : d.kind == kPolyline ? 1 + static_cast<int>(rng() % 7) : 0;
    for (int i = 0; i < n; ++i)
      d.points.push_back({static_cast<int>(rng() % 72) - 14, static_cast<int>(rng() % 58) - 12});
    return d;
  }

  void On(TCanvas& c) const {
    c.Brush().SetColor(brush);
    c.Pen().SetColor(pen);
    switch (kind) {
      case kFill: c.FillRect(r); break;
      case kFrame: c.FrameRect(r); break;
      case kRectangle: c.Rectangle(r); break;
      case kPixel: c.SetPixel(r.Left, r.Top, pen); break;
      case kTextRect: c.TextRect(r, r.Left, r.Top, ""); break;  // the fill within its own clip
      case kLine:
        c.MoveTo(points[0].X, points[0].Y);
        c.LineTo(points[1].X, points[1].Y);
        break;
      case kPolyline: c.Polyline(points); break;
      case kCount: break;
    }
  }

  // Plain cairo in the current user space; lines have no cairo reference.
  void OnCairo(cairo_t* cr) const {
    switch (kind) {
      case kFill: CairoFill(cr, r, brush); break;
      case kFrame: CairoFrame(cr, r, brush); break;
      case kRectangle: {
        const TRect n = Rect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                             std::max(r.Top, r.Bottom));
        // The inside first: under a turned matrix the two may share pixels.
        if (brush != clNone) CairoFill(cr, Rect(n.Left + 1, n.Top + 1, n.Right - 1, n.Bottom - 1), brush);
        CairoFrame(cr, n, pen);
        break;
      }
      case kPixel: CairoFill(cr, Rect(r.Left, r.Top, r.Left + 1, r.Top + 1), pen); break;
      case kTextRect: CairoFill(cr, r, brush); break;
      default: ADD_FAILURE() << "no cairo reference for lines"; break;
    }
  }

  std::string Describe() const {
    static const char* const names[] = {"FillRect", "FrameRect", "Rectangle", "SetPixel", "TextRect", "LineTo", "Polyline"};
    std::string s = names[kind] + std::string(" ") + Text(r);
    for (TPoint p : points) s += " " + std::to_string(p.X) + ":" + std::to_string(p.Y);
    return s;
  }
};

// A random script of clip and state changes between drawings, played on the
// canvases and kept in the model; `draw` runs a drawing on everything,
// `after` runs after every step.
void PlayScript(uint32_t seed, std::vector<TCanvas*> canvases, cairo_surface_t* surface, ClipModel& model,
                const std::function<void(TCanvas&)>& attached,
                const std::function<std::string(std::mt19937&, int step)>& draw,
                const std::function<void(int step)>& after = [](int) {}) {
  std::mt19937 rng(seed);
  auto attach = [&] {
    model.origin = {static_cast<int>(rng() % 13) - 4, static_cast<int>(rng() % 11) - 4};
    model.base = rng() % 3 == 0 ? Rect(-5, -4, kW + 6, kH + 3)
                                : Rect(static_cast<int>(rng() % 8), static_cast<int>(rng() % 8),
                                       kW - static_cast<int>(rng() % 8), kH - static_cast<int>(rng() % 8));
    model.cur = {};
    model.saved.clear();
    for (TCanvas* c : canvases) {
      c->Attach(surface == nullptr ? c->Surface() : surface, model.origin, model.base);
      attached(*c);
    }
  };
  attach();
  std::string trail;
  for (int step = 0; step < 90; ++step) {
    const int kind = static_cast<int>(rng() % 20);
    const TPoint off = model.Offset();
    switch (kind) {
      default:
        trail += " " + draw(rng, step);
        break;
      case 9:
      case 10: {
        const TRect r = RandomRect(rng);
        for (TCanvas* c : canvases) c->IntersectClipRect(r);
        model.cur.ops.push_back({ClipModel::Op::kIntersect, {OffsetRect(r, off.X, off.Y)}});
        trail += " Intersect" + Text(r);
        break;
      }
      case 11: {
        const TRect r = RandomRect(rng);
        for (TCanvas* c : canvases) c->ExcludeClipRect(r.Left, r.Top, r.Right, r.Bottom);
        if (!IsRectEmpty(r)) model.cur.ops.push_back({ClipModel::Op::kExclude, {OffsetRect(r, off.X, off.Y)}});
        trail += " Exclude" + Text(r);
        break;
      }
      case 12:
        for (TCanvas* c : canvases) c->SaveDC();
        model.saved.push_back(model.cur);
        trail += " Save";
        break;
      case 13: {
        if (model.saved.empty()) break;
        const int n = static_cast<int>(model.saved.size());
        const int level = rng() % 2 ? -1 : 1 + static_cast<int>(rng() % n);
        for (TCanvas* c : canvases) EXPECT_TRUE(c->RestoreDC(level));
        const int to = level < 0 ? n : level;
        while (static_cast<int>(model.saved.size()) >= to) {
          model.cur = model.saved.back();
          model.saved.pop_back();
        }
        trail += " Restore" + std::to_string(level);
        break;
      }
      case 14: {
        const TPoint v{static_cast<int>(rng() % 13) - 6, static_cast<int>(rng() % 13) - 6};
        for (TCanvas* c : canvases) c->SetViewportOrg(v.X, v.Y);
        model.cur.viewport = v;
        trail += " Viewport";
        break;
      }
      case 15:
      case 16: {
        // A region of one to three rectangles, now and then an empty one
        // (which lifts the clip) or none at all.
        TRegion rgn;
        std::vector<TRect> rects;
        const int n = static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i) {
          const TRect r = RandomRect(rng);
          rgn.Combine(TRegion::FromRect(r));
          if (!IsRectEmpty(r)) rects.push_back(r);
        }
        const bool none = rng() % 5 == 0;
        for (TCanvas* c : canvases) c->SelectClipRgn(none ? nullptr : &rgn);
        model.cur.ops.clear();
        if (!none && !rects.empty()) model.cur.ops.push_back({ClipModel::Op::kRegion, rects});
        trail += " Region" + std::to_string(rects.size());
        break;
      }
      case 17:
        attach();
        trail += " Attach";
        break;
      case 18: {
        // A clip the canvas does not see being made.
        const TRect r = RandomRect(rng);
        for (TCanvas* c : canvases) {
          cairo_t* cr = c->Context();
          cairo_new_path(cr);
          Box(cr, r.Left, r.Top, r.Right, r.Bottom);
          cairo_clip(cr);
        }
        model.cur.ops.push_back({ClipModel::Op::kIntersect, {OffsetRect(r, off.X, off.Y)}});
        trail += " ContextClip" + Text(r);
        break;
      }
      case 19: {
        // Through a second canvas and back, as a control's canvas takes its
        // painting context: the same pixels, the origin where the drawing
        // was, the clip's bounds as the base, no saved states.
        for (TCanvas* c : canvases) {
          TCanvas like;
          like.AttachLike(*c);
          c->AttachLike(like);
          attached(*c);
          EXPECT_EQ(c->BaseClip(), canvases[0]->BaseClip());
        }
        model.origin = off;
        model.base = canvases[0]->BaseClip();
        model.cur.viewport = {0, 0};
        model.saved.clear();
        trail += " AttachLike";
        break;
      }
    }
    after(step);
    if (testing::Test::HasFailure()) {
      ADD_FAILURE() << "seed " << seed << ":" << trail;
      return;
    }
  }
}

constexpr cairo_format_t kFormats[] = {CAIRO_FORMAT_ARGB32, CAIRO_FORMAT_RGB24};
constexpr uint32_t kScripts = 40;

TEST(UiCanvasDirect, FillsMatchPlainCairoThroughRandomClips) {
  for (cairo_format_t format : kFormats)
    for (uint32_t seed = 1; seed <= kScripts; ++seed) {
      SCOPED_TRACE("format " + std::to_string(format) + " seed " + std::to_string(seed));
      CairoSurface got = NoiseSurface(format, seed), want = NoiseSurface(format, seed);
      CairoContext ref(cairo_create(want.get()));
      cairo_set_antialias(ref.get(), CAIRO_ANTIALIAS_NONE);
      TCanvas canvas;
      ClipModel model;
      PlayScript(seed, {&canvas}, got.get(), model, [](TCanvas&) {}, [&](std::mt19937& rng, int step) {
        const Draw d = Draw::Random(rng, false);
        d.On(canvas);
        model.Apply(ref.get());
        d.OnCairo(ref.get());
        const std::string diff = FirstDifference(got.get(), want.get());
        EXPECT_EQ(diff, "") << "step " << step << " " << d.Describe();
        return d.Describe();
      });
      if (HasFailure()) return;
    }
}

// Scripts played on a canvas and on a twin that draws through cairo, which
// it does when the operator is not the default one (the ineligible states
// below show that it then matches cairo), each on its own noise surface;
// `draw` draws on both, `after` runs after every step.
struct Twins {
  CairoSurface got, want;
  TCanvas canvas, viaCairo;
  ClipModel model;
};

void PlayOnTwins(const std::function<std::string(Twins&, std::mt19937&, int step)>& draw,
                 const std::function<void(Twins&, int step)>& after) {
  for (cairo_format_t format : kFormats)
    for (uint32_t seed = 1; seed <= kScripts; ++seed) {
      SCOPED_TRACE("format " + std::to_string(format) + " seed " + std::to_string(seed));
      Twins t{NoiseSurface(format, seed), NoiseSurface(format, seed)};
      t.canvas.Attach(t.got.get());
      t.viaCairo.Attach(t.want.get());
      PlayScript(
          seed, {&t.canvas, &t.viaCairo}, nullptr, t.model,
          [&](TCanvas& c) {
            // Opaque colours give the same pixels with SOURCE as with OVER.
            if (&c == &t.viaCairo) cairo_set_operator(c.Context(), CAIRO_OPERATOR_SOURCE);
          },
          [&](std::mt19937& rng, int step) { return draw(t, rng, step); }, [&](int step) { after(t, step); });
      if (testing::Test::HasFailure()) return;
    }
}

// Lines have no plain cairo twin here: the reference is the canvas itself
// drawing through cairo.
TEST(UiCanvasDirect, LinesAndFillsMatchTheCanvasDrawingThroughCairo) {
  PlayOnTwins(
      [](Twins& t, std::mt19937& rng, int step) {
        const Draw d = Draw::Random(rng, true);
        d.On(t.canvas);
        d.On(t.viaCairo);
        EXPECT_EQ(FirstDifference(t.got.get(), t.want.get()), "") << "step " << step << " " << d.Describe();
        return d.Describe();
      },
      [](Twins&, int) {});
}

// The clip a canvas follows, seen through a fill of the whole surface after
// every step of a script, against the twin filling through cairo with the
// same clip: each pixel the canvas fills directly lies in cairo's clip, and
// each pixel of cairo's clip is filled. A new colour each step shows the
// present clip, not an earlier one.
TEST(UiCanvasDirect, TheClipTheCanvasFollowsIsTheClipCairoKeeps) {
  PlayOnTwins([](Twins&, std::mt19937&, int) { return std::string("-"); },
              [](Twins& t, int step) {
                const TPoint off = t.model.Offset();
                const TRect all = OffsetRect(Rect(0, 0, kW, kH), -off.X, -off.Y);
                for (TCanvas* c : {&t.canvas, &t.viaCairo}) {
                  c->Brush().SetColor(RGB(step, 255 - step, 3 * step));
                  c->FillRect(all);
                }
                EXPECT_EQ(FirstDifference(t.got.get(), t.want.get()), "") << "after step " << step;
              });
}

// cairo hands out its clip as a list it allocates anew for every call; the
// paint paths the canvas follows never ask for it. The cases that must ask
// show that the count sees the canvas's calls.
TEST(UiCanvasDirect, FollowedClipsAreNotReadFromCairo) {
  TRegion rounded = TRegion::FromRoundRect(Rect(3, 2, 30, 28), 14, 12);
  TRegion plain = TRegion::FromRect(Rect(3, 2, 30, 28));
  plain.Combine(TRegion::FromRect(Rect(20, 10, 46, 20)));
  auto inRegion = [](const TRegion& rgn) {
    return [&rgn](TCanvas& c, cairo_surface_t* s) {
      c.Attach(s);
      c.SelectClipRgn(&rgn);
      c.FillRect(Rect(0, 0, 40, 40));
      c.FillRect(Rect(0, 0, 40, 40));
    };
  };
  const struct Case {
    const char* name;
    int reads;
    std::function<void(TCanvas&, cairo_surface_t*)> paint;
  } cases[] = {
      {"fills and lines in saved, narrowed and moved clips", 0,
       [](TCanvas& c, cairo_surface_t* s) {
         c.Attach(s, {3, 2}, Rect(1, 1, kW - 2, kH - 1));
         c.ExcludeClipRect(5, 5, 9, 9);
         c.FillRect(Rect(0, 0, 20, 20));
         const int saved = c.SaveDC();
         c.SetViewportOrg(2, 1);
         c.IntersectClipRect(2, 2, 30, 20);
         c.FillRect(Rect(0, 0, 40, 40));
         c.MoveTo(0, 3);
         c.LineTo(25, 9);
         c.Polyline({{1, 1}, {8, 14}, {20, 2}});
         c.SetPixel(4, 4, clRed);
         c.Rectangle(3, 3, 12, 9);
         c.RestoreDC(saved);
         c.FrameRect(Rect(2, 2, 30, 20));
         c.TextRect(Rect(4, 4, 12, 10), 4, 4, "");
       }},
      {"a control's canvas taken like its painting context", 0,
       [](TCanvas& c, cairo_surface_t* s) {
         TCanvas dc;
         dc.Attach(s, {4, 4}, Rect(2, 2, kW - 4, kH - 6));
         dc.ExcludeClipRect(10, 0, 14, 40);
         c.AttachLike(dc);
         c.FillRect(Rect(0, 0, 40, 40));
       }},
      {"a region of rectangles", 0, inRegion(plain)},
      {"the context handed out", 1,
       [](TCanvas& c, cairo_surface_t* s) {
         c.Attach(s);
         c.FillRect(Rect(0, 0, 40, 40));
         c.Context();
         c.FillRect(Rect(0, 0, 40, 40));
         c.IntersectClipRect(2, 2, 30, 30);  // known again once read
         c.FillRect(Rect(0, 0, 40, 40));
       }},
      {"a rounded region", 1, inRegion(rounded)},  // read once: cairo says it is no boxes
      {"like a context that does not know its clip", 1,
       [](TCanvas& c, cairo_surface_t* s) {
         TCanvas dc;
         dc.Attach(s, {4, 4}, Rect(2, 2, kW - 4, kH - 6));
         dc.Context();
         c.AttachLike(dc);
         c.FillRect(Rect(0, 0, 40, 40));
       }},
  };
  for (const Case& k : cases) {
    CairoSurface s(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH));
    TCanvas c;
    c.Brush().SetColor(clTeal);
    const int before = clip_list_reads;
    k.paint(c, s.get());
    EXPECT_EQ(clip_list_reads - before, k.reads) << k.name;
  }
}

// The input chart repaints once per audio buffer: the whole way from the
// form's painting context to the chart's bars and lines, with a windowed
// sibling above a corner of it, asks cairo for no clip.
TEST(UiCanvasDirect, ChartRepaintsReadNoClipFromCairo) {
  ComponentPtr<TApplication> app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
  TForm* form = app->CreateForm<TForm>();
  form->SetBounds(0, 0, 200, 120);
  auto* chart = TComponent::Create<TChart>(form);
  chart->SetParent(form);
  chart->SetBounds(10, 10, 150, 80);
  chart->SetMarginTop(6);
  chart->LeftAxis()->SetMinMax(0, 100);
  chart->BottomAxis()->SetMinMax(0, 4);
  auto* bars = TComponent::Create<TBarSeries>(form);
  bars->SetParentChart(chart);
  bars->SetSeriesColor(clLime);
  auto* line = TComponent::Create<TFastLineSeries>(form);
  line->SetParentChart(chart);
  line->SetSeriesColor(clRed);
  for (double v : {10.0, 60.0, 30.0, 90.0}) {
    bars->Add(v);
    line->Add(v);
  }
  auto* above = TComponent::Create<TButton>(form);
  above->SetParent(form);
  above->SetBounds(120, 60, 60, 40);
  form->Show();
  app->ProcessMessages();
  const int before = clip_list_reads;
  const TPoint margin = chart->ClientToForm({2, 2});
  for (TColor colour : {clNavy, clMaroon}) {
    chart->SetColor(colour);
    chart->Update();
    EXPECT_EQ(PixelToColor(SurfacePixel(form->Surface(), margin.X, margin.Y)), colour);  // painted
  }
  EXPECT_EQ(clip_list_reads - before, 0);
}

// States only cairo draws right: each is set up after a first fill, so that
// what the canvas knew of the clip and matrix before must be dropped, and
// the canvas must then match cairo doing the same.
TEST(UiCanvasDirect, IneligibleStatesFallBackToCairo) {
  TRegion rounded = TRegion::FromRoundRect(Rect(3, 2, 30, 28), 14, 12);
  rounded.Combine(TRegion::FromRect(Rect(24, 10, 46, 20)));
  // The same cairo call on the canvas's context and on the reference.
  auto both = [](void (*f)(cairo_t*)) {
    return [f](TCanvas& c, cairo_t* ref) {
      f(c.Context());
      f(ref);
    };
  };
  const struct Case {
    const char* name;
    std::function<void(TCanvas&, cairo_t*)> setUp;
  } cases[] = {
      {"round region",
       [&](TCanvas& c, cairo_t* ref) {
         c.SelectClipRgn(&rounded);
         cairo_identity_matrix(ref);
         cairo_new_path(ref);
         rounded.AddToPath(ref);
         cairo_clip(ref);
         cairo_translate(ref, 3, 2);  // the origin, as before
       }},
      {"round clip path", both([](cairo_t* cr) {
         cairo_new_path(cr);
         cairo_arc(cr, 14, 12, 11, 0, 2 * M_PI);
         cairo_clip(cr);
       })},
      {"scaled", both([](cairo_t* cr) { cairo_scale(cr, 2, 2); })},
      {"fractional translation", both([](cairo_t* cr) { cairo_translate(cr, 0.75, 0.75); })},
      {"rotated", both([](cairo_t* cr) { cairo_rotate(cr, 0.3); })},
      {"difference operator", both([](cairo_t* cr) { cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE); })},
      {"group", both([](cairo_t* cr) { cairo_push_group(cr); })},
  };
  for (cairo_format_t format : kFormats)
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(k.name) + " format " + std::to_string(format));
      CairoSurface got = NoiseSurface(format, 5), want = NoiseSurface(format, 5);
      TCanvas canvas;
      const TPoint origin{3, 2};
      const TRect base = Rect(1, 1, kW - 2, kH - 1);
      canvas.Attach(got.get(), origin, base);
      CairoContext ref(cairo_create(want.get()));
      cairo_set_antialias(ref.get(), CAIRO_ANTIALIAS_NONE);
      cairo_t* cr = ref.get();
      cairo_rectangle(cr, base.Left, base.Top, base.Width(), base.Height());
      cairo_clip(cr);
      cairo_translate(cr, origin.X, origin.Y);
      const TRect first = Rect(0, 0, 9, 5);
      canvas.Brush().SetColor(clTeal);
      canvas.FillRect(first);
      CairoFill(cr, first, clTeal);
      k.setUp(canvas, cr);
      std::mt19937 rng(11);
      for (int i = 0; i < 30; ++i) {
        const Draw d = Draw::Random(rng, false);
        d.On(canvas);
        d.OnCairo(cr);
      }
      if (std::string(k.name) == "group") {
        for (cairo_t* g : {canvas.Context(), cr}) {
          cairo_pop_group_to_source(g);
          cairo_paint_with_alpha(g, 0.5);  // shows whether the fills went into the group
        }
      }
      EXPECT_EQ(FirstDifference(got.get(), want.get()), "");
    }
}

}  // namespace
}  // namespace tavrel
