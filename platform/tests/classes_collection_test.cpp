#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "platform/classes.h"
#include "platform/collection.h"

namespace tavrel {
namespace {

using testing::ElementsAre;

class TDevice : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TDevice(TCollection* c) : TCollectionItem(c) {}
  ~TDevice() override {
    if (gone) gone->push_back(name);
  }
  std::string name;
  bool refuse = false;
  std::vector<std::string>* gone = nullptr;
  void Assign(TPersistent* source) override {
    auto* d = dynamic_cast<TDevice*>(source);
    if (!d) return TCollectionItem::Assign(source);
    if (d->refuse) throw EConvertError("refused");
    name = d->name;
  }
  std::string GetDisplayName() const override { return name; }
};
const ClassInfo& TDevice::Class() {
  static const ClassInfo ci = ClassBuilder<TDevice>("TDevice", TCollectionItem::Class()).build();
  return ci;
}

class TWatched : public TCollection {
 public:
  TWatched() : TCollection(ItemClassOf<TDevice>()) {}
  ~TWatched() override { Clear(); }
  std::vector<std::string> log;

 protected:
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* names[] = {"added", "extracting", "deleting"};
    log.push_back(std::string(names[int(action)]) + " " + std::to_string(item->Index()) + " " +
                  static_cast<TDevice*>(item)->name);
  }
};

TDevice* AddDevice(TCollection& c, const std::string& name) {
  auto* d = static_cast<TDevice*>(c.Add());
  d->name = name;
  return d;
}

TEST(Collection, NotifiesAddedExtractingAndDeletingWithTheItemInPlace) {
  std::vector<std::string> gone;
  TWatched list;
  auto* a = AddDevice(list, "");
  a->name = "a";
  a->gone = &gone;
  auto* b = static_cast<TDevice*>(list.Insert(0));
  b->name = "b";
  b->gone = &gone;
  EXPECT_EQ(list.Items(0), b);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(a->Collection(), &list);
  EXPECT_EQ(a->GetOwner(), &list);
  a->SetIndex(0);
  EXPECT_EQ(list.Items(0), a);
  auto out = list.Extract(b);
  EXPECT_EQ(out->Collection(), nullptr);
  EXPECT_EQ(out->Index(), -1);
  list.Delete(0);
  EXPECT_THAT(list.log, ElementsAre("added 0 ", "added 0 ", "extracting 1 b", "deleting 0 a"));
  EXPECT_THAT(gone, ElementsAre("a"));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Items(0), EOWException);
  EXPECT_THROW(list.Insert(1), EOWException);
}

TEST(Collection, AssignReplacesItemsByCopiesOrChangesNothing) {
  TWatched target;
  AddDevice(target, "old");
  TCollection source(ItemClassOf<TDevice>());
  AddDevice(source, "x");
  AddDevice(source, "y");
  target.log.clear();
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(static_cast<TDevice*>(target.Items(1))->name, "y");
  EXPECT_NE(target.Items(0), source.Items(0));
  EXPECT_THAT(target.log, ElementsAre("deleting 0 old", "added 0 x", "added 1 y"));

  static_cast<TDevice*>(source.Items(1))->refuse = true;
  target.log.clear();
  EXPECT_THROW(target.Assign(&source), EConvertError);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(static_cast<TDevice*>(target.Items(0))->name, "x");
  EXPECT_TRUE(target.log.empty());

  TStringList notACollection;
  EXPECT_THROW(target.Assign(&notACollection), EConvertError);
}

TEST(Collection, DestroysItsItems) {
  std::vector<std::string> gone;
  {
    TCollection list(ItemClassOf<TDevice>());
    for (const char* n : {"p", "q"}) AddDevice(list, n)->gone = &gone;
  }
  EXPECT_THAT(gone, testing::UnorderedElementsAre("p", "q"));
}

TEST(StringList, KeepsObjectsBesideStrings) {
  TStringList list;
  TCollection c1(ItemClassOf<TDevice>()), c2(ItemClassOf<TDevice>());
  list.AddObject("fmMain.ALLowPass1.OutputPin", &c1);
  list.AddObject("fmMain.ALHighPass1.InputPin", &c2);
  EXPECT_EQ(list.IndexOf("FMMAIN.allowpass1.outputpin"), 0);
  EXPECT_EQ(list.IndexOfObject(&c2), 1);
  list.Exchange(0, 1);
  EXPECT_EQ(list.GetObject(0), &c2);
  EXPECT_EQ(list[0], "fmMain.ALHighPass1.InputPin");
  list.Move(1, 0);
  EXPECT_EQ(list.GetObject(0), &c1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("FMMAIN.allowpass1.outputpin"), -1);
  EXPECT_THROW(list.Get(2), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Insert(3, "x"), EStringListError);
}

TEST(StringList, SortedListsInsertInOrderAndControlDuplicates) {
  struct Case {
    TDuplicates dup;
    std::vector<std::string> expected;
    bool raises;
  } cases[] = {
      {TDuplicates::dupIgnore, {"alpha", "Beta", "gamma"}, false},
      {TDuplicates::dupAccept, {"alpha", "beta", "Beta", "gamma"}, false},
      {TDuplicates::dupError, {"alpha", "Beta", "gamma"}, true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(int(c.dup));
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.dup);
    for (const char* s : {"gamma", "Beta", "alpha"}) list.Add(s);
    if (c.raises)
      EXPECT_THROW(list.Add("beta"), EStringListError);
    else
      list.Add("beta");
    std::vector<std::string> got;
    for (int i = 0; i < list.Count(); ++i) got.push_back(list[i]);
    EXPECT_EQ(got, c.expected);
    int index;
    EXPECT_TRUE(list.Find("BETA", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("delta", index));
    EXPECT_EQ(index, int(c.expected.size()) - 1);
    EXPECT_THROW(list.Insert(0, "zeta"), EStringListError);
  }
}

TEST(StringList, NamesValuesAndText) {
  TStringList list;
  list.SetText("InDevice=USB\r\nOutDevice=HDA\nplain\r=empty");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Values("indevice"), "USB");
  EXPECT_EQ(list.Names(1), "OutDevice");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(3), "empty");
  list.SetValue("OutDevice", "Null");
  list.SetValue("Line", "Mic");
  list.SetValue("InDevice", "");
  EXPECT_EQ(list.Text(), "OutDevice=Null\nplain\n=empty\nLine=Mic\n");
  TStringList copy;
  copy.Assign(&list);
  EXPECT_TRUE(copy.Equals(list));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, OwnedObjectsGoWithTheirLines) {
  std::vector<std::string> gone;
  TCollection holder(ItemClassOf<TDevice>());
  {
    TStringList list;
    list.SetOwnsObjects(true);
    for (const char* n : {"one", "two", "three"}) {
      auto* d = new TDevice(nullptr);
      d->name = n;
      d->gone = &gone;
      list.AddObject(n, d);
    }
    list.Delete(1);
    EXPECT_THAT(gone, ElementsAre("two"));
  }
  EXPECT_THAT(gone, ElementsAre("two", "one", "three"));
}

}  // namespace
}  // namespace tavrel
