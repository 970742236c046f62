#pragma once
// The form data of a picture or a bitmap a control holds. Neither TPicture
// nor TBitmap is a persistent object, so the control publishes one of
// these in its place:
//
//   .prop("Background", &P::BackgroundData)   // TPictureData* of the panel
//   .prop("Bitmap", &L::BitmapData)           // TBitmapData* of the label
//
// A bitmap's "Data" (form data "Bitmap.Data = {...}") is the image's byte
// count (4 bytes, low byte first) and the image file itself; a picture's
// is the graphic's class name as a short string followed by its bitmap's
// Data. Images are written as BMP and read in any format the image
// decoder knows. An empty picture or bitmap writes nothing.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/classinfo.h"
#include "platform/filer.h"
#include "platform/ui/graphics.h"

namespace tavrel {

class TPictureData : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  // `picture` is read for writing; a picture read from form data goes to `assign`.
  TPictureData(const TPicture& picture, std::function<void(const TPicture&)> assign)
      : picture_(picture), assign_(std::move(assign)) {}
  // A picture read from form data is copied into `picture`.
  explicit TPictureData(TPicture& picture)
      : TPictureData(picture, [&picture](const TPicture& p) { picture.Assign(p); }) {}
  TPictureData(const TPictureData&) = delete;
  TPictureData& operator=(const TPictureData&) = delete;

  void DefineProperties(TFiler& filer) override;

  // The bytes of "Data"; empty for an empty picture.
  static std::vector<uint8_t> Encode(const TPicture& p);
  // EReadError when the record is cut short or its image cannot be decoded.
  static TPicture Decode(std::span<const uint8_t> data);

 private:
  const TPicture& picture_;
  std::function<void(const TPicture&)> assign_;
};

class TBitmapData : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  // `bitmap` gives the bitmap to write; one read from form data goes to `assign`.
  TBitmapData(std::function<const TBitmap&()> bitmap, std::function<void(const TBitmap&)> assign)
      : bitmap_(std::move(bitmap)), assign_(std::move(assign)) {}
  TBitmapData(const TBitmapData&) = delete;
  TBitmapData& operator=(const TBitmapData&) = delete;

  void DefineProperties(TFiler& filer) override;

  // The bytes of "Data"; empty for an empty bitmap.
  static std::vector<uint8_t> Encode(const TBitmap& b);
  // EReadError when the record is cut short or its image cannot be decoded.
  static TBitmap Decode(std::span<const uint8_t> data);

 private:
  std::function<const TBitmap&()> bitmap_;
  std::function<void(const TBitmap&)> assign_;
};

}  // namespace tavrel
