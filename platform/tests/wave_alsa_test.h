#pragma once
// A test ALSA configuration written at test time: the stock configuration
// plus hinted null and file PCMs, so device lists are the same on every
// machine, sound card or not.
//
//   AlsaTestConfig config;                          // default is a null PCM
//   AlsaTestConfig files({.input = bytes, .defaultIsFiles = true});
//   ... capture from "Tavrel Capture" (or the default) reads `bytes`;
//   config.Output();                                // what playback wrote
#include <alsa/asoundlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::wavetest {

struct AlsaTestOptions {
  std::vector<char> input;      // the capture file; empty: a fixed pseudo-random pattern
  bool defaultIsFiles = false;  // ALSA's default captures from and plays into the files
};

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
    std::ofstream conf(dir_ / "asound.conf");
    conf << "<" << snd_config_topdir() << "/alsa.conf>\n";
    if (options.defaultIsFiles)
      conf << "pcm.!default { type asym capture.pcm \"tavrel_capture\" playback.pcm \"tavrel_playback\" "
              "hint { show on description \"System sound server\" } }\n";
    else
      conf << "pcm.!default { type null hint { show on description \"System sound server\" } }\n";
    conf << "pcm.tavrel_capture { type file slave.pcm \"null\" file \"/dev/null\" infile \""
         << (dir_ / "in.raw").string()
         << "\" format \"raw\" hint { show on description \"Tavrel Capture\" } }\n"
         << "pcm.tavrel_playback { type file slave.pcm \"null\" file \""
         << (dir_ / "out.raw").string()
         << "\" format \"raw\" hint { show on description \"Tavrel Playback\" } }\n"
         << "pcm.tavrel_silence { type null hint { show on description "
            "\"Tavrel silence, a description longer than the limit\" } }\n"
         << "pcm.tavrel_broken { type hw card 31 hint { show on description \"Tavrel Broken\" } }\n";
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
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  const std::vector<char>& Input() const { return input_; }
  std::filesystem::path OutputPath() const { return dir_ / "out.raw"; }
  std::vector<char> Output() const {
    std::ifstream in(dir_ / "out.raw", std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::vector<char> input_;
  bool hadOld_ = false;
  std::string old_;
};

}  // namespace tavrel::wavetest
