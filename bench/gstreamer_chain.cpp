// Our two filter chains against GStreamer's time-domain windowed-sinc
// elements on the same buffers (ChainInput(): 512 stereo 16-bit frames at
// 44100 Hz):
//   appsrc ! audioconvert ! F64 ! audiowsinclimit (low-pass 1500 Hz)
//     ! audiowsincband (band-reject 1000-2000 Hz) ! audiowsincband (band-pass
//     1000-2000 Hz) ! audiowsinclimit (high-pass 5000 Hz) ! audioconvert
//     ! S16 ! appsink
// each filter with 41 taps, the Hamming window and low-latency=true (the
// direct convolution), and the same pipeline without the four filters.
// Each GStreamer iteration pushes one buffer from the application thread,
// waits for it at the appsink and counts the CPU time of both threads that
// work on it: the application thread (making and filling the buffer,
// pushing it, taking the sample) and appsrc's streaming thread (its queue,
// both conversions, the filters, the sink). Ours is the CPU time of the
// thread that submits, which does all of our work.
// Two comparisons, each like against like:
//   - filters against filters: the four FIR stages alone (fir_chain's
//     figure) against the pipeline less the pipeline without the filters;
//   - whole against whole: the stored graph with all four filters enabled
//     (graph_chain's figure: capture pin, tap, the four components, sinks on
//     the open ends) against the whole pipeline.
// Prints our time / GStreamer's time for each.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <pthread.h>
#include <string>
#include <utility>

#include "bench/fir_chain_bench.h"
#include "bench/stored_graph_bench.h"
#include "bench/support.h"

#ifdef TAVREL_HAVE_GSTREAMER
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#endif

namespace {

using namespace tavrel;

void Graph(benchmark::State& state) {
  bench::GraphChain chain(true);
  for (int i = 0; i < 4; ++i) chain.Submit();
  for (auto _ : state) chain.Submit();
}

void FourStages(benchmark::State& state) {
  bench::FourStages chain;
  for (auto _ : state) chain.Run();
}

#ifdef TAVREL_HAVE_GSTREAMER

class Pipeline {
 public:
  explicit Pipeline(bool filters) : filters_(filters) {
    const std::string description =
        std::string("appsrc name=src format=time is-live=false block=true "
                    "caps=audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved "
                    "! audioconvert ! audio/x-raw,format=F64LE ") +
        (filters ? "! audiowsinclimit name=lowpass ! audiowsincband name=bandstop ! audiowsincband name=bandpass "
                   "! audiowsinclimit name=highpass "
                 : "") +
        "! audioconvert dithering=none ! audio/x-raw,format=S16LE ! appsink name=sink sync=false";
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
      problem_ = error->message;
      g_error_free(error);
      return;
    }
    if (filters) {
      Set("lowpass", "low-pass", "1500", nullptr);
      Set("bandstop", "band-reject", "1000", "2000");
      Set("bandpass", "band-pass", "1000", "2000");
      Set("highpass", "high-pass", "5000", nullptr);
    }
    if (!problem_.empty()) return;
    src_ = gst_bin_get_by_name(GST_BIN(pipeline_), "src");
    sink_ = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink*, gpointer self) {
      static_cast<Pipeline*>(self)->thread_.store(pthread_self(), std::memory_order_relaxed);
      return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink_), &callbacks, this, nullptr);
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) problem_ = "cannot play";
    const std::vector<int16_t> input = bench::ChainInput();
    samples_.assign(input.begin(), input.end());
  }
  ~Pipeline() {
    if (src_ != nullptr) gst_app_src_end_of_stream(GST_APP_SRC(src_));
    if (pipeline_ != nullptr) gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (src_ != nullptr) gst_object_unref(src_);
    if (sink_ != nullptr) gst_object_unref(sink_);
    if (pipeline_ != nullptr) gst_object_unref(pipeline_);
  }
  const std::string& Problem() const { return problem_; }
  // The last checked buffer came out as long as it went in, changed by the
  // filters, unchanged without them.
  bool AsExpected() const { return expected_; }

  // One buffer through; false when it did not come out. `check` compares
  // what came out with what went in (not part of the pipeline's work).
  bool Buffer(bool check = false) {
    const gsize bytes = samples_.size() * sizeof(int16_t);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, samples_.data(), bytes);
    GST_BUFFER_PTS(buffer) = pts_;
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(512, GST_SECOND, 44100);
    pts_ += GST_BUFFER_DURATION(buffer);
    if (gst_app_src_push_buffer(GST_APP_SRC(src_), buffer) != GST_FLOW_OK) return false;
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), 10 * GST_SECOND);
    if (sample == nullptr) return false;
    GstMapInfo map;
    GstBuffer* out = gst_sample_get_buffer(sample);
    if (check && out != nullptr && gst_buffer_map(out, &map, GST_MAP_READ)) {
      expected_ = map.size == bytes && (std::memcmp(map.data, samples_.data(), bytes) != 0) == filters_;
      gst_buffer_unmap(out, &map);
    }
    gst_sample_unref(sample);
    return true;
  }
  std::optional<bench::ThreadCpuClock> StreamingThread() const {
    return bench::ThreadCpuClock::Of(thread_.load(std::memory_order_relaxed));
  }

 private:
  // Properties by their names and value nicks; a missing plug-in or
  // property is reported instead of half-applied.
  void Set(const char* name, const char* mode, const char* low, const char* high) {
    GstElement* e = gst_bin_get_by_name(GST_BIN(pipeline_), name);
    const std::pair<const char*, const char*> values[] = {
        {"mode", mode}, {"length", "41"}, {"window", "hamming"}, {"low-latency", "true"},
        {high ? "lower-frequency" : "cutoff", low}, {"upper-frequency", high}};
    for (const auto& [property, value] : values) {
      if (value == nullptr) continue;
      if (g_object_class_find_property(G_OBJECT_GET_CLASS(e), property) == nullptr) {
        problem_ = std::string(name) + " has no " + property;
        break;
      }
      gst_util_set_object_arg(G_OBJECT(e), property, value);
    }
    gst_object_unref(e);
  }

  const bool filters_;
  GstElement* pipeline_ = nullptr;
  GstElement* src_ = nullptr;
  GstElement* sink_ = nullptr;
  std::atomic<pthread_t> thread_{};
  std::vector<int16_t> samples_;
  GstClockTime pts_ = 0;
  std::string problem_;
  bool expected_ = false;
};

