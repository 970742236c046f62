#pragma once
// TStrings, the abstract list of strings with an object per string, and
// TStringList, its plain implementation (optionally sorted, with
// duplicates control, case-sensitive or not, and owning its objects).
//
//   TStringList list;
//   list.AddObject("fmMain.ALLowPass1.OutputPin", pin);
//   list.IndexOf("FMMAIN.allowpass1.outputpin");   // 0: ignores case by default
//   list.SetValue("InDevice", "USB");               // "InDevice=USB"
//   list.Values("InDevice");                        // "USB"
//   list.Text();                                    // lines joined by "\n"
//
// Indexes out of range raise EStringListError, as do Insert on a sorted list
// and a duplicate Add with dupError. Objects are not owned unless
// SetOwnsObjects(true); then deleting a line destroys its object.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/object.h"

namespace tavrel {

class TStrings : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& s);
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);
  virtual void InsertObject(int index, const std::string& s, TObject* object) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  std::string operator[](int index) const { return Get(index); }
  void Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }
  virtual int AddObject(const std::string& s, TObject* object);
  int Add(const std::string& s) { return AddObject(s, nullptr); }
  void AddStrings(const TStrings& other);
  virtual int IndexOf(std::string_view s) const;
  int IndexOfObject(const TObject* object) const;
  void Exchange(int a, int b);
  void Move(int from, int to);

  // Lines of the form name=value.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(std::string_view name) const;
  std::string Values(std::string_view name) const;
  void SetValue(const std::string& name, const std::string& value);  // "" deletes

  std::string Text() const;  // every line followed by "\n"
  void SetText(std::string_view text);  // splits at "\n", "\r\n" or "\r"

  bool Equals(const TStrings& other) const;  // same strings, same order
  void Assign(TPersistent* source) override;  // strings and objects of a TStrings
  // Form data: the lines as the list "Strings" (objects are not stored).
  void DefineProperties(TFiler& filer) override;

 protected:
  virtual int CompareStrings(std::string_view a, std::string_view b) const;  // ignores case
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
  TAVREL_CLASS_INFO
 public:
  TStringList() = default;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;
  ~TStringList() override;

  int Count() const override { return int(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int AddObject(const std::string& s, TObject* object) override;
  int IndexOf(std::string_view s) const override;

  // Binary search of a sorted list: true when found; index is the match or
  // the place the string would go.
  bool Find(std::string_view s, int& index) const;
  void Sort();
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool on);
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool on) { ownsObjects_ = on; }

 protected:
  int CompareStrings(std::string_view a, std::string_view b) const override;

 private:
  void Check(int index) const;
  std::vector<std::pair<std::string, TObject*>> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

}  // namespace tavrel
