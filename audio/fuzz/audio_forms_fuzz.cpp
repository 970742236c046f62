// Form data from anywhere read into the real audio components (capture,
// playback, the generic filter, the four FIR filters), so that their
// property setters, sub-objects, pin links and float lists meet hostile
// values. Devices come from an in-process fake whose opens all fail: an
// enabled component must report that failure, never start anything, and
// leave the root whole. What reads must write, and read back to the same
// bytes.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "audio/ALAudioIn.h"
#include "audio/ALGenericFilter.h"
#include "audio/modules.h"
#include "platform/forms.h"
#include "platform/wave/fake_backend.h"
#include "signal/modules.h"

namespace tavrel {
namespace {

// The main window's class name, so its stored form reads into this root
// unchanged; the generic filter's handler resolves to a method that passes
// the data on.
class TAudioRoot : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TAudioRoot(TComponent* owner) : TComponent(owner) {
    PublishMethod("ALGenericFilter1ProcessData",
                  TALProcessAudioNotify([](TObject*, const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>&, bool&) {},
                                        this));
  }
};
const ClassInfo& TAudioRoot::Class() {
  static const ClassInfo ci = ClassBuilder<TAudioRoot>("TfmMain", TComponent::Class()).formRoot().build();
  return ci;
}

struct Setup {
  Setup() : modules([] {
      std::vector<ModuleStep> steps = SignalStackModules();
      for (auto& step : AudioModules()) steps.push_back(std::move(step));
      return steps;
    }()), fake(std::make_shared<FakeWaveBackend>()), use(fake) {
    fake->SetDevices(WaveDirection::In, {{"Mic", "mic", 0}});
    fake->SetDevices(WaveDirection::Out, {{"Speakers", "speakers", 0}});
    fake->FailCall("waveInOpen", MMSYSERR_ALLOCATED, -1);
    fake->FailCall("waveOutOpen", MMSYSERR_ALLOCATED, -1);
    RegisterClass(TAudioRoot::Class());
  }
  ModuleRun modules;
  std::shared_ptr<FakeWaveBackend> fake;
  WaveBackendScope use;
};

// Reads into a fresh root. False when the data was refused; a refusal
// leaves no half-read component behind.
bool Read(TAudioRoot& root, std::span<const uint8_t> data) {
  try {
    ReadRootComponent(root, data);
  } catch (const EReadError&) {
    if (root.ComponentCount() != 0) __builtin_trap();
    return false;
  } catch (const ESLException&) {
    // An enabled device that cannot open, reported as the form finished
    // loading: the components are read.
  }
  return true;
}

}  // namespace
}  // namespace tavrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrel;
  static Setup setup;
  std::vector<uint8_t> first;
  {
    auto root = TComponent::CreateUnowned<TAudioRoot>();
    if (!Read(*root, {data, size})) return 0;
    if (setup.fake->OpenStreams() != 0) __builtin_trap();
    try {
      first = WriteRootComponent(*root);
    } catch (const EWriteError&) {
      return 0;  // names the writer cannot store (over 255 bytes) may come from a read
    }
  }
  auto again = TComponent::CreateUnowned<TAudioRoot>();
  if (!Read(*again, first)) __builtin_trap();  // what was written must read
  if (WriteRootComponent(*again) != first) __builtin_trap();
  return 0;
}
