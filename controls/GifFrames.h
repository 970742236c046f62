#pragma once
// The frames of an animated GIF, found by walking its block structure, and
// the cut that makes frame n the first image of the stream, so that a
// loader which decodes only the first image shows it.
//
//   std::vector<TGifFrame> frames = ScanGifFrames(bytes);
//   std::vector<uint8_t> second = CutGifFrame(bytes, frames, 2);
//
// A frame is a graphic control extension directly followed by an image
// descriptor. The walk follows the header, the colour tables, extensions
// and image data by their sub-block lengths, so a control-extension pattern
// inside image data is never taken for a frame. It never reads beyond the
// data: it stops at the first block that would run past the end, keeping
// the frames whose descriptor lies wholly before it, and at the first byte
// that starts no block.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tavrel {

struct TGifFrame {
  size_t start = 0;    // offset of the control extension's introducer
  uint16_t delay = 0;  // hundredths of a second
  uint16_t left = 0, top = 0, width = 0, height = 0;  // the image descriptor
};

// True when the data is longer than 4 bytes and starts with "GIF8".
bool IsGifData(std::span<const uint8_t> data);

// The frames in stream order; empty for data that is not a GIF.
std::vector<TGifFrame> ScanGifFrames(std::span<const uint8_t> data);

// The data without the bytes from frame 1's start up to frame n's start
// (1-based, n within 1..frames.size()); the data unchanged for another n.
std::vector<uint8_t> CutGifFrame(std::span<const uint8_t> data, const std::vector<TGifFrame>& frames, int n);

}  // namespace tavrel
