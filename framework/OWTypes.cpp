#include "framework/OWTypes.h"

#include <algorithm>

namespace tavrel {
namespace {

// Written only during start-up, so no lock.
std::vector<TOWStreamTypeEntry>& StreamTypes() {
  static std::vector<TOWStreamTypeEntry> types;
  return types;
}

std::vector<TOWTypeConverterEntry>& Converters() {
  static std::vector<TOWTypeConverterEntry> converters;
  return converters;
}

}  // namespace

const std::vector<TOWStreamTypeEntry>& StreamTypeRegistry() { return StreamTypes(); }
const std::vector<TOWTypeConverterEntry>& TypeConverterRegistry() { return Converters(); }

void ClearStreamTypeRegistries() {
  StreamTypes().clear();
  Converters().clear();
}

int FindOrAddStreamTypeEntry(const Guid& ID) {
  auto& types = StreamTypes();
  for (size_t i = 0; i < types.size(); ++i)
    if (types[i].ID == ID) return int(i);
  types.push_back({ID, {}, {}, nullptr});
  return int(types.size()) - 1;
}

void RegisterStreamTypeName(const Guid& ID, const std::string& Name) {
  StreamTypes()[size_t(FindOrAddStreamTypeEntry(ID))].Name = Name;
}

void RegisterStreamTypeSendFunction(const Guid& ID, TOWGlobalSubmit SendFunction) {
  StreamTypes()[size_t(FindOrAddStreamTypeEntry(ID))].SendFunction = SendFunction;
}

int IndexOfTypeConverter(const Guid& InputID, const Guid& OutputID) {
  auto& conv = Converters();
  for (size_t i = 0; i < conv.size(); ++i)
    if (conv[i].InputID == InputID && conv[i].OutputID == OutputID) return int(i);
  return -1;
}

void RegisterTypeConverter(const Guid& InputID, const Guid& OutputID, TOWFormatConverterClass ConverterClass) {
  int i = IndexOfTypeConverter(InputID, OutputID);
  if (i >= 0)
    Converters()[size_t(i)].ConverterClass = ConverterClass;
  else
    Converters().push_back({InputID, OutputID, ConverterClass});
}

TOWFormatConverterClass FindTypeConverter(const Guid& InputID, const Guid& OutputID) {
  int i = IndexOfTypeConverter(InputID, OutputID);
  return i < 0 ? nullptr : Converters()[size_t(i)].ConverterClass;
}

std::string DataTypeIDToText(const Guid& ID) {
  if (ID.isNil()) return "NIL ID";
  for (auto& e : StreamTypes())
    if (e.ID == ID) return e.Name;
  return FormatGUIDText(ID);
}

int TOWPinStreamType::IndexOf(const Guid& ID) const {
  for (size_t i = 0; i < Types.size(); ++i)
    if (Types[i].ID == ID) return int(i);
  return -1;
}

void TOWPinStreamType::AddType(const Guid& ID, TOWSubmit SubmitFunction) {
  int i = IndexOf(ID);
  if (i >= 0)
    Types[size_t(i)].SubmitFunction = SubmitFunction;
  else
    Types.push_back({ID, SubmitFunction});
}

void TOWPinStreamType::RemoveType(const Guid& ID) {
  int i = IndexOf(ID);
  if (i >= 0) Types.erase(Types.begin() + i);
}

}  // namespace tavrel
