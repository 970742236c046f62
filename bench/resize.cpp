// Resize speed: our routines against OpenCV's cv::resize, one thread each,
// on the same random images. Prints our time / OpenCV's time per case (CPU
// time, median of the repetitions).
//
//   bench_resize [--benchmark_filter=down/8uC3]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/support.h"
#include "resample/resize.h"

#ifdef TAVREL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace tavrel;

struct Format {
  const char* name;
  int channels;
  int bytes;  // per element
};
const Format kFormats[] = {{"8uC1", 1, 1}, {"8uC3", 3, 1}, {"8uC4", 4, 1}, {"16uC1", 1, 2}};

struct Shape {
  const char* name;
  int sw, sh, dw, dh;
};
// "half" adds OpenCV's fast path for whole 2 x 2 boxes (INTER_AREA).
const Shape kShapes[] = {{"down", 4928, 3279, 852, 567}, {"up", 1920, 1080, 3840, 2160}, {"half", 1920, 1080, 960, 540}};

struct Method {
  const char* name;
  int ours;
  int opencv;  // cv::InterpolationFlags
  bool downOnly;
};
// OpenCV's cubic is Keys a = -0.75 and its Lanczos has 8 taps: same class,
// not the same kernel.
// OpenCV's INTER_NEAREST_EXACT takes the source pixel nearest to the
// destination pixel's centre, as ours does (INTER_NEAREST floors instead).
const Method kMethods[] = {{"nearest", IPPI_INTER_NN, 6 /*INTER_NEAREST_EXACT*/, false},
                           {"linear", IPPI_INTER_LINEAR, 1 /*INTER_LINEAR*/, false},
                           {"cubic", IPPI_INTER_CUBIC, 2 /*INTER_CUBIC*/, false},
                           {"lanczos", IPPI_INTER_LANCZOS, 4 /*INTER_LANCZOS4*/, false},
                           {"super", IPPI_INTER_SUPER, 3 /*INTER_AREA*/, true}};

struct Buffers {
  int sw, sh, dw, dh, C, bytes;
  std::vector<std::uint8_t> src, dst;
  int SrcStep() const { return sw * C * bytes; }
  int DstStep() const { return dw * C * bytes; }
};

std::shared_ptr<Buffers> MakeBuffers(const Shape& s, const Format& f) {
  auto b = std::make_shared<Buffers>();
  *b = {s.sw, s.sh, s.dw, s.dh, f.channels, f.bytes, {}, {}};
  b->src.resize(static_cast<std::size_t>(b->SrcStep()) * s.sh);
  b->dst.resize(static_cast<std::size_t>(b->DstStep()) * s.dh);
  std::uint32_t x = 7;
  for (auto& v : b->src) v = static_cast<std::uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
  return b;
}

IppStatus Ours(Buffers& b, int method) {
  const double fx = static_cast<double>(b.dw) / b.sw, fy = static_cast<double>(b.dh) / b.sh;
  const IppiSize size{b.sw, b.sh};
  const IppiRect roi{0, 0, b.sw, b.sh};
  const IppiSize dsize{b.dw, b.dh};
  if (b.bytes == 2)
    return kernels::ippiResize_16u_C1R(reinterpret_cast<const Ipp16u*>(b.src.data()), size, b.SrcStep(), roi,
                                       reinterpret_cast<Ipp16u*>(b.dst.data()), b.DstStep(), dsize, fx, fy, method);
  auto* fn = b.C == 1 ? kernels::ippiResize_8u_C1R : b.C == 3 ? kernels::ippiResize_8u_C3R : kernels::ippiResize_8u_C4R;
  return fn(b.src.data(), size, b.SrcStep(), roi, b.dst.data(), b.DstStep(), dsize, fx, fy, method);
}

std::vector<std::string> Register() {
  std::vector<std::string> keys;
  for (const Shape& s : kShapes)
    for (const Format& f : kFormats) {
      auto buffers = MakeBuffers(s, f);
      for (const Method& m : kMethods) {
        if (m.downOnly && s.dw > s.sw) continue;
        const std::string key = std::string(s.name) + "/" + f.name + "/" + m.name;
        keys.push_back(key);
        benchmark::RegisterBenchmark(("ours/" + key).c_str(), [buffers, m](benchmark::State& st) {
          for (auto _ : st)
            if (Ours(*buffers, m.ours) != ippStsNoErr) st.SkipWithError("resize failed");
        })->Unit(benchmark::kMillisecond)->MinTime(0.3);
#ifdef TAVREL_HAVE_OPENCV
        benchmark::RegisterBenchmark(("opencv/" + key).c_str(), [buffers, m](benchmark::State& st) {
          Buffers& b = *buffers;
          const int type = CV_MAKETYPE(b.bytes == 2 ? CV_16U : CV_8U, b.C);
          const cv::Mat src(b.sh, b.sw, type, b.src.data(), b.SrcStep());
          cv::Mat dst(b.dh, b.dw, type, b.dst.data(), b.DstStep());
          for (auto _ : st) cv::resize(src, dst, dst.size(), 0, 0, m.opencv);
        })->Unit(benchmark::kMillisecond)->MinTime(0.3);
#endif
      }
    }
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef TAVREL_HAVE_OPENCV
  cv::setNumThreads(1);
#endif
  const std::vector<std::string> keys = Register();
  benchmark::Initialize(&argc, argv);
  bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);
  std::printf("\n%-28s %12s %12s %8s\n", "case", "ours ms", "opencv ms", "ratio");
  for (const std::string& key : keys) {
    const double ours = table.Time("ours/" + key) / 1e6, peer = table.Time("opencv/" + key) / 1e6;
    if (std::isnan(ours)) continue;
    if (std::isnan(peer))
      std::printf("%-28s %12.2f %12s %8s\n", key.c_str(), ours, "-", "-");
    else
      std::printf("%-28s %12.2f %12.2f %8.2f\n", key.c_str(), ours, peer, ours / peer);
  }
  benchmark::Shutdown();
  return 0;
}
