// One captured buffer's life on the main road: a 512-frame stereo 16-bit
// audio buffer taken from the pool, shared with two readers, separated once
// by a writer, and released; against a plain malloc / memcpy / free of the
// same bytes. Heap allocations are counted by this program's own global
// operator new.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "bench/alloc_counter.h"
#include "bench/support.h"
#include "signal/ALAudioBuffer.h"

namespace {

using namespace tavrel;

constexpr uint32_t kFrames = 512, kChannels = 2, kBits = 16;
constexpr size_t kBytes = kFrames * kChannels * kBits / 8 + 40;

void BufferLife(benchmark::State& state) {
  TSLSmartBufferManager pool;
  const uint64_t before = tavrel::bench::HeapAllocations();
  for (auto _ : state) {
    auto captured = TALAudioBuffer::CreateSize(44100, kBits, kChannels, kFrames, pool);
    captured->Write()[0] = 1;
    auto reader1 = TALAudioBuffer::CreateEx(*captured);
    auto reader2 = TALAudioBuffer::CreateEx(*captured);
    reader1->Modify()[1] = 2;  // the one copy
    benchmark::DoNotOptimize(reader2->Read()[0]);
  }
  state.counters["allocs/buffer"] =
      benchmark::Counter(double(tavrel::bench::HeapAllocations() - before) / double(state.iterations()));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("buffer_life", BufferLife);
  benchmark::RegisterBenchmark(
      "malloc_memcpy_free", [](benchmark::State& state) { tavrel::bench::PlainBufferCopy(state, kBytes); });
  tavrel::bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  TSLSmartBufferManager pool;
  {  // warm the pool, then count one life exactly
    auto warm = TALAudioBuffer::CreateSize(44100, kBits, kChannels, kFrames, pool);
    auto copy = TALAudioBuffer::CreateEx(*warm);
    copy->Modify();
  }
  const uint64_t before = tavrel::bench::HeapAllocations();
  {
    auto captured = TALAudioBuffer::CreateSize(44100, kBits, kChannels, kFrames, pool);
    auto reader1 = TALAudioBuffer::CreateEx(*captured);
    auto reader2 = TALAudioBuffer::CreateEx(*captured);
    reader1->Modify()[1] = 2;
  }
  const uint64_t allocations = tavrel::bench::HeapAllocations() - before;
  const double ours = table.Time("buffer_life"), plain = table.Time("malloc_memcpy_free");
  std::printf("\n512-frame stereo 16-bit buffer (%zu bytes): create, share with two readers, detach once, release\n",
              kBytes);
  std::printf("%-22s %10.1f ns\n%-22s %10.1f ns\nratio %.2f; heap allocations per buffer: %llu "
              "(buffer objects and containers; data blocks come from the pool)\n",
              "buffer life", ours, "malloc/memcpy/free", plain, ours / plain,
              static_cast<unsigned long long>(allocations));
  benchmark::Shutdown();
  return 0;
}
