#include "platform/collection.h"

#include <algorithm>

#include "platform/classinfo.h"
#include "platform/exceptions.h"

namespace tavrel {

const ClassInfo& TCollectionItem::Class() {
  static const ClassInfo ci = ClassBuilder<TCollectionItem>("TCollectionItem", TPersistent::Class()).build();
  return ci;
}

const ClassInfo& TCollection::Class() {
  static const ClassInfo ci = ClassBuilder<TCollection>("TCollection", TPersistent::Class()).build();
  return ci;
}

int TCollectionItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current >= 0 && index != current) collection_->Move(current, index);
}

TPersistent* TCollectionItem::GetOwner() { return collection_; }

TCollection::TCollection(TCollectionItemClass itemClass, TPersistent* owner)
    : itemClass_(std::move(itemClass)), owner_(owner) {
  if (!itemClass_.make) throw EOWException("a collection needs an item class");
}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EOWException("List index out of bounds (" + std::to_string(index) + ")");
  return items_[size_t(index)].get();
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count())
    throw EOWException("List index out of bounds (" + std::to_string(index) + ")");
  std::unique_ptr<TCollectionItem> item = itemClass_.make(this);
  item->collection_ = this;
  TCollectionItem* raw = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  Notify(raw, TCollectionNotification::cnAdded);
  return raw;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, TCollectionNotification::cnDeleting);
  // The hook may have moved items; find it again.
  auto it = std::find_if(items_.begin(), items_.end(), [&](auto& p) { return p.get() == item; });
  if (it == items_.end()) return;
  std::unique_ptr<TCollectionItem> gone = std::move(*it);
  items_.erase(it);
}

std::unique_ptr<TCollectionItem> TCollection::Extract(TCollectionItem* item) {
  if (IndexOf(item) < 0) return nullptr;
  Notify(item, TCollectionNotification::cnExtracting);
  auto it = std::find_if(items_.begin(), items_.end(), [&](auto& p) { return p.get() == item; });
  if (it == items_.end()) return nullptr;
  std::unique_ptr<TCollectionItem> out = std::move(*it);
  items_.erase(it);
  out->collection_ = nullptr;
  return out;
}

void TCollection::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

int TCollection::IndexOf(const TCollectionItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return int(i);
  return -1;
}

void TCollection::Move(int from, int to) {
  Items(from);
  if (to < 0 || to >= Count()) throw EOWException("List index out of bounds (" + std::to_string(to) + ")");
  auto item = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
}

void TCollection::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TCollection*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  // Copy first, so an item that refuses leaves this collection unchanged.
  std::vector<std::unique_ptr<TCollectionItem>> copies;
  for (int i = 0; i < src->Count(); ++i) {
    copies.push_back(itemClass_.make(this));
    copies.back()->collection_ = this;
    copies.back()->Assign(src->Items(i));
  }
  Clear();
  for (auto& item : copies) {
    TCollectionItem* raw = item.get();
    items_.push_back(std::move(item));
    Notify(raw, TCollectionNotification::cnAdded);
  }
}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

}  // namespace tavrel
