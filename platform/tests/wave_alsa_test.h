#pragma once
// A test ALSA configuration written at test time: the stock configuration
// plus hinted null and file PCMs, so device lists are the same on every
// machine, sound card or not.
#include <alsa/asoundlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tavrel::wavetest {

class AlsaTestConfig {
 public:
  static constexpr std::size_t kInputBytes = 24000;

  AlsaTestConfig() {
    dir_ = std::filesystem::temp_directory_path() /
           ("tavrel-wave-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(dir_);
    input_.resize(kInputBytes);
    std::uint32_t x = 12345;
    for (auto& b : input_) {
      x = x * 1103515245u + 12345u;
      b = char(x >> 23);
    }
    std::ofstream(dir_ / "in.raw", std::ios::binary).write(input_.data(), input_.size());
    std::ofstream conf(dir_ / "asound.conf");
    conf << "<" << snd_config_topdir() << "/alsa.conf>\n"
         << "pcm.!default { type null hint { show on description \"System sound server\" } }\n"
         << "pcm.tavrel_capture { type file slave.pcm \"null\" file \"/dev/null\" infile \""
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
