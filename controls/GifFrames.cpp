#include "controls/GifFrames.h"

#include "platform/ui/imagebytes.h"

namespace tavrel {
namespace {

constexpr uint8_t kExtension = 0x21, kControlLabel = 0xF9, kImage = 0x2C;

constexpr size_t kScreenEnd = 13;  // signature, version and logical screen descriptor
constexpr size_t kDescriptorSize = 10;

size_t ColourTableSize(uint8_t packed) { return (packed & 0x80) ? 3 * (size_t{2} << (packed & 7)) : 0; }

// Past the sub-blocks that start at `pos` and their terminator; 0 when they
// run past the end.
size_t SkipSubBlocks(std::span<const uint8_t> d, size_t pos) {
  while (pos < d.size()) {
    const size_t n = d[pos++];
    if (n == 0) return pos;
    if (n > d.size() - pos) return 0;
    pos += n;
  }
  return 0;
}

}  // namespace

bool IsGifData(std::span<const uint8_t> d) {
  return d.size() > 4 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8';
}

std::vector<TGifFrame> ScanGifFrames(std::span<const uint8_t> d) {
  std::vector<TGifFrame> frames;
  if (!IsGifData(d) || d.size() < kScreenEnd) return frames;
  size_t pos = kScreenEnd + ColourTableSize(d[10]);
  // The control extension that ended just before `pos`, when the last block was one.
  bool control = false;
  TGifFrame pending;
  while (pos < d.size()) {
    const uint8_t block = d[pos];
    if (block == kExtension) {
      if (d.size() - pos < 3) break;
      const size_t start = pos;
      const bool isControl = d[pos + 1] == kControlLabel && d[pos + 2] == 4 && d.size() - pos >= 7;
      if (isControl) pending = TGifFrame{start, Le16(&d[pos + 4])};
      pos = SkipSubBlocks(d, pos + 2);
      if (pos == 0) break;
      control = isControl;
    } else if (block == kImage) {
      if (d.size() - pos < kDescriptorSize) break;
      if (control) {
        pending.left = Le16(&d[pos + 1]);
        pending.top = Le16(&d[pos + 3]);
        pending.width = Le16(&d[pos + 5]);
        pending.height = Le16(&d[pos + 7]);
        frames.push_back(pending);
      }
      control = false;
      pos += kDescriptorSize + ColourTableSize(d[pos + 9]);
      if (pos >= d.size()) break;
      pos = SkipSubBlocks(d, pos + 1);  // past the LZW code size, then the data
      if (pos == 0) break;
    } else {
      break;  // the trailer, or a byte that starts no block
    }
  }
  return frames;
}

std::vector<uint8_t> CutGifFrame(std::span<const uint8_t> d, const std::vector<TGifFrame>& frames, int n) {
  if (n < 1 || static_cast<size_t>(n) > frames.size()) return {d.begin(), d.end()};
  const size_t from = frames.front().start, to = frames[static_cast<size_t>(n - 1)].start;
  std::vector<uint8_t> out(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(from));
  out.insert(out.end(), d.begin() + static_cast<std::ptrdiff_t>(to), d.end());
  return out;
}

}  // namespace tavrel
