// The running program's cost per captured buffer: the real main window
// (its form data, its audio graph, its input history and its two charts)
// on the offscreen backend over the fake wave backend, at 44.1 kHz with
// 512-frame buffers, in each drawing mode of the charts (bars, lines).
//
// A pacing thread stands for the sound card: every 10 ms, the period the
// ALSA backend asks for, it moves the fake clock by one 441-frame period,
// waiting until the capture and playback streams have moved their frames. The GUI thread runs the application's message
// loop as the program does, so every buffer costs what it costs in the
// program: one history column, one repaint of the input chart, one
// present.
//
// For every thread of the process but the pacing thread (the sound card)
// it prints the CPU time, the heap allocations and the times the thread was
// put on a CPU (its wakes, mostly) per buffer, then all of them together as
// a fraction of one core. The wave layer's stream threads
// (waveIn, waveOut) are the program's own and counted; only the backend
// under them is the fake. The stored graph alone (capture,
// analysis tap, filters, playback: what bench_capture_graph times), paced
// the same way, gives the reference for the capture wave thread.
//
// The stored graph and each setting take turns round by round, each round
// after its own warm-up, and the capture thread's ratio is taken round by
// round: this machine's speed drifts over seconds, and pairing keeps the
// ratio meaningful through it.
//
// With --gaps it also paces the stored graph alone with shorter times
// between periods (a quarter and a twentieth of the period's duration) and
// back to back (each period as soon as the last has moved, as
// bench_capture_graph feeds it): what the capture wave thread costs only
// because it sleeps between buffers, as every thread fed by a sound card
// does. Beside it, a thread that does nothing but wake at the same gaps,
// reading a block of its own memory each time: what a wake and the caches
// lost while asleep cost on this machine, with no code of the program's.
//
// With --display it runs the window once more on the X display (SDL's X11
// window, as the program shows it; under Xvfb, say), where a repaint also
// reaches the window system; the X server's own work is not counted.
//
//   bench_program [--buffers=N] [--rounds=N] [--display] [--gaps]
//                 [--only=stored|offscreen-bars|offscreen-lines|display-bars|display-lines]
//   (stored: the stored graph alone, no window)
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/frmMain.h"
#include "app/modules.h"
#include "bench/alloc_counter.h"
#include "bench/counting_backend.h"
#include "bench/stored_graph_bench.h"
#include "bench/support.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/ui/offscreen.h"
#include "platform/ui/sdl_backend.h"

namespace {

using namespace tavrel;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kFrames = 512, kRate = 44100;
// A sound card's 10 ms period, as the ALSA backend asks for.
constexpr uint32_t kPeriod = 441;
constexpr auto kPeriodTime = std::chrono::nanoseconds(uint64_t(1e9 * kPeriod / kRate));
using Gap = std::chrono::nanoseconds;
constexpr double kBufferNs = 1e9 * kFrames / kRate;
// The capture component's wave thread, by its name cut to 15 bytes.
const std::string kCaptureThread = "TALAudioIn.TALW";

// One thread's CPU time, allocations and runs on a CPU at one moment.
struct ThreadSample {
  std::string name;
  uint64_t cpuNs = 0, allocations = 0, runs = 0;
};
using Snapshot = std::map<pid_t, ThreadSample>;

Snapshot TakeSnapshot() {
  Snapshot s;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
    const pid_t tid = pid_t(std::strtol(entry.path().filename().c_str(), nullptr, 10));
    ThreadSample& t = s[tid];
    std::ifstream comm(entry.path() / "comm");
    std::getline(comm, t.name);
    t.cpuNs = bench::ThreadCpuClock::OfId(tid).Nanoseconds();
    t.allocations = bench::ThreadHeapAllocationsOf(tid);
    // The scheduler's third figure: how many times the thread ran.
    std::ifstream schedstat(entry.path() / "schedstat");
    uint64_t onCpuNs = 0, waitNs = 0;
    schedstat >> onCpuNs >> waitNs >> t.runs;
  }
  return s;
}

