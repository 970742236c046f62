#include "platform/ui/systemicons.h"

#include <cairo.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/ui/icontheme.h"
#include "platform/ui/imagecodecs.h"
#include "platform/ui/surface.h"

namespace tavrel {

namespace {

constexpr int kSmallSize = 16, kLargeSize = 32;
// What GIO itself reads of a file to tell its type by content.
constexpr size_t kSniffBytes = 4096;
// An icon file larger than this is no icon.
constexpr size_t kMaxIconFileBytes = size_t{8} << 20;
// The icons at the fixed indexes: unknown file, document, program, folder, open folder.
constexpr const char* kFixedIcons[] = {"application-x-generic", "text-x-generic", "application-x-executable",
                                       "folder", "folder-open"};

struct GFreeRelease {
  void operator()(void* p) const { g_free(p); }
};
struct GObjectRelease {
  void operator()(void* p) const { g_object_unref(p); }
};

// Up to `limit` bytes from the start of a regular file; it never waits on
// a pipe or a device, which are not read at all.
std::vector<uint8_t> ReadRegularFile(const std::string& path, size_t limit) {
  std::vector<uint8_t> bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return bytes;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    bytes.resize(limit);
    size_t got = 0;
    while (got < limit) {
      const ssize_t n = read(fd, bytes.data() + got, limit - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  close(fd);
  return bytes;
}

std::string ContentType(const std::string& path, bool byNameOnly) {
  std::vector<uint8_t> head;
  if (!byNameOnly) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "inode/directory";
    head = ReadRegularFile(path, kSniffBytes);
  }
  std::unique_ptr<gchar, GFreeRelease> type(
      g_content_type_guess(path.c_str(), head.empty() ? nullptr : head.data(), head.size(), nullptr));
  return type ? type.get() : "";
}

// The type's icon names, the most specific first (e.g. "text-plain", then
// the generic "text-x-generic").
std::vector<std::string> IconNames(const std::string& type) {
  std::vector<std::string> names;
  if (type.empty()) return names;
  std::unique_ptr<GIcon, GObjectRelease> icon(g_content_type_get_icon(type.c_str()));
  if (!icon || !G_IS_THEMED_ICON(icon.get())) return names;
  for (const gchar* const* n = g_themed_icon_get_names(G_THEMED_ICON(icon.get())); n && *n; ++n)
    names.emplace_back(*n);
  return names;
}

// The picture of an icon file at size x size: SVG drawn at that size,
// other sizes of PNG scaled to it; none when the file does not decode.
CairoSurface LoadIcon(const std::string& file, int size) {
  if (file.empty()) return {};
  const std::vector<uint8_t> bytes = ReadRegularFile(file, kMaxIconFileBytes + 1);
  if (bytes.empty() || bytes.size() > kMaxIconFileBytes) return {};
  try {
    if (file.size() > 4 && file.compare(file.size() - 4, 4, ".svg") == 0)
      return DecodeSVG(bytes.data(), bytes.size(), size, size);
    CairoSurface s = DecodePNG(bytes.data(), bytes.size(), static_cast<uint64_t>(kMaxIconFileBytes));
    const int w = cairo_image_surface_get_width(s.get()), h = cairo_image_surface_get_height(s.get());
    if (w == size && h == size) return s;
    CairoSurface scaled = NewSurface(size, size, clNone);
    CairoContext cr(cairo_create(scaled.get()));
    cairo_scale(cr.get(), static_cast<double>(size) / w, static_cast<double>(size) / h);
    cairo_set_source_surface(cr.get(), s.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    cairo_paint(cr.get());
    cairo_surface_flush(scaled.get());
    return scaled;
  } catch (const EInvalidGraphic&) {
    return {};
  }
}

struct TSystemIcon {
  std::string name;
  CairoSurface small, large;
};

class TSystemImageList {
 public:
  int IndexOf(const std::vector<std::string>& names) {
    std::lock_guard lock(mutex_);
    Load();
    std::string name;
    if (names.empty() || theme_->FindIcon(names, kSmallSize, &name).empty()) return -1;
    for (size_t i = 0; i < icons_.size(); ++i)
      if (icons_[i].name == name) return static_cast<int>(i);
    return Add(name);
  }

  TSize Size(int index, bool large) {
    std::lock_guard lock(mutex_);
    cairo_surface_t* s = Picture(index, large);
    return s ? TSize{cairo_image_surface_get_width(s), cairo_image_surface_get_height(s)} : TSize{};
  }

  void Draw(TCanvas& canvas, int x, int y, int index, bool large) {
    std::lock_guard lock(mutex_);
    if (cairo_surface_t* s = Picture(index, large))
      canvas.DrawSurface(s, Bounds(x, y, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s)));
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    icons_.clear();
    theme_.reset();
  }

 private:
  // The theme of the environment and the fixed icons, on first use.
  void Load() {
    if (theme_) return;
    theme_ = std::make_unique<TIconTheme>(IconSearchPath(), UserIconThemeName());
    for (const char* name : kFixedIcons) Add(name);
  }

  int Add(const std::string& name) {
    TSystemIcon icon{name, LoadIcon(theme_->FindIcon({name}, kSmallSize), kSmallSize),
                     LoadIcon(theme_->FindIcon({name}, kLargeSize), kLargeSize)};
    icons_.push_back(std::move(icon));
    return static_cast<int>(icons_.size()) - 1;
  }

  cairo_surface_t* Picture(int index, bool large) {
    Load();
    if (index < 0 || index >= static_cast<int>(icons_.size())) return nullptr;
    return (large ? icons_[index].large : icons_[index].small).get();
  }

  std::mutex mutex_;
  std::unique_ptr<TIconTheme> theme_;
  std::vector<TSystemIcon> icons_;
};

TSystemImageList& SystemImageList() {
  static TSystemImageList list;
  return list;
}

}  // namespace

int SystemIconIndex(const std::string& path, bool byNameOnly) {
  return SystemImageList().IndexOf(IconNames(ContentType(path, byNameOnly)));
}

TSize SystemIconSize(int index, bool large) { return SystemImageList().Size(index, large); }

void DrawSystemIcon(TCanvas& canvas, int x, int y, int index, bool large) {
  SystemImageList().Draw(canvas, x, y, index, large);
}

void ClearSystemImageList() { SystemImageList().Clear(); }

}  // namespace tavrel
