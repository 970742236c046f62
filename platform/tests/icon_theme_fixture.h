#pragma once
// Test-made icon themes and MIME data in a folder of the test's own, so no
// test reads the machine's theme or MIME database: the folder goes when
// the object does.
//
//   test::IconFolder dir("theme");
//   dir.Theme("share/icons", "hicolor", "", {{"16x16/mimetypes", "Size=16\nType=Fixed"}});
//   dir.Icon("share/icons/hicolor/16x16/mimetypes/text-x-generic.png", 16, clBlue);
//   dir.File("share/mime/globs2", "50:text/plain:*.txt\n");
#include <cairo.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/surface.h"

namespace tavrel::test {

class IconFolder {
 public:
  // A new folder, unique to this process and `tag`.
  explicit IconFolder(const std::string& tag)
      : root_(std::filesystem::temp_directory_path() /
              ("tavrel-icons-" + tag + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  // Takes over a folder another process made (a child run of the same test).
  IconFolder(std::filesystem::path existing, bool keep) : root_(std::move(existing)), keep_(keep) {}
  ~IconFolder() {
    std::error_code ec;
    if (!keep_) std::filesystem::remove_all(root_, ec);
  }
  IconFolder(const IconFolder&) = delete;
  IconFolder& operator=(const IconFolder&) = delete;

  std::string Path(const std::string& relative = "") const { return (root_ / relative).string(); }

  void File(const std::string& relative, const std::string& text) const {
    const std::filesystem::path p = root_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }

  // index.theme of `theme` under `base`, with its folders (name, then the
  // body of its section) and what it inherits.
  void Theme(const std::string& base, const std::string& theme, const std::string& inherits,
             const std::vector<std::pair<std::string, std::string>>& dirs) const {
    std::string text = "[Icon Theme]\nName=" + theme + "\n";
    if (!inherits.empty()) text += "Inherits=" + inherits + "\n";
    text += "Directories=";
    for (size_t i = 0; i < dirs.size(); ++i) text += (i ? "," : "") + dirs[i].first;
    text += "\n";
    for (const auto& [dir, body] : dirs) text += "\n[" + dir + "]\n" + body + "\n";
    File(base + "/" + theme + "/index.theme", text);
  }

  // A square PNG of one colour; its top-left pixel is transparent.
  void Icon(const std::string& relative, int size, TColor colour) const {
    const std::filesystem::path p = root_ / relative;
    std::filesystem::create_directories(p.parent_path());
    CairoSurface s = NewSurface(size, size, colour);
    cairo_surface_flush(s.get());
    SurfaceRow(s.get(), 0)[0] = 0;
    cairo_surface_mark_dirty(s.get());
    WriteSurfacePNG(s.get(), p.string());
  }

 private:
  std::filesystem::path root_;
  bool keep_ = false;
};

}  // namespace tavrel::test