// A thread's name without the serial number the wave layer's stream
// threads carry ("waveIn 4"), so that rounds name the same thread alike.
std::string WithoutSerial(std::string name) {
  const size_t space = name.find_last_of(' ');
  if (space != std::string::npos && space + 1 < name.size() &&
      name.find_first_not_of("0123456789", space + 1) == std::string::npos)
    name.erase(space);
  return name;
}

// Per-buffer figures of one thread over one round.
struct ThreadCost {
  double cpuNs = 0, allocations = 0, runs = 0;
};

// The sound card: moves the fake clock one period every period's duration.
class Pacer {
 public:
  // `gap`: the time from one period to the next; a sound card's is the
  // period's duration.
  Pacer(bench::CountingBackend& backend, Gap gap) : backend_(backend), gap_(gap) {}

  // One period's frames; false when the streams stopped moving.
  bool Period() {
    const uint64_t moves = backend_.restarts.load() > 0 ? 2 : 1;  // capture read, playback write
    const uint64_t before = backend_.Transfers();
    backend_.Advance(kPeriod);
    return bench::WaitFor([&] { return backend_.Transfers() >= before + moves; }, std::chrono::microseconds(20));
  }

  // Runs `buffers` buffers' worth of frames at the sound's rate; false
  // when it stalled.
  bool Run(int buffers) {
    for (uint64_t end = frames_ + uint64_t(buffers) * kFrames; frames_ < end; frames_ += kPeriod) {
      next_ += gap_;
      std::this_thread::sleep_until(next_);
      if (!Period()) return false;
    }
    return true;
  }
  void Restart() { next_ = Clock::now(); }

 private:
  bench::CountingBackend& backend_;
  const Gap gap_;
  Clock::time_point next_ = Clock::now();
  uint64_t frames_ = 0;
};

// What one setting measured: per round, per thread name, per-buffer costs.
struct Measured {
  std::vector<std::map<std::string, ThreadCost>> rounds;
  uint64_t buffers = 0;   // paced and measured
  uint64_t presents = 0;  // the window's presents over the measured buffers (program only)
  uint64_t failures = 0;  // wave calls that failed while measured
  bool stalled = false;
};

// Paces one round of `buffers` buffers after a warm-up and measures every
// thread but the pacer. `phase` goes to 1 when the measured round begins
// and to 2 when it ends.
Measured Pace(bench::CountingBackend& backend, int buffers, std::atomic<int>& phase, Gap gap = kPeriodTime) {
  Measured m;
  SetCurrentThreadName("pacer");
  Pacer pacer(backend, gap);
  // Once both streams are open: through the playback prefill to steady
  // playback, then a warm-up.
  if (!bench::WaitFor([&] { return backend.OpenStreams() >= 2; }, std::chrono::milliseconds(1))) {
    m.stalled = true;
    return m;
  }
  while (backend.restarts.load() == 0)
    if (!pacer.Period()) {
      m.stalled = true;
      return m;
    }
  pacer.Restart();
  if (!pacer.Run(100)) {
    m.stalled = true;
    return m;
  }
  const uint64_t failures = backend.failures.load();
  phase = 1;
  const Snapshot before = TakeSnapshot();
  if (!pacer.Run(buffers)) {
    m.stalled = true;
    return m;
  }
  const Snapshot after = TakeSnapshot();
  std::map<std::string, ThreadCost> costs;
  for (const auto& [tid, a] : after) {
    if (a.name == "pacer") continue;
    const auto b = before.find(tid);
    const ThreadSample from = b == before.end() ? ThreadSample{} : b->second;
    ThreadCost& c = costs[tid == getpid() ? "GUI (main)" : WithoutSerial(a.name)];
    c.cpuNs += double(a.cpuNs - from.cpuNs) / buffers;
    c.allocations += double(a.allocations - from.allocations) / buffers;
    c.runs += double(a.runs - from.runs) / buffers;
  }
  m.rounds.push_back(std::move(costs));
  m.buffers = uint64_t(buffers);
  m.failures = backend.failures.load() - failures;
  phase = 2;
  return m;
}

