#pragma once
// A private ALSA configuration written at test time. Nothing of the
// system's configuration is read (not ALSA's own files, nor the plugin
// packages', nor the user's), so device lists and devices are the same on
// every machine, with or without a sound card, a sound server or ALSA's
// plugin packages.
//
//   AlsaTestConfig config;                                  // default: silence both ways
//   AlsaTestConfig files({.input = bytes, .routes = AlsaRoutes::Files});
//   ... the default (the wave mapper, "Default") captures `bytes`;
//   config.Output();                                        // what playback wrote
//   AlsaTestConfig plugins({.plugins = true});              // plus what plugin packages define
//
// Beside the default it defines devices of the person's own: "Tavrel
// Capture" and "Tavrel Playback" (the files the default uses) and "Tavrel
// Route", which the lists show, and a described rate converter and an
// undescribed PCM, which they do not.
//
// Every test program also points ALSA at an empty configuration before its
// first test (PrivateAlsaEnvironment), so a test that forgets the fixture
// still reads nothing of the machine's.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::wavetest {

// What ALSA's default PCM captures from and plays into.
enum class AlsaRoutes {
  Null,      // silence in, nothing out
  Files,     // Input() in, Output() out
  Fifos,     // pipes the test holds: capture never fills, playback never drains
  FifoNoWriter,  // capture from a pipe nobody has opened for writing: its open waits
  FullDisk,  // playback into /dev/full (every write fails); capture silence
};

struct AlsaTestOptions {
  std::vector<char> input{};  // the capture file; empty: a fixed pseudo-random pattern
  AlsaRoutes routes = AlsaRoutes::Null;
  bool plugins = false;  // the PCMs sound servers and ALSA's plugin packages define
};

// The one listed device besides "Default": defined straight on a card that
// is not there, so it never opens. Its description is cut to 31 units.
inline constexpr const char* kBrokenName = "Tavrel Broken card, a descripti";

class AlsaTestConfig {
 public:
  static constexpr std::size_t kInputBytes = 24000;

  explicit AlsaTestConfig(AlsaTestOptions options = {}) : input_(std::move(options.input)) {
    dir_ = std::filesystem::temp_directory_path() /
           ("tavrel-wave-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(dir_);
    if (input_.empty()) {
      input_.resize(kInputBytes);
      std::uint32_t x = 12345;
      for (auto& b : input_) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 23);
      }
    }
    std::ofstream(dir_ / "in.raw", std::ios::binary).write(input_.data(), std::streamsize(input_.size()));
    std::string in = (dir_ / "in.raw").string(), out = (dir_ / "out.raw").string();
    if (options.routes == AlsaRoutes::Fifos) OpenFifos(in, out);
    if (options.routes == AlsaRoutes::FifoNoWriter) {
      in = (dir_ / "in.fifo").string();
      EXPECT_EQ(::mkfifo(in.c_str(), 0600), 0);
    }
    if (options.routes == AlsaRoutes::FullDisk) out = "/dev/full";

