#pragma once
// TCollection and TCollectionItem: a list of persistent items of one item
// class, owned by the collection.
//
//   TCollection list(ItemClassOf<TDeviceItem>(), owner);
//   auto* item = static_cast<TDeviceItem*>(list.Add());   // Notify(Added)
//   item->SetIndex(0);                                    // move to the front
//   list.Delete(0);                                       // Notify(Deleting), destroyed
//   copy.Assign(&list);                                   // items replaced by copies
//
// Items are made by the collection (Add/Insert), so an item is whole when
// the collection's Notify hears of it. Notify is the hook for derived
// collections: Added after insertion, Extracting before Extract hands an
// item out, Deleting before an item is destroyed. Destroying a collection
// destroys its items without notifications; call Clear first to be told.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/object.h"

namespace tavrel {

class TCollection;

class TCollectionItem : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  explicit TCollectionItem(TCollection* collection) : collection_(collection) {}
  ~TCollectionItem() override = default;

  TCollection* Collection() const { return collection_; }
  int Index() const;  // -1 when not in a collection
  void SetIndex(int index);
  virtual std::string GetDisplayName() const { return ClassName(); }
  TPersistent* GetOwner() override;

 private:
  friend class TCollection;
  TCollection* collection_;
};

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// How a collection makes its items.
struct TCollectionItemClass {
  const ClassInfo* info = nullptr;
  std::function<std::unique_ptr<TCollectionItem>(TCollection*)> make;
};

template <class T>
TCollectionItemClass ItemClassOf() {
  return {&T::Class(), [](TCollection* c) { return std::unique_ptr<TCollectionItem>(new T(c)); }};
}

class TCollection : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  explicit TCollection(TCollectionItemClass itemClass, TPersistent* owner = nullptr);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  const TCollectionItemClass& ItemClass() const { return itemClass_; }
  int Count() const { return int(items_.size()); }
  TCollectionItem* Items(int index) const;  // EOWException when out of range

  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  std::unique_ptr<TCollectionItem> Extract(TCollectionItem* item);
  void Clear();  // Deleting for each item, last first
  int IndexOf(const TCollectionItem* item) const;
  void Move(int from, int to);

  // A collection source: the items are replaced by copies made with the
  // items' own Assign. Other sources go to TPersistent::Assign.
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() override { return owner_; }

 protected:
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);

 private:
  TCollectionItemClass itemClass_;
  TPersistent* owner_;
  std::vector<std::unique_ptr<TCollectionItem>> items_;
};

}  // namespace tavrel
