#pragma once
// Collections of the framework: TOWExtCollection tells listeners of added
// and removed items; TLPCollection and its items are guarded by a
// component lock shared with the owner.
//
//   class TDeviceItem : public TLPCollectionItem { ... };
//   // in a component's constructor: items share the component's TOWLock
//   FDevices = std::make_unique<TLPCollection>(this, FLock, ItemClassOf<TDeviceItem>());
//   FDevices->AddListener(editorListener);
//   FDevices->Add();   // ItemAdded, then every listener's CollectionItemAdded
//
// A listener that raises is skipped; the next one is still told. An editor
// that shows an item points CurrentEditorPtr at its reference to it; the
// item clears that reference when it is destroyed.
//
// Every item of a TLPCollection has its own TLPLock over the collection's
// TOWLock (with the item's own PropertyChanged), unless its class gives it
// a lock of its own through the protected constructor. Creating such an
// item in a collection that is not a TLPCollection raises EOWException.
#include <memory>
#include <vector>

#include "framework/LPLock.h"
#include "platform/collection.h"
#include "platform/guid.h"

namespace tavrel {

class TOWExtCollection;
class TLPPersistent;

class IOWCollectionListener : public virtual RefCounted {
 public:
  virtual void CollectionItemAdded(TOWExtCollection* ACollection, TCollectionItem* AItem) = 0;
  virtual void CollectionItemRemoved(TOWExtCollection* ACollection, TCollectionItem* AItem) = 0;
};

class TOWExtCollectionItem : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TOWExtCollectionItem(TCollection* Collection) : TCollectionItem(Collection) {}
  ~TOWExtCollectionItem() override;

  // The editor's reference to this item; cleared when the item goes.
  TOWExtCollectionItem** CurrentEditorPtr = nullptr;
};

class TOWExtCollection : public TCollection {
  TAVREL_CLASS_INFO
 public:
  TOWExtCollection(TPersistent* AOwner, TCollectionItemClass ItemClass);
  ~TOWExtCollection() override;

  void AddListener(const Ref<IOWCollectionListener>& AListener);
  void RemoveListener(const Ref<IOWCollectionListener>& AListener);

  int32_t LastIndicatedCount = 0;  // -1 after every change

 protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  virtual void NotifyAdded(TCollectionItem* Item);
  virtual void NotifyRemoved(TCollectionItem* Item);
  // Runs for every new item before the listeners hear of it.
  virtual void ItemAdded(TCollectionItem* Item) { (void)Item; }

  std::unique_ptr<std::vector<Ref<IOWCollectionListener>>> FNotifyList;  // null until a listener comes
};

class TLPCollectionItem : public TOWExtCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TLPCollectionItem(TCollection* Collection);

  const Ref<ILPLock>& Lock() const { return FLock; }

  void Assign(TPersistent* ASource) override;
  void DefineProperties(TFiler& Filer) override;

  static constexpr int32_t E_NOINTERFACE = int32_t(0x80004002);
  // 0 and Obj = this when the class declares interface IID, else E_NOINTERFACE.
  int32_t QueryInterface(const Guid& IID, TObject*& Obj);

 protected:
  // For item classes that bring their own lock.
  TLPCollectionItem(TCollection* Collection, Ref<ILPLock> ALock);
  virtual void PropertyChanged() {}

  Ref<ILPLock> FLock;
};

class TLPCollection : public TOWExtCollection {
  TAVREL_CLASS_INFO
 public:
  // A lock of its own, without notification.
  TLPCollection(TPersistent* AOwner, TCollectionItemClass ItemClass);
  TLPCollection(std::nullptr_t, TCollectionItemClass ItemClass)
      : TLPCollection(static_cast<TPersistent*>(nullptr), std::move(ItemClass)) {}
  // ALock itself, notification included.
  TLPCollection(TPersistent* AOwner, Ref<ILPLock> ALock, TCollectionItemClass ItemClass);
  // A copy over the owner's lock, notifying this collection's PropertyChanged.
  TLPCollection(TLPPersistent* AOwner, TCollectionItemClass ItemClass);
  TLPCollection(TLPCollectionItem* AOwner, TCollectionItemClass ItemClass);

  const Ref<ILPLock>& Lock() const { return FLock; }

  void Assign(TPersistent* ASource) override;

 protected:
  virtual void PropertyChanged() {}
  TLPPropUpdateFunc PropertyChangedFunc();

  Ref<ILPLock> FLock;
};

}  // namespace tavrel
