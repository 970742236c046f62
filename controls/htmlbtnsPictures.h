#pragma once
// The renderer's view of a picture named by an image source: its size and
// how to draw it. Found in the picture container (a bare name) or the
// picture cache (an address with "://", loaded into the cache when new).
#include <functional>
#include <string>

#include "platform/ui/canvas.h"

namespace tavrel {

class THTMLPictureCache;
class TPictureContainer;

struct TMarkupPicture {
  bool found = false;      // a picture that exists and is not empty
  int width = 0, height = 0;  // its full size (an animation's logical screen)
  TPoint frame;            // where the shown frame lies inside that size
  // Draws stretched into the rectangle, or at the shown frame's own size
  // from its top left.
  std::function<void(TCanvas&, const TRect&, bool stretch)> draw;
};

TMarkupPicture LookupMarkupPicture(const std::string& source, THTMLPictureCache* cache,
                                   TPictureContainer* container);

}  // namespace tavrel
