#pragma once
// The program's resources: named byte blocks compiled into the program, as
// a Windows module holds its bitmaps, cursors and raw data (RCDATA). The
// build embeds the files itself, no resource compiler: tavrel_resources
// (cmake/Tavrel.cmake) turns a list of files into a generated function
// that returns their entries, and the module start-up of the folder that
// owns them registers that list with the program's table, HInstance().
//
//   # CMakeLists.txt
//   tavrel_resources(tavrel_controls ControlsResources
//     BITMAP HTMBCHK01 resources/HTMBCHK01.bmp
//     RCDATA LOGO resources/logo.gif
//     RCDATA 7 resources/seven.png)               # a number: a numbered resource
//   // C++
//   std::span<const TResource> ControlsResources();  // generated
//   HInstance().Register(ControlsResources());        // module start-up
//   TBitmap box = LoadBitmap(HInstance(), "HTMBCHK01");
//   TScreen::SetCursors(99, LoadCursor(HInstance(), "VRCURSORHANDPOINT"));
//   const TResource* logo = HInstance().Find(RT_RCDATA, "logo");
//
// Names are compared with the ASCII letters folded, as resource names are;
// a name and a type find one resource, so "HTMBCHK01" is no RCDATA. The
// table keeps the entries by reference (compiled-in data lives for the
// run); it is filled at start-up and read afterwards on the GUI thread.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exceptions.h"
#include "platform/ui/controls.h"
#include "platform/ui/graphics.h"

namespace tavrel {

// Resource types, by their Windows numbers.
enum TResourceType : uint16_t { RT_CURSOR = 1, RT_BITMAP = 2, RT_RCDATA = 10 };

// One compiled-in file: a name, or a number when the name is empty.
struct TResource {
  TResourceType type;
  std::string_view name;
  int id;
  std::span<const uint8_t> data;
};

// A numbered resource that is not there.
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

class TResourceModule {
 public:
  // EOWException when an entry's type and name (or number) is taken already.
  void Register(std::span<const TResource> entries);
  void Unregister(std::span<const TResource> entries);
  // Null when the module has no resource of that type and name or number.
  const TResource* Find(TResourceType type, std::string_view name) const;
  const TResource* Find(TResourceType type, int id) const;

 private:
  std::vector<std::span<const TResource>> blocks_;
};

// The program's own resources.
TResourceModule& HInstance();

// A bitmap resource (a BMP file); an empty bitmap when there is none of
// that name or its bytes are no picture.
TBitmap LoadBitmap(const TResourceModule& module, std::string_view name);

// A cursor resource (a .cur file): a cursor value (at or below
// kFirstLoadedCursor) that windows show as its first image with that
// image's hot spot; crDefault when there is none of that name or it cannot
// be read. A resource loads once: asking again gives the same value, which
// stays valid for the run.
inline constexpr TCursor kFirstLoadedCursor = -1000;
TCursor LoadCursor(const TResourceModule& module, std::string_view name);

struct TCursorImage {
  CairoSurface image;
  TPoint hotSpot;
};
// The picture of a cursor LoadCursor gave; null for any other value.
const TCursorImage* LoadedCursorImage(TCursor c);

}  // namespace tavrel