// The median over the rounds of one thread's figures.
ThreadCost MedianCost(const Measured& m, const std::string& name) {
  std::vector<double> cpu, allocs, runs;
  for (const auto& round : m.rounds) {
    const auto it = round.find(name);
    const ThreadCost c = it == round.end() ? ThreadCost{} : it->second;
    cpu.push_back(c.cpuNs);
    allocs.push_back(c.allocations);
    runs.push_back(c.runs);
  }
  return {bench::Median(cpu), bench::Median(allocs), bench::Median(runs)};
}

// The median over the rounds of all threads together.
double MedianTotal(const Measured& m) {
  std::vector<double> totals;
  for (const auto& round : m.rounds) {
    double t = 0;
    for (const auto& [name, c] : round) t += c.cpuNs;
    totals.push_back(t);
  }
  return bench::Median(totals);
}

void PrintThreads(const Measured& m) {
  if (m.rounds.empty()) return;
  std::printf("  %-18s %14s %18s %12s\n", "thread", "CPU us/buffer", "allocations/buffer", "runs/buffer");
  for (const auto& [name, unused] : m.rounds.back()) {
    const ThreadCost c = MedianCost(m, name);
    std::printf("  %-18s %14.1f %18.2f %12.2f\n", name.c_str(), c.cpuNs / 1e3, c.allocations, c.runs);
  }
  const double total = MedianTotal(m);
  std::printf("  %-18s %14.1f   = %.2f %% of one core\n", "all threads", total / 1e3, 100 * total / kBufferNs);
}

// The CPU time per wake of a thread woken every `gap` that reads `bytes`
// of its own memory, a cache line at a time, each time it wakes.
double BareWakeNs(Gap gap, size_t bytes) {
  constexpr int kWarmUp = 50, kWakes = 400;
  Semaphore wake(0, 1);
  std::atomic<bool> stop{false};
  double perWake = 0;
  std::thread sleeper([&] {
    std::vector<unsigned char> memory(bytes, 1);
    const auto clock = bench::ThreadCpuClock::Of(pthread_self());
    unsigned sum = 0;
    uint64_t from = 0;
    int n = 0;
    for (; wake.Decrement(10000) && !stop.load(); ++n) {
      if (n == kWarmUp) from = clock->Nanoseconds();
      for (size_t i = 0; i < bytes; i += 64) sum += memory[i];
    }
    if (n > kWarmUp) perWake = double(clock->Nanoseconds() - from) / (n - kWarmUp);
    benchmark::DoNotOptimize(sum);
  });
  auto next = Clock::now();
  for (int n = 0; n < kWarmUp + kWakes; ++n) {
    next += gap;
    std::this_thread::sleep_until(next);
    wake.Increment(1);
  }
  // The last wake is measured only once its reading is done.
  std::this_thread::sleep_for(gap);
  stop = true;
  wake.Increment(1);
  sleeper.join();
  return perWake;
}

// The stored graph alone, its tap doing the same minimum and maximum.
Measured StoredGraph(int buffers, Gap gap = kPeriodTime) {
  auto backend = std::make_shared<bench::CountingBackend>(kPeriod);
  WaveBackendScope use(backend);
  bench::TapResult tap;
  auto graph = LoadStoredGraph(
      [&](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) { bench::Analyse(*in, tap); });
  Measured m;
  std::atomic<int> phase{0};
  std::thread pacing([&] { m = Pace(*backend, buffers, phase, gap); });
  graph->ALAudioOut1()->SetEnabled(true);  // playback first, then capture, as the window starts them
  graph->ALAudioIn1()->SetEnabled(true);
  pacing.join();
  graph->ALAudioIn1()->SetEnabled(false);
  graph->ALAudioOut1()->SetEnabled(false);
  return m;
}

