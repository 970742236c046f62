#include "controls/htmlbtnsPictures.h"

#include <exception>

#include "controls/PictureContainer.h"

namespace tavrel {

TMarkupPicture LookupMarkupPicture(const std::string& source, THTMLPictureCache* cache,
                                   TPictureContainer* container) {
  THTMLPicture* pic = nullptr;
  if (source.find(':') == std::string::npos) {
    if (container) pic = container->FindPicture(source);
  } else if (source.find("://") != std::string::npos && cache) {
    pic = cache->FindPicture(source);
    if (!pic) {
      THTMLPicture* added = cache->AddPicture();
      added->SetAsynch(false);
      // A caption's picture that cannot be read or decoded draws nothing;
      // its ID is set before loading, so it is not tried again on every paint.
      try {
        added->LoadFromURL(source);
      } catch (const std::exception&) {
      }
      pic = cache->FindPicture(source);
    }
  }
  if (!pic || pic->Empty()) return {};
  TMarkupPicture found;
  found.found = true;
  found.width = pic->MaxWidth();
  found.height = pic->MaxHeight();
  found.frame = Point(pic->FrameXPos(), pic->FrameYPos());
  found.draw = [pic](TCanvas& canvas, const TRect& rect, bool stretch) {
    if (stretch) {
      pic->SetStretch(true);  // and it stays so, as the image tag leaves it
      pic->Draw(canvas, rect);
    } else {
      pic->Draw(canvas, Bounds(rect.Left, rect.Top, pic->Width(), pic->Height()));
    }
  };
  return found;
}

}  // namespace tavrel
