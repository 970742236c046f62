// Resize speed: our routines against OpenCV's cv::resize, one thread each,
// on the same random images. Prints our time / OpenCV's time per case.
//
//   bench_resize [--benchmark_filter=down/8uC3]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
const Method kMethods[] = {{"nearest", IPPI_INTER_NN, 0 /*INTER_NEAREST*/, false},
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

// Run times by benchmark name, for the closing ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The median when repeated, else the single run.
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const std::string name = r.run_name.function_name;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
        medians_[name] = r.GetAdjustedRealTime();
      else if (r.run_type == Run::RT_Iteration)
        times_[name] = r.GetAdjustedRealTime();
    }
    for (const auto& [name, t] : medians_) times_[name] = t;
    ConsoleReporter::ReportRuns(runs);
  }
  void Summary() const {
    std::printf("\n%-28s %12s %12s %8s\n", "case", "ours ms", "opencv ms", "ratio");
    for (const auto& [name, ours] : times_) {
      if (name.rfind("ours/", 0) != 0) continue;
      const std::string key = name.substr(5);
      const auto peer = times_.find("opencv/" + key);
      if (peer == times_.end())
        std::printf("%-28s %12.2f %12s %8s\n", key.c_str(), ours, "-", "-");
      else
        std::printf("%-28s %12.2f %12.2f %8.2f\n", key.c_str(), ours, peer->second, ours / peer->second);
    }
  }

 private:
  std::map<std::string, double> times_, medians_;
};

void Register() {
  for (const Shape& s : kShapes)
    for (const Format& f : kFormats) {
      auto buffers = MakeBuffers(s, f);
      for (const Method& m : kMethods) {
        if (m.downOnly && s.dw > s.sw) continue;
        const std::string key = std::string(s.name) + "/" + f.name + "/" + m.name;
        benchmark::RegisterBenchmark(("ours/" + key).c_str(), [buffers, m](benchmark::State& st) {
          for (auto _ : st)
            if (Ours(*buffers, m.ours) != ippStsNoErr) st.SkipWithError("resize failed");
        })->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.3);
#ifdef TAVREL_HAVE_OPENCV
        benchmark::RegisterBenchmark(("opencv/" + key).c_str(), [buffers, m](benchmark::State& st) {
          Buffers& b = *buffers;
          const int type = CV_MAKETYPE(b.bytes == 2 ? CV_16U : CV_8U, b.C);
          const cv::Mat src(b.sh, b.sw, type, b.src.data(), b.SrcStep());
          cv::Mat dst(b.dh, b.dw, type, b.dst.data(), b.DstStep());
          for (auto _ : st) cv::resize(src, dst, dst.size(), 0, 0, m.opencv);
        })->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.3);
#endif
      }
    }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef TAVREL_HAVE_OPENCV
  cv::setNumThreads(1);
#endif
  Register();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
