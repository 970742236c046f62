// One delivery through a source pin with 1, 2 and 8 links, against the same
// number of plain indirect calls; heap allocations per delivery are counted
// (a delivery must make none).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "bench/support.h"
#include "framework/OWPins.h"

namespace {
std::atomic<long long> g_allocations{0};
}  // namespace

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tavrel::bench {
namespace {

constexpr Guid kType{0xA0000001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr int kLinkCounts[] = {1, 2, 8};

class Owner : public TComponent {
 public:
  explicit Owner(TComponent* o) : TComponent(o) {}
};

// The source hands each delivery to the sink's counter.
class Sink : public TOWSinkPin {
 public:
  explicit Sink(TComponent* o) : TOWSinkPin(o) { AddType(kType); }
  long long count = 0;
};

class Source : public TOWSourcePin {
 public:
  Source(TComponent* o, Ref<IOWLock> out, Ref<IOWLock> in) : TOWSourcePin(o, std::move(out), std::move(in)) {
    AddType(kType, TOWSubmit::Of<&Source::Send>(this));
  }

 private:
  TOWNotifyResult Send(IOWStream* h, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState) {
    ++static_cast<Sink*>(h->StreamPin())->count;
    return {};
  }
};

std::atomic<double> g_allocsPerDelivery[9];

void Delivery(benchmark::State& state) {
  const int links = int(state.range(0));
  auto owner = TComponent::CreateUnowned<Owner>();
  Source src(owner.get(), MakeRef<TOWLock>(), MakeRef<TOWLock>());
  std::vector<std::unique_ptr<Sink>> sinks;
  for (int i = 0; i < links; ++i) {
    sinks.push_back(std::make_unique<Sink>(owner.get()));
    if (!sinks.back()->Connect(&src)) state.SkipWithError("link refused");
  }
  Ref<IOWNotifyOperation> op = MakeRef<TOWNotifyOperation>();
  src.Notify(op.get());  // warm up: per-thread bookkeeping of the locks
  long long before = g_allocations.load();
  long long n = 0;
  for (auto _ : state) {
    src.Notify(op.get());
    ++n;
  }
  double perDelivery = double(g_allocations.load() - before) / double(n ? n : 1);
  state.counters["allocs"] = perDelivery;
  g_allocsPerDelivery[links] = perDelivery;
  for (auto& s : sinks) s->Disconnect();
}

// The reference: the same number of indirect calls, nothing else.
struct Counter {
  long long count = 0;
};
using Call = void (*)(Counter*);
void Bump(Counter* c) { ++c->count; }

void PlainCalls(benchmark::State& state) {
  const int links = int(state.range(0));
  std::vector<Counter> counters(static_cast<size_t>(links));
  volatile Call call = &Bump;
  for (auto _ : state)
    for (auto& c : counters) call(&c);
  benchmark::DoNotOptimize(counters.data());
}

}  // namespace
}  // namespace tavrel::bench

int main(int argc, char** argv) {
  using namespace tavrel::bench;
  benchmark::Initialize(&argc, argv);
  for (int L : kLinkCounts) {
    benchmark::RegisterBenchmark("delivery", Delivery)->Arg(L);
    benchmark::RegisterBenchmark("plain", PlainCalls)->Arg(L);
  }
  RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);
  std::printf("\nOne delivery (owner locks given up and taken back, snapshot, use token per link,\n"
              "re-ordering) vs the same number of plain indirect calls.\n");
  std::printf("%6s %14s %12s %10s %18s\n", "links", "ns/delivery", "plain ns", "ratio", "allocs/delivery");
  for (int L : kLinkCounts) {
    const double ours = table.Time("delivery/" + std::to_string(L)), plain = table.Time("plain/" + std::to_string(L));
    std::printf("%6d %14.1f %12.2f %10.1f %18.3f\n", L, ours, plain, ours / plain, g_allocsPerDelivery[L].load());
  }
  benchmark::Shutdown();
  return 0;
}
