#include "platform/ui/resources.h"

#include <algorithm>

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
