#include "controls/htmlbtnsPictures.h"

namespace tavrel {

// Pictures by name and by address come with the picture container; until
// it is part of the build no source finds a picture.
TMarkupPicture LookupMarkupPicture(const std::string&, THTMLPictureCache*, TPictureContainer*) {
  return {};
}

}  // namespace tavrel