// The main window as the program runs it, its charts in bars or lines, on
// the offscreen backend or on the X display.
Measured Program(bool bars, bool onDisplay, int buffers) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tavrel-bench-program-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "tavrel.ini") << "[Misc]\nWaveFormFill=" << (bars ? 1 : 0) << "\n";
  auto backend = std::make_shared<bench::CountingBackend>(kPeriod);
  backend->SetDevices(WaveDirection::In, {{"Mic", "mic", 0}});
  backend->SetDevices(WaveDirection::Out, {{"Out", "out", -1}});
  WaveBackendScope use(backend);
  std::shared_ptr<TWindowBackend> display;
  if (onDisplay)
    display = std::make_shared<SdlBackend>();
  else
    display = std::make_shared<OffscreenBackend>();
  Measured m;
  {
    auto app = TComponent::CreateUnowned<TApplication>(display);
    std::ostringstream errors;
    TfmMainServices services;
    services.Errors = &errors;
    services.ProgramPath = (dir / "tavrel").string();
    auto* fm = TComponent::Create<TfmMain>(app.get(), services);
    fm->Show();
    OffscreenWindow* window = OffscreenWindowOf(*fm);
    std::atomic<int> phase{0};
    std::atomic<bool> done{false};
    std::thread pacing([&] {
      m = Pace(*backend, buffers, phase);
      done = true;
      PostMessage(fm->Handle(), WM_NULL, 0, 0);
    });
    // The presents over the measured round, noted as the GUI thread sees
    // them begin and end (it wakes for every buffer).
    int seen = 0, presentsFrom = 0, presentsTo = 0;
    while (!done.load()) {
      app->HandleMessage();
      const int now = phase.load();
      if (now == seen) continue;
      if (seen == 0) presentsFrom = window ? window->presents : 0;
      if (now == 2) presentsTo = window ? window->presents : 0;
      seen = now;
    }
    pacing.join();
    m.presents = uint64_t(std::max(presentsTo - presentsFrom, 0));
    if (!errors.str().empty()) std::printf("  the window said: %s", errors.str().c_str());
    fm->Close();
    app->ProcessMessages();
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return m;
}

// Adds the rounds and counts of `more` to `m`.
void Append(Measured& m, Measured more) {
  for (auto& round : more.rounds) m.rounds.push_back(std::move(round));
  m.buffers += more.buffers;
  m.presents += more.presents;
  m.failures += more.failures;
  m.stalled = m.stalled || more.stalled;
}

// One thread's CPU time in `m` against `reference`, round by round (the
// rounds ran in turn), as the median of the ratios.
double MedianRatio(const Measured& m, const Measured& reference, const std::string& name) {
  std::vector<double> ratios;
  for (size_t r = 0; r < std::min(m.rounds.size(), reference.rounds.size()); ++r) {
    const auto a = m.rounds[r].find(name), b = reference.rounds[r].find(name);
    if (a != m.rounds[r].end() && b != reference.rounds[r].end() && b->second.cpuNs > 0)
      ratios.push_back(a->second.cpuNs / b->second.cpuNs);
  }
  return bench::Median(ratios);
}

std::string SettingName(const std::pair<bool, bool>& setting) {
  return std::string(setting.second ? "display" : "offscreen") + (setting.first ? "-bars" : "-lines");
}

bool Switch(int argc, char** argv, const char* name) {
  const std::string wanted = std::string("--") + name;
  for (int i = 1; i < argc; ++i)
    if (wanted == argv[i]) return true;
  return false;
}

// The value of --name=value; "" when absent.
std::string Text(int argc, char** argv, const char* name) {
  const std::string prefix = std::string("--") + name + "=";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) return argv[i] + prefix.size();
  return "";
}

