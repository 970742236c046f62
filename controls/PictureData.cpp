#include "controls/PictureData.h"

#include <exception>
#include <string>
#include <string_view>

#include "platform/exceptions.h"

namespace tavrel {

const ClassInfo& TPictureData::Class() {
  static const ClassInfo ci = ClassBuilder<TPictureData>("TPicture", TPersistent::Class()).build();
  return ci;
}

void TPictureData::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Data", [this](TReader& r) { assign_(Decode(r.ReadBinary())); },
      [this](TWriter& w) { w.WriteBinary(Encode(picture_)); }, !picture_.Empty());
}

std::vector<uint8_t> TPictureData::Encode(const TPicture& p) {
  if (p.Empty()) return {};
  TBitmap b;
  b.SetSize(p.Width(), p.Height());
  p.Graphic()->Draw(b.Canvas(), Rect(0, 0, p.Width(), p.Height()));
  const std::vector<uint8_t> image = b.SaveToBytes();
  constexpr std::string_view kClass = "TBitmap";
  std::vector<uint8_t> out;
  out.reserve(1 + kClass.size() + 4 + image.size());
  out.push_back(uint8_t(kClass.size()));
  out.insert(out.end(), kClass.begin(), kClass.end());
  const uint32_t n = uint32_t(image.size());
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(n >> (8 * i)));
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

TPicture TPictureData::Decode(std::span<const uint8_t> data) {
  TPicture p;
  if (data.empty()) return p;
  const size_t name = data[0];
  if (data.size() < 1 + name + 4) throw EReadError("picture data cut short");
  size_t at = 1 + name;
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= uint32_t(data[at + i]) << (8 * i);
  at += 4;
  // A count beyond the record is a corrupt form, not a reason to read past it.
  if (n > data.size() - at) throw EReadError("picture data cut short");
  try {
    p.Bitmap().LoadFromBytes({data.begin() + at, data.begin() + at + n});
  } catch (const std::exception& e) {
    throw EReadError(std::string("picture data: ") + e.what());
  }
  return p;
}

}  // namespace tavrel
