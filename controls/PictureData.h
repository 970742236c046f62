#pragma once
// TPictureData: the form data of a picture a control holds. A TPicture is
// no persistent object, so the control publishes one of these in its place:
//
//   .prop("Background", &P::BackgroundData)   // TPictureData* of the panel
//
// and form data holds "Background.Data = {...}": the graphic's class name
// as a short string, the image's byte count (4 bytes, low byte first) and
// the image file itself (written as BMP; read in any format the image
// decoder knows). An empty picture writes nothing.
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

  void DefineProperties(TFiler& filer) override;

  // The bytes of "Data"; empty for an empty picture.
  static std::vector<uint8_t> Encode(const TPicture& p);
  // EReadError when the record is cut short or its image cannot be decoded.
  static TPicture Decode(std::span<const uint8_t> data);

 private:
  const TPicture& picture_;
  std::function<void(const TPicture&)> assign_;
};

}  // namespace tavrel
