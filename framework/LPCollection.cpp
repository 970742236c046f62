#include "framework/LPCollection.h"

#include <algorithm>

#include "framework/LPPersistent.h"
#include "framework/LPProperties.h"
#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TOWExtCollectionItem::Class() {
  static const ClassInfo ci =
      ClassBuilder<TOWExtCollectionItem>("TOWExtCollectionItem", TCollectionItem::Class()).build();
  return ci;
}

const ClassInfo& TOWExtCollection::Class() {
  static const ClassInfo ci = ClassBuilder<TOWExtCollection>("TOWExtCollection", TCollection::Class()).build();
  return ci;
}

const ClassInfo& TLPCollectionItem::Class() {
  static const ClassInfo ci =
      ClassBuilder<TLPCollectionItem>("TLPCollectionItem", TOWExtCollectionItem::Class()).build();
  return ci;
}

const ClassInfo& TLPCollection::Class() {
  static const ClassInfo ci = ClassBuilder<TLPCollection>("TLPCollection", TOWExtCollection::Class()).build();
  return ci;
}

TOWExtCollectionItem::~TOWExtCollectionItem() {
  if (CurrentEditorPtr) *CurrentEditorPtr = nullptr;
}

TOWExtCollection::TOWExtCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
    : TCollection(std::move(ItemClass), AOwner) {}

TOWExtCollection::~TOWExtCollection() { FNotifyList.reset(); }

void TOWExtCollection::AddListener(const Ref<IOWCollectionListener>& AListener) {
  if (!FNotifyList) FNotifyList = std::make_unique<std::vector<Ref<IOWCollectionListener>>>();
  FNotifyList->push_back(AListener);
}

void TOWExtCollection::RemoveListener(const Ref<IOWCollectionListener>& AListener) {
  if (!FNotifyList) return;
  auto it = std::find(FNotifyList->begin(), FNotifyList->end(), AListener);
  if (it != FNotifyList->end()) FNotifyList->erase(it);
}

void TOWExtCollection::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  TCollection::Notify(Item, Action);
  if (Action == TCollectionNotification::cnAdded) {
    ItemAdded(Item);
    NotifyAdded(Item);
  } else {
    NotifyRemoved(Item);
  }
  LastIndicatedCount = -1;
}

namespace {

// A listener may add or remove listeners while it is told: walk a copy.
template <class Call>
void TellListeners(const std::unique_ptr<std::vector<Ref<IOWCollectionListener>>>& list, Call call) {
  if (!list) return;
  auto listeners = *list;
  for (auto& l : listeners) {
    try {
      call(*l);
    } catch (const std::exception&) {
      // One failing listener does not keep the others from hearing.
    }
  }
}

}  // namespace

void TOWExtCollection::NotifyAdded(TCollectionItem* Item) {
  TellListeners(FNotifyList, [&](IOWCollectionListener& l) { l.CollectionItemAdded(this, Item); });
}

void TOWExtCollection::NotifyRemoved(TCollectionItem* Item) {
  TellListeners(FNotifyList, [&](IOWCollectionListener& l) { l.CollectionItemRemoved(this, Item); });
}

// ---------------------------------------------------------------------------

namespace {

Ref<ILPLock> CollectionLock(TCollection* Collection) {
  auto* lp = dynamic_cast<TLPCollection*>(Collection);
  if (!lp) throw EOWException("A TLPCollectionItem belongs in a TLPCollection");
  return lp->Lock();
}

}  // namespace

TLPCollectionItem::TLPCollectionItem(TCollection* Collection) : TLPCollectionItem(Collection, nullptr) {}

TLPCollectionItem::TLPCollectionItem(TCollection* Collection, Ref<ILPLock> ALock)
    : TOWExtCollectionItem(Collection), FLock(std::move(ALock)) {
  if (!FLock) FLock = TLPLock::CreateCopy(CollectionLock(Collection),
                                          TLPPropUpdateFunc([this] { PropertyChanged(); }, this, "PropertyChanged"));
}

void TLPCollectionItem::Assign(TPersistent* ASource) {
  auto* src = dynamic_cast<TLPCollectionItem*>(ASource);
  if (!src) return TOWExtCollectionItem::Assign(ASource);
  AssignPublished(*this, *FLock, *src, *src->FLock, true);
}

void TLPCollectionItem::DefineProperties(TFiler& Filer) {
  TOWExtCollectionItem::DefineProperties(Filer);
  DefineFloatsProperty(Filer, *this);
}

int32_t TLPCollectionItem::QueryInterface(const Guid& IID, TObject*& Obj) {
  for (const ClassInfo* c = &ClassType(); c; c = c->parent)
    if (std::find(c->interfaces.begin(), c->interfaces.end(), IID) != c->interfaces.end()) {
      Obj = this;
      return 0;
    }
  Obj = nullptr;
  return E_NOINTERFACE;
}

TLPCollection::TLPCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
    : TOWExtCollection(AOwner, std::move(ItemClass)), FLock(MakeRef<TLPLock>()) {}

TLPCollection::TLPCollection(TPersistent* AOwner, Ref<ILPLock> ALock, TCollectionItemClass ItemClass)
    : TOWExtCollection(AOwner, std::move(ItemClass)), FLock(std::move(ALock)) {}

TLPCollection::TLPCollection(TLPPersistent* AOwner, TCollectionItemClass ItemClass)
    : TOWExtCollection(AOwner, std::move(ItemClass)),
      FLock(TLPLock::CreateCopy(AOwner ? AOwner->Lock() : nullptr, PropertyChangedFunc())) {}

TLPCollection::TLPCollection(TLPCollectionItem* AOwner, TCollectionItemClass ItemClass)
    : TOWExtCollection(AOwner, std::move(ItemClass)),
      FLock(TLPLock::CreateCopy(AOwner ? AOwner->Lock() : nullptr, PropertyChangedFunc())) {}

TLPPropUpdateFunc TLPCollection::PropertyChangedFunc() {
  return TLPPropUpdateFunc([this] { PropertyChanged(); }, this, "PropertyChanged");
}

void TLPCollection::Assign(TPersistent* ASource) {
  if (auto* src = dynamic_cast<TLPCollection*>(ASource); src && src != this) {
    if (FLock && src->FLock) {
      AssignPublished(*this, *FLock, *src, *src->FLock, true);
    } else {
      Ref<IOWLockSection> writing = FLock ? FLock->WriteLock() : nullptr;
      CopyPublishedProperties(this, src, true);
    }
  }
  // The items' own Assign copies each item under the items' locks.
  TCollection::Assign(ASource);
}

}  // namespace tavrel