    std::ofstream conf(dir_ / "asound.conf");
    // What the layer needs of ALSA's stock definitions: null, and plug for
    // the conversions the mapper allows.
    conf << "pcm.null { type null hint { show on description \"Discard all samples\" } }\n"
            "pcm.plug { @args [ SLAVE ] @args.SLAVE { type string } type plug slave.pcm $SLAVE }\n";
    if (options.routes == AlsaRoutes::Null)
      conf << "pcm.!default { type null hint { show on description \"System sound server\" } }\n";
    else
      conf << "pcm.!default { type asym capture.pcm \"tavrel_capture\" playback.pcm \"tavrel_playback\" "
              "hint { show on description \"System sound server\" } }\n";
    // The person's own: described devices are listed whatever plugin they
    // use, a converter or an undescribed one never.
    conf << "pcm.tavrel_capture { type file slave.pcm \"null\" file \"/dev/null\" infile \"" << in
         << "\" format \"raw\" hint { show on description \"Tavrel Capture\" } }\n"
         << "pcm.tavrel_playback { type file slave.pcm \"null\" file \"" << out
         << "\" format \"raw\" hint { show on description \"Tavrel Playback\" } }\n"
         << "pcm.tavrel_route { type route slave.pcm \"null\" ttable.0.0 1 "
            "hint { show on description \"Tavrel Route\" } }\n"
         << "pcm.tavrel_rate { type rate slave { pcm \"null\" rate 48000 } "
            "hint { show on description \"Tavrel Rate\" } }\n"
         << "pcm.tavrel_quiet { type plug slave.pcm \"null\" hint { show on } }\n"
         << "pcm.tavrel_broken { type hw card 31 "
            "hint { show on description \"Tavrel Broken card, a description longer than the limit\" } }\n";
    if (options.plugins) conf << kPluginPcms;
    conf.close();
    const char* old = std::getenv("ALSA_CONFIG_PATH");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    ::setenv("ALSA_CONFIG_PATH", (dir_ / "asound.conf").c_str(), 1);
    snd_config_update_free_global();
  }

  ~AlsaTestConfig() {
    if (hadOld_)
      ::setenv("ALSA_CONFIG_PATH", old_.c_str(), 1);
    else
      ::unsetenv("ALSA_CONFIG_PATH");
    snd_config_update_free_global();
    ReleaseFifos();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  const std::vector<char>& Input() const { return input_; }
  std::filesystem::path OutputPath() const { return dir_ / "out.raw"; }
  std::vector<char> Output() const {
    std::ifstream in(dir_ / "out.raw", std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
  }

  // Lets a transfer stuck on the pipes go: the capture pipe reaches its
  // end, the playback pipe loses its reader.
  void ReleaseFifos() {
    for (int& fd : fifoPeers_)
      if (fd >= 0) ::close(std::exchange(fd, -1));
  }

  // FifoNoWriter: a writer comes, so an open waiting for one returns; it
  // stays until ReleaseFifos.
  void OpenFifoWriter() {
    fifoPeers_[0] = ::open((dir_ / "in.fifo").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fifoPeers_[0], 0);
  }

 private:
  // As the sound servers' and ALSA's plugin packages install them.
  static constexpr const char* kPluginPcms =
      "pcm.pulse { type pulse hint { show on description \"PulseAudio Sound Server\" } }\n"
      "pcm.pipewire { type pipewire hint { show on description \"PipeWire Sound Server\" } }\n"
      "pcm.jack { type jack playback_ports { 0 system:playback_1 } capture_ports { 0 system:capture_1 } "
      "hint { show on description \"JACK Audio Connection Kit\" } }\n"
      "pcm.oss { type oss device \"/dev/dsp\" hint { show on description \"Open Sound System\" } }\n"
      "pcm.lavrate { type rate converter \"lavrate\" slave { pcm \"plug:hw\" rate 48000 } "
      "hint { show on description \"Rate Converter Plugin Using Libav/FFmpeg Library\" } }\n"
      "pcm.samplerate { type rate converter \"samplerate\" slave { pcm \"plug:hw\" rate 48000 } "
      "hint { show on description \"Rate Converter Plugin Using Samplerate Library\" } }\n"
      "pcm.speexrate { type rate converter \"speexrate\" slave { pcm \"plug:hw\" rate 48000 } "
      "hint { show on description \"Rate Converter Plugin Using Speex Resampler\" } }\n"
      "pcm.speex { type speex slave.pcm \"plug:hw\" "
      "hint { show on description \"Plugin using Speex DSP (resample, agc, denoise, echo, dereverb)\" } }\n"
      "pcm.upmix { type upmix channels 6 slave.pcm \"plug:hw\" "
      "hint { show on description \"Plugin for channel upmix (4,6,8)\" } }\n"
      "pcm.vdownmix { type vdownmix slave.pcm \"plug:hw\" "
      "hint { show on description \"Plugin for channel downmix (stereo) with a simple spacialization\" } }\n"
      "pcm.a52 { @args [ CARD ] @args.CARD { type integer default 0 } type a52 card $CARD "
      "hint { show on description \"Plugin to convert multichannel stream to A52 (AC3) bitstream\" } }\n"
      "pcm.usbstream { @args [ CARD ] @args.CARD { type string default \"0\" } type usb_stream card $CARD "
      "hint { show on description \"USB Stream Output\" } }\n";

  void OpenFifos(std::string& in, std::string& out) {
    in = (dir_ / "in.fifo").string();
    out = (dir_ / "out.fifo").string();
    EXPECT_EQ(::mkfifo(in.c_str(), 0600), 0);
    EXPECT_EQ(::mkfifo(out.c_str(), 0600), 0);
    // A writer that never writes, a reader that never reads: ALSA's opens
    // of the two ends do not wait for a peer.
    fifoPeers_[0] = ::open(in.c_str(), O_RDWR | O_CLOEXEC);
    fifoPeers_[1] = ::open(out.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fifoPeers_[0], 0);
    EXPECT_GE(fifoPeers_[1], 0);
  }

  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::vector<char> input_;
  int fifoPeers_[2] = {-1, -1};
  bool hadOld_ = false;
  std::string old_;
};

// Registered by each test program that reaches ALSA: an empty configuration
// from before the first test to after the last. It is no file of ours, so
// nothing is left behind by a child process that ends without tearing down
// (a death test's).
class PrivateAlsaEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ::setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
    snd_config_update_free_global();
  }
  void TearDown() override { snd_config_update_free_global(); }
};

}  // namespace tavrel::wavetest
