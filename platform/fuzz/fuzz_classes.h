#pragma once
// Classes the form fuzz targets read into: every kind of published
// property, a sub-object, a collection, a string list and a defined value.
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/collection.h"
#include "platform/filer.h"
#include "platform/forms.h"
#include "platform/stringlist.h"

namespace tavrel::fuzz {

inline const EnumInfo& Modes() {
  static const EnumInfo e{"TMode", {"mdOff", "mdSlow", "mdFast"}};
  return e;
}

class TSub : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  int rate = 44100;
  std::string label;
};
inline const ClassInfo& TSub::Class() {
  static const ClassInfo ci = ClassBuilder<TSub>("TSub", TPersistent::Class())
                                  .field("Rate", &TSub::rate)
                                  .field("Label", &TSub::label)
                                  .build();
  return ci;
}

class TItem : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  using TCollectionItem::TCollectionItem;
  std::string title;
  double level = 0;
};
inline const ClassInfo& TItem::Class() {
  static const ClassInfo ci = ClassBuilder<TItem>("TItem", TCollectionItem::Class())
                                  .field("Title", &TItem::title)
                                  .field("Level", &TItem::level)
                                  .build();
  return ci;
}

class TThing : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TThing(TComponent* owner) : TComponent(owner), items_(ItemClassOf<TItem>(), this) {}
  double frequency = 1000;
  float gain = 0;  // a zero float is not written, so it must be what construction gives
  int count = 0;
  int64_t big = 0;
  std::string caption;
  bool active = false;
  int mode = 0;
  unsigned style = 0;
  TThing* peer = nullptr;
  TNotifyEvent onChange;
  Value extra;
  std::vector<long double> floats;

  TSub* Sub() const { return &sub_; }
  TCollection* Items() const { return &items_; }
  TStringList* Lines() const { return &lines_; }
  TThing* Peer() const { return peer; }
  void SetPeer(TThing* p) {
    if (peer) peer->RemoveFreeNotification(this);
    peer = p;
    if (peer) peer->FreeNotification(this);
  }

  void DefineProperties(TFiler& filer) override {
    filer.DefineProperty(
        "_Floats",
        [this](TReader& r) {
          floats.clear();
          r.ReadListBegin();
          while (!r.EndOfList()) floats.push_back(r.ReadFloat());
          r.ReadListEnd();
        },
        [this](TWriter& w) {
          w.WriteListBegin();
          for (long double f : floats) w.WriteFloat(f);
          w.WriteListEnd();
        },
        !floats.empty());
  }

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove && c == peer) peer = nullptr;
  }

 private:
  mutable TSub sub_;
  mutable TCollection items_;
  mutable TStringList lines_;
};
inline const ClassInfo& TThing::Class() {
  static const ClassInfo ci = ClassBuilder<TThing>("TThing", TComponent::Class())
                                  .field("Frequency", &TThing::frequency)
                                  .defaultValue(1000.0L)
                                  .field("Gain", &TThing::gain)
                                  .field("Count", &TThing::count)
                                  .field("Big", &TThing::big)
                                  .field("Caption", &TThing::caption)
                                  .field("Active", &TThing::active)
                                  .field("Mode", &TThing::mode)
                                  .enumType(Modes())
                                  .field("Style", &TThing::style)
                                  .setOf(Modes())
                                  .prop("Peer", &TThing::Peer, &TThing::SetPeer)
                                  .event("OnChange", &TThing::onChange)
                                  .field("Extra", &TThing::extra)
                                  .prop("Sub", &TThing::Sub)
                                  .prop("Items", &TThing::Items)
                                  .prop("Lines", &TThing::Lines)
                                  .build();
  return ci;
}

class TRoot : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TRoot(TComponent* owner) : TComponent(owner) {
    PublishMethod("Changed", TNotifyEvent([](TObject*) {}, this));
  }
};
inline const ClassInfo& TRoot::Class() {
  static const ClassInfo ci = ClassBuilder<TRoot>("TRoot", TComponent::Class()).formRoot().build();
  return ci;
}

inline void RegisterFuzzClasses() {
  static bool done = [] {
    RegisterClass(TThing::Class());
    RegisterClass(TRoot::Class());
    return true;
  }();
  (void)done;
}

// Reads data into a fresh root; a form that reads must write and read back
// to the same bytes.
inline void ReadWriteRead(std::span<const uint8_t> data) {
  RegisterFuzzClasses();
  auto root = TComponent::CreateUnowned<TRoot>();
  try {
    ReadRootComponent(*root, data);
  } catch (const EReadError&) {
    if (root->ComponentCount() != 0) __builtin_trap();  // a half-read component was left
    return;
  }
  std::vector<uint8_t> first;
  try {
    first = WriteRootComponent(*root);
  } catch (const EWriteError&) {
    return;  // names the writer cannot store (over 255 bytes) may come from a read
  }
  auto again = TComponent::CreateUnowned<TRoot>();
  ReadRootComponent(*again, first);  // must not fail
  if (WriteRootComponent(*again) != first) __builtin_trap();
}

}  // namespace tavrel::fuzz
