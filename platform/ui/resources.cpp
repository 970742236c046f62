#include "platform/ui/resources.h"

#include <algorithm>
#include <memory>

#include "platform/ui/imagebytes.h"
#include "platform/ui/imagecodecs.h"

namespace tavrel {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return fold(x) == fold(y);
         });
}

bool SameKey(const TResource& a, const TResource& b) {
  if (a.type != b.type) return false;
  return a.name.empty() ? b.name.empty() && a.id == b.id : SameName(a.name, b.name);
}

}  // namespace

void TResourceModule::Register(std::span<const TResource> entries) {
  for (const TResource& e : entries) {
    bool taken = false;
    for (const auto& block : blocks_)
      taken |= std::any_of(block.begin(), block.end(), [&](const TResource& r) { return SameKey(r, e); });
    for (const TResource& other : entries)
      if (&other < &e && SameKey(other, e)) taken = true;
    if (taken)
      throw EOWException("resource " + (e.name.empty() ? std::to_string(e.id) : std::string(e.name)) +
                         " is there already");
  }
  blocks_.push_back(entries);
}

void TResourceModule::Unregister(std::span<const TResource> entries) {
  std::erase_if(blocks_, [&](const std::span<const TResource>& b) { return b.data() == entries.data(); });
}

const TResource* TResourceModule::Find(TResourceType type, std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& block : blocks_)
    for (const TResource& r : block)
      if (r.type == type && !r.name.empty() && SameName(r.name, name)) return &r;
  return nullptr;
}

const TResource* TResourceModule::Find(TResourceType type, int id) const {
  for (const auto& block : blocks_)
    for (const TResource& r : block)
      if (r.type == type && r.name.empty() && r.id == id) return &r;
  return nullptr;
}

TResourceModule& HInstance() {
  static TResourceModule program;
  return program;
}

namespace {

struct LoadedCursor {
  const TResource* resource;  // with its bytes, what it was loaded from
  const uint8_t* data;
  TCursorImage image;
};

// Cursors loaded so far, for the run: their values stay valid as long as
// windows may show them.
std::vector<std::unique_ptr<LoadedCursor>>& LoadedCursors() {
  static std::vector<std::unique_ptr<LoadedCursor>> cursors;
  return cursors;
}

// A cursor file is an icon file of type 2 whose entries hold the hot spot
// where an icon's hold its planes and bit count. The first image goes into
// an icon file of its own for the icon decoder.
TCursorImage DecodeCursor(std::span<const uint8_t> d) {
  if (d.size() < 6 + 16 || Le16(&d[0]) != 0 || Le16(&d[2]) != 2 || Le16(&d[4]) == 0)
    throw EInvalidGraphic("not a cursor file");
  const uint8_t* entry = &d[6];
  const uint32_t bytes = Le32(entry + 8), offset = Le32(entry + 12);
  if (offset > d.size() || bytes > d.size() - offset) throw EInvalidGraphic("truncated cursor file");
  std::vector<uint8_t> icon;
  Put16(icon, 0);
  Put16(icon, 1);
  Put16(icon, 1);
  icon.insert(icon.end(), entry, entry + 12);
  Put32(icon, 6 + 16);
  icon.insert(icon.end(), d.begin() + offset, d.begin() + offset + bytes);
  return {DecodeICO(icon.data(), icon.size()), Point(Le16(entry + 4), Le16(entry + 6))};
}

}  // namespace

TCursor LoadCursor(const TResourceModule& module, std::string_view name) {
  const TResource* r = module.Find(RT_CURSOR, name);
  if (!r) return crDefault;
  auto& cursors = LoadedCursors();
  for (size_t i = 0; i < cursors.size(); ++i)
    if (cursors[i]->resource == r && cursors[i]->data == r->data.data())
      return kFirstLoadedCursor - static_cast<TCursor>(i);
  try {
    cursors.push_back(std::make_unique<LoadedCursor>(LoadedCursor{r, r->data.data(), DecodeCursor(r->data)}));
  } catch (const EInvalidGraphic&) {
    return crDefault;
  }
  return kFirstLoadedCursor - static_cast<TCursor>(cursors.size() - 1);
}

const TCursorImage* LoadedCursorImage(TCursor c) {
  const auto& cursors = LoadedCursors();
  if (c > kFirstLoadedCursor) return nullptr;
  const size_t i = static_cast<size_t>(kFirstLoadedCursor - static_cast<int64_t>(c));
  return i < cursors.size() ? &cursors[i]->image : nullptr;
}

TBitmap LoadBitmap(const TResourceModule& module, std::string_view name) {
  TBitmap b;
  if (const TResource* r = module.Find(RT_BITMAP, name)) {
    try {
      b.LoadFromBytes({r->data.begin(), r->data.end()});
    } catch (const EInvalidGraphic&) {
      return TBitmap();
    }
  }
  return b;
}

}  // namespace tavrel
