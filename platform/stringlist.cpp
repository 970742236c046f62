#include "platform/stringlist.h"

#include <algorithm>
#include <memory>

#include "platform/classinfo.h"
#include "platform/exceptions.h"
#include "platform/filer.h"

namespace tavrel {

namespace {

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto lower = [](char c) { return (unsigned char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    int d = int(lower(a[i])) - int(lower(b[i]));
    if (d) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareStr(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

[[noreturn]] void OutOfBounds(int index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

const ClassInfo& TStrings::Class() {
  static const ClassInfo ci = ClassBuilder<TStrings>("TStrings", TPersistent::Class()).build();
  return ci;
}

const ClassInfo& TStringList::Class() {
  static const ClassInfo ci = ClassBuilder<TStringList>("TStringList", TStrings::Class()).build();
  return ci;
}

void TStrings::Put(int index, const std::string& s) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

int TStrings::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  InsertObject(index, s, object);
  return index;
}

void TStrings::AddStrings(const TStrings& other) {
  for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
}

int TStrings::IndexOf(std::string_view s) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

void TStrings::Exchange(int a, int b) {
  std::string sa = Get(a), sb = Get(b);
  TObject *oa = GetObject(a), *ob = GetObject(b);
  Put(a, sb);
  PutObject(a, ob);
  Put(b, sa);
  PutObject(b, oa);
}

void TStrings::Move(int from, int to) {
  if (from == to) return;
  std::string s = Get(from);
  TObject* object = GetObject(from);
  if (to < 0 || to >= Count()) OutOfBounds(to);
  Delete(from);
  InsertObject(to, s, object);
}

std::string TStrings::Names(int index) const {
  std::string line = Get(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string line = Get(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int TStrings::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string line = Get(i);
    size_t eq = line.find('=');
    if (eq != std::string::npos && CompareStrings(std::string_view(line).substr(0, eq), name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Values(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i >= 0) {
    Put(i, name + "=" + value);
  } else {
    Add(name + "=" + value);
  }
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) (text += Get(i)) += '\n';
  return text;
}

void TStrings::SetText(std::string_view text) {
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      Add(std::string(text.substr(start)));
      break;
    }
    Add(std::string(text.substr(start, end - start)));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

void TStrings::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TStrings*>(source)) {
    if (src == this) return;
    // Copy out first: a refused line must not leave this list half cleared.
    std::vector<std::pair<std::string, TObject*>> lines;
    for (int i = 0; i < src->Count(); ++i) lines.emplace_back(src->Get(i), src->GetObject(i));
    Clear();
    for (auto& [s, o] : lines) AddObject(s, o);
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Strings",
      [this](TReader& r) {
        std::vector<std::string> lines;
        r.ReadListBegin();
        while (!r.EndOfList()) lines.push_back(r.ReadString());
        r.ReadListEnd();
        Clear();
        for (auto& l : lines) Add(l);
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (int i = 0; i < Count(); ++i) w.WriteString(Get(i));
        w.WriteListEnd();
      },
      Count() > 0);
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return CompareText(a, b); }

TStringList::~TStringList() {
  if (ownsObjects_)
    for (auto& [s, o] : items_) delete o;
}

void TStringList::Check(int index) const {
  if (index < 0 || index >= Count()) OutOfBounds(index);
}

std::string TStringList::Get(int index) const {
  Check(index);
  return items_[size_t(index)].first;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  Check(index);
  items_[size_t(index)].first = s;
}

TObject* TStringList::GetObject(int index) const {
  Check(index);
  return items_[size_t(index)].second;
}

void TStringList::PutObject(int index, TObject* object) {
  Check(index);
  items_[size_t(index)].second = object;
}

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) OutOfBounds(index);
  items_.insert(items_.begin() + index, {s, object});
}

void TStringList::Delete(int index) {
  Check(index);
  std::unique_ptr<TObject> owned(ownsObjects_ ? items_[size_t(index)].second : nullptr);
  items_.erase(items_.begin() + index);
}

void TStringList::Clear() {
  auto old = std::move(items_);
  items_.clear();
  if (ownsObjects_)
    for (auto& [s, o] : old) delete o;
}

int TStringList::AddObject(const std::string& s, TObject* object) {
  if (!sorted_) {
    items_.emplace_back(s, object);
    return Count() - 1;
  }
  int index;
  if (Find(s, index)) {
    if (duplicates_ == TDuplicates::dupIgnore) return index;
    if (duplicates_ == TDuplicates::dupError) throw EStringListError("String list does not allow duplicates");
  }
  items_.insert(items_.begin() + index, {s, object});
  return index;
}

int TStringList::IndexOf(std::string_view s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(items_[size_t(mid)].first, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;  // keep going left: the first of equal strings
      }
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](auto& a, auto& b) { return CompareStrings(a.first, b.first) < 0; });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  if (sorted_) return;
  // Sort positions through the caller's comparison, then reorder.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<std::pair<std::string, TObject*>> sorted;
  for (int i : order) sorted.push_back(std::move(items_[size_t(i)]));
  items_ = std::move(sorted);
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool on) {
  if (on == caseSensitive_) return;
  caseSensitive_ = on;
  if (sorted_) Sort();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

}  // namespace tavrel
