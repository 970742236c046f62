// Any bytes: the scan reads nothing past the data (ASan), its frames lie in
// order inside the data, and cutting frame n leaves a stream whose scan
// gives frames n, n+1, ... of the original, moved by the bytes cut out.
#include "controls/GifFrames.h"

namespace {

bool SameFrame(const tavrel::TGifFrame& a, const tavrel::TGifFrame& b, size_t shift) {
  return a.start == b.start - shift && a.delay == b.delay && a.left == b.left && a.top == b.top &&
         a.width == b.width && a.height == b.height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const std::vector<tavrel::TGifFrame> frames = tavrel::ScanGifFrames(bytes);
  size_t last = 0;
  for (const tavrel::TGifFrame& f : frames) {
    if (f.start < 13 || f.start + 18 > size || f.start < last) __builtin_trap();
    last = f.start + 1;
  }
  if (tavrel::CutGifFrame(bytes, frames, 0).size() != size) __builtin_trap();
  // A few frames are enough: every cut is the same walk from another place.
  const size_t checked = std::min<size_t>(frames.size(), 4);
  for (size_t n = 1; n <= checked; ++n) {
    const size_t shift = frames[n - 1].start - frames[0].start;
    const std::vector<uint8_t> cut = tavrel::CutGifFrame(bytes, frames, static_cast<int>(n));
    if (cut.size() != size - shift) __builtin_trap();
    const std::vector<tavrel::TGifFrame> rest = tavrel::ScanGifFrames(cut);
    if (rest.size() != frames.size() - (n - 1)) __builtin_trap();
    for (size_t i = 0; i < rest.size(); ++i)
      if (!SameFrame(rest[i], frames[n - 1 + i], shift)) __builtin_trap();
  }
  return 0;
}
