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
  constexpr std::string_view kClass = "TBitmap";
  std::vector<uint8_t> out{uint8_t(kClass.size())};
  out.insert(out.end(), kClass.begin(), kClass.end());
  const std::vector<uint8_t> bitmap = TBitmapData::Encode(b);
  out.insert(out.end(), bitmap.begin(), bitmap.end());
  return out;
}

TPicture TPictureData::Decode(std::span<const uint8_t> data) {
  TPicture p;
  if (data.empty()) return p;
  const size_t name = data[0];
  if (data.size() < 1 + name + 4) throw EReadError("picture data cut short");
  p.Bitmap().Assign(TBitmapData::Decode(data.subspan(1 + name)));
  return p;
}

const ClassInfo& TBitmapData::Class() {
  static const ClassInfo ci = ClassBuilder<TBitmapData>("TBitmap", TPersistent::Class()).build();
  return ci;
}

void TBitmapData::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Data", [this](TReader& r) { assign_(Decode(r.ReadBinary())); },
      [this](TWriter& w) { w.WriteBinary(Encode(bitmap_())); }, !bitmap_().Empty());
}

std::vector<uint8_t> TBitmapData::Encode(const TBitmap& b) {
  if (b.Empty()) return {};
  const std::vector<uint8_t> image = b.SaveToBytes();
  std::vector<uint8_t> out;
  out.reserve(4 + image.size());
  const uint32_t n = uint32_t(image.size());
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(n >> (8 * i)));
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

TBitmap TBitmapData::Decode(std::span<const uint8_t> data) {
  TBitmap b;
  if (data.empty()) return b;
  if (data.size() < 4) throw EReadError("picture data cut short");
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= uint32_t(data[i]) << (8 * i);
  // A count beyond the record is a corrupt form, not a reason to read past it.
  if (n > data.size() - 4) throw EReadError("picture data cut short");
  try {
    b.LoadFromBytes({data.begin() + 4, data.begin() + 4 + n});
  } catch (const std::exception& e) {
    throw EReadError(std::string("picture data: ") + e.what());
  }
  return b;
}

}  // namespace tavrel