// The pipeline with or without the filters; CPU time of the application
// thread and the streaming thread per buffer.
void GStreamer(benchmark::State& state, bool filters) {
  Pipeline pipeline(filters);
  if (!pipeline.Problem().empty()) {
    state.SkipWithError(pipeline.Problem().c_str());
    return;
  }
  for (int i = 0; i < 4; ++i)
    if (!pipeline.Buffer(true)) {
      state.SkipWithError("no buffer came out");
      return;
    }
  const auto streaming = pipeline.StreamingThread();
  const auto application = bench::ThreadCpuClock::Of(pthread_self());
  if (!pipeline.AsExpected()) {
    state.SkipWithError(filters ? "the pipeline did not filter" : "the pipeline without filters changed the buffer");
    return;
  }
  if (!streaming || !application) {
    state.SkipWithError("no thread clock");
    return;
  }
  auto both = [&] { return streaming->Nanoseconds() + application->Nanoseconds(); };
  for (auto _ : state) {
    const uint64_t before = both();
    if (!pipeline.Buffer()) {
      state.SkipWithError("a buffer was lost");
      break;
    }
    state.SetIterationTime(double(both() - before) * 1e-9);
  }
}

#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
#ifdef TAVREL_HAVE_GSTREAMER
  gst_init(&argc, &argv);
#endif
  ModuleRun modules(bench::AudioProgramModules());
  benchmark::RegisterBenchmark("graph_chain/all_four", Graph);
  benchmark::RegisterBenchmark("fir_chain", FourStages);
#ifdef TAVREL_HAVE_GSTREAMER
  benchmark::RegisterBenchmark("gstreamer/wsinc_four", GStreamer, true)->UseManualTime();
  benchmark::RegisterBenchmark("gstreamer/no_filters", GStreamer, false)->UseManualTime();
#endif
  bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  const double graph = table.Time("graph_chain/all_four"), stages = table.Time("fir_chain");
  std::printf("\nFour 41-tap filters on 512 stereo 16-bit frames at 44100 Hz (%.0f us of sound)\n",
              bench::kChainBufferNs / 1e3);
  std::printf("  %-44s %10.0f ns/buffer\n", "stored graph, all four enabled", graph);
  std::printf("  %-44s %10.0f ns/buffer\n", "four FIR stages", stages);
#ifdef TAVREL_HAVE_GSTREAMER
  const double whole = table.Time("gstreamer/wsinc_four/manual_time");
  const double bare = table.Time("gstreamer/no_filters/manual_time");
  const double filters = whole - bare;
  std::printf("  %-44s %10.0f ns/buffer\n", "GStreamer pipeline with audiowsinc* filters", whole);
  std::printf("  %-44s %10.0f ns/buffer\n", "GStreamer pipeline without them", bare);
  std::printf("  %-44s %10.0f ns/buffer\n", "GStreamer's four filters (the difference)", filters);
  std::printf("  ratio %.2f (four FIR stages / GStreamer's four filters), filters against filters\n",
              stages / filters);
  std::printf("  ratio %.2f (stored graph / GStreamer pipeline with filters), whole against whole\n",
              graph / whole);
#else
  std::printf("  GStreamer was not found at configure time: no ratio\n");
#endif
  benchmark::Shutdown();
  return 0;
}
