#pragma once
// The graph the filter tests share: a source pin standing in for a capture,
// the filter under test, and a recording sink on its output.
//
//   class MyGraph : public FilterGraph<TALLowPass> {
//     void SetUp() override { Link(TComponent::Create<TALLowPass>(form.get())); }
//   };
//   StartWave();  capture.SubmitBuffer(*buffer);  EXPECT_EQ(received.size(), 1u);
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "signal/ALAudioBuffer.h"
#include "signal/tests/stream_fixtures.h"

namespace tavrel::testing_streams {

template <class Filter>
class FilterGraph : public ::testing::Test {
 protected:
  TLog log;
  ComponentPtr<TComponent> form = Owner("Form");
  Filter* filter = nullptr;
  TALOWAudioSourcePin capture{form.get(), nullptr, nullptr, Logging(log, "capture")};
  std::vector<Ref<TALAudioBuffer>> received;        // the buffers as delivered
  std::vector<std::vector<uint8_t>> receivedBytes;  // their bytes at delivery
  TALOWAudioSinkPin sink{form.get(), nullptr, Logging(log, "sink", [this](IOWNotifyOperation* op) {
                           if (auto* b = dynamic_cast<TOWSuppliedBufferOperation*>(op->Instance())) {
                             received.push_back(TALAudioBuffer::CreateUniversal(*b->Buffer));
                             const TALAudioBuffer& a = *received.back();
                             receivedBytes.emplace_back(a.ByteRead(), a.ByteRead() + a.GetByteSize());
                           }
                         })};

  // Links capture -> filter and, unless told not to, filter -> sink; the
  // log starts empty after the links.
  void Link(Filter* made, bool linkOutput = true) {
    filter = made;
    ASSERT_TRUE(filter->InputPin()->Connect(&capture));
    if (linkOutput) {
      ASSERT_TRUE(sink.Connect(filter->OutputPin()));
    }
    log = {};
  }
  void StartWave(const TALWaveFormatExtensible& format) {
    capture.Notify(MakeRef<TOWStartWaveOperation>(&format, false).get());
  }
  void StartWave(uint32_t rate = 44100) {
    TALWaveFormatExtensible f = DefaultWaveFormat();
    f.nSamplesPerSec = rate;
    StartWave(f);
  }
  void ClearReceived() {
    received.clear();
    receivedBytes.clear();
  }
};

}  // namespace tavrel::testing_streams