int Flag(int argc, char** argv, const char* name, int fallback) {
  const std::string text = Text(argc, argv, name);
  return text.empty() ? fallback : std::atoi(text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int buffers = std::max(10, Flag(argc, argv, "buffers", 250));
  const int rounds = std::max(1, Flag(argc, argv, "rounds", 5));
  ModuleRun modules(ProgramModules());

  std::vector<std::pair<bool, bool>> settings = {{true, false}, {false, false}};
  if (Switch(argc, argv, "display")) settings.insert(settings.end(), {{true, true}, {false, true}});
  const std::string only = Text(argc, argv, "only");
  const bool gaps = Switch(argc, argv, "gaps");
  std::erase_if(settings, [&](const std::pair<bool, bool>& s) { return !only.empty() && only != SettingName(s); });

  std::printf("The program at 44100 Hz, 512-frame stereo 16-bit buffers (%.1f ms each), paced at that rate;\n"
              "medians of %d rounds of %d buffers, each after a 100-buffer warm-up, the stored graph alone\n"
              "and each setting taking turns round by round.\n\n",
              kBufferNs / 1e6, rounds, buffers);
  // Round by round in turn, so that a drift in the machine's speed reaches
  // the reference and the program alike.
  Measured stored;
  std::vector<Measured> measured(settings.size());
  // With --gaps, the stored graph alone also with its periods closer
  // together than a sound card's, the last back to back.
  const std::vector<Gap> shorterGaps = {kPeriodTime / 4, kPeriodTime / 20, Gap(0)};
  std::vector<Measured> byGap(gaps ? shorterGaps.size() : 0);
  for (int r = 0; r < rounds; ++r) {
    Append(stored, StoredGraph(buffers));
    for (size_t i = 0; i < byGap.size(); ++i) Append(byGap[i], StoredGraph(buffers, shorterGaps[i]));
    for (size_t i = 0; i < settings.size(); ++i)
      Append(measured[i], Program(settings[i].first, settings[i].second, buffers));
  }
  std::printf("Stored graph alone (the capture benchmark's graph, its tap doing the same scan):\n");
  if (stored.stalled) std::printf("  stalled\n");
  PrintThreads(stored);
  if (gaps) {
    std::printf("\nThe stored graph's capture wave thread by the time from one %u-frame period to the next\n"
                "(a sound card's: %.1f ms), median us per buffer; the rounds took turns:\n",
                kPeriod, kPeriodTime.count() / 1e6);
    std::printf("  %12.2f ms: %7.1f\n", kPeriodTime.count() / 1e6, MedianCost(stored, kCaptureThread).cpuNs / 1e3);
    for (size_t i = 0; i < byGap.size(); ++i) {
      const double us = MedianCost(byGap[i], kCaptureThread).cpuNs / 1e3;
      if (shorterGaps[i].count() == 0)
        std::printf("  %15s: %7.1f\n", "back to back", us);
      else
        std::printf("  %12.2f ms: %7.1f\n", shorterGaps[i].count() / 1e6, us);
    }
    const std::vector<size_t> blocks = {0, 64 << 10, 256 << 10};
    std::printf("\nA thread that only wakes at those gaps and reads a block of its own memory each time,\n"
                "us of CPU time per wake, by the block's size:\n  %9s", "gap");
    for (const size_t b : blocks) std::printf(" %7zu KB", b >> 10);
    std::printf("\n");
    for (const Gap g : {kPeriodTime, kPeriodTime / 4, kPeriodTime / 20}) {
      std::printf("  %6.2f ms", g.count() / 1e6);
      for (const size_t b : blocks) std::printf(" %10.1f", BareWakeNs(g, b) / 1e3);
      std::printf("\n");
    }
  }
  for (size_t i = 0; i < settings.size(); ++i) {
    const auto [bars, onDisplay] = settings[i];
    const Measured& m = measured[i];
    std::printf("\nMain window %s, charts in %s:\n", onDisplay ? "on the X display" : "offscreen",
                bars ? "bars (stored setting)" : "lines");
    if (m.stalled) std::printf("  stalled\n");
    PrintThreads(m);
    std::printf("  capture wave thread: program / stored graph alone, median of the rounds' ratios = %.2f\n",
                MedianRatio(m, stored, kCaptureThread));
    if (gaps)
      std::printf("  capture wave thread: program / stored graph back to back, median of the rounds' ratios = %.2f\n",
                  MedianRatio(m, byGap.back(), kCaptureThread));
    if (!onDisplay)
      std::printf("  window presents: %.2f per buffer\n", m.buffers ? double(m.presents) / double(m.buffers) : 0.0);
    std::printf("  failed wave calls: %llu\n", static_cast<unsigned long long>(m.failures));
  }
  return 0;
}
