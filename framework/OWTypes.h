#pragma once
// Data types of pin links and the two process-wide registries.
//
// Every link carries one data type named by a GUID; the same GUID names the
// stream interface a receiving pin implements. The registries map a data
// type to its display name and send function, and a pair of data types to a
// format converter class. They are written only by module start-up steps,
// before any pin exists, and read without lock afterwards.
//
//   RegisterStreamTypeName(IID_OWFloatStream, "Real");
//   RegisterTypeConverter(IID_A, IID_B, &TAToBConverter::CreateConverter);
//   DataTypeIDToText(Guid{});   // "NIL ID"
//
// A pin keeps its data types in a TOWPinStreamType, in the order they were
// first added; negotiation prefers the one added last. TOWSubmit is the
// function that carries one delivery: a plain code pointer and an object, so
// copying it never allocates.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/OWOperations.h"
#include "platform/guid.h"

namespace tavrel {

class TOWBasicPin;
class TOWPin;
class IOWFormatConverter;

using TDataTypeID = Guid;
using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);

// The identity a pin is handed to submit functions by; a typed receiver is
// found by a cast of the handler to the data type's interface.
class IOWStream {
 public:
  virtual TOWBasicPin* StreamPin() = 0;

 protected:
  ~IOWStream() = default;
};

inline constexpr Guid IID_IOWStream{0x2BFF1BE1, 0x1698, 0x4CFA, {0xA4, 0x27, 0x9E, 0x08, 0x01, 0xC5, 0xB3, 0x57}};

// One delivery to one pin: a method pointer (code and object).
struct TOWSubmit {
  using Code = TOWNotifyResult (*)(void* Obj, IOWStream* Handler, const TDataTypeID& DataTypeID,
                                   IOWNotifyOperation* Operation, TOWNotifyState State);
  Code code = nullptr;
  void* obj = nullptr;

  explicit operator bool() const { return code != nullptr; }
  TOWNotifyResult operator()(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                             TOWNotifyState State) const {
    return code(obj, Handler, DataTypeID, Operation, State);
  }
  friend bool operator==(const TOWSubmit&, const TOWSubmit&) = default;

  // TOWSubmit::Of<&TMyPin::Receive>(pin)
  template <auto M, class C>
  static TOWSubmit Of(C* object) {
    return {[](void* o, IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
              return (static_cast<C*>(o)->*M)(h, id, op, s);
            },
            object};
  }
};

// The registry's send function: TOWSubmit with the sending pin first.
using TOWGlobalSubmit = TOWNotifyResult (*)(TOWPin* Sender, IOWStream* Handler, const TDataTypeID& DataTypeID,
                                            IOWNotifyOperation* Operation, TOWNotifyState State);

// A converter class: its argument-free virtual constructor.
using TOWFormatConverterClass = Ref<IOWFormatConverter> (*)();

struct TOWStreamTypeEntry {
  Guid ID;
  std::string Name;
  std::vector<Ref<RefCounted>> Extentions;  // kept empty
  TOWGlobalSubmit SendFunction = nullptr;
};

struct TOWTypeConverterEntry {
  Guid InputID;
  Guid OutputID;
  TOWFormatConverterClass ConverterClass = nullptr;
};

int FindOrAddStreamTypeEntry(const Guid& ID);
void RegisterStreamTypeName(const Guid& ID, const std::string& Name);
void RegisterStreamTypeSendFunction(const Guid& ID, TOWGlobalSubmit SendFunction);
int IndexOfTypeConverter(const Guid& InputID, const Guid& OutputID);
void RegisterTypeConverter(const Guid& InputID, const Guid& OutputID, TOWFormatConverterClass ConverterClass);
TOWFormatConverterClass FindTypeConverter(const Guid& InputID, const Guid& OutputID);
// "NIL ID", the registered name (maybe empty), else the braced GUID text.
std::string DataTypeIDToText(const Guid& ID);

// Read-only views, for negotiation and tests.
const std::vector<TOWStreamTypeEntry>& StreamTypeRegistry();
const std::vector<TOWTypeConverterEntry>& TypeConverterRegistry();
// The framework's shut-down step empties both.
void ClearStreamTypeRegistries();

struct TOWPinTypeEntry {
  Guid ID;
  TOWSubmit SubmitFunction;
};

// No lock of its own: the owning pin's lock guards it.
class TOWPinStreamType {
 public:
  // Replaces the function of a listed type in place, else appends.
  void AddType(const Guid& ID, TOWSubmit SubmitFunction);
  void RemoveType(const Guid& ID);
  void ClearTypes() { Types.clear(); }
  void SwapPosition(int Index1, int Index2) { std::swap(Types[size_t(Index1)], Types[size_t(Index2)]); }
  const Guid& GetID(int Index) const { return Types[size_t(Index)].ID; }
  TOWSubmit GetSubmitFunc(int Index) const { return Types[size_t(Index)].SubmitFunction; }
  int Count() const { return int(Types.size()); }
  int IndexOf(const Guid& ID) const;

  std::vector<TOWPinTypeEntry> Types;
};

// A candidate list built for one negotiation.
class TOWPinTypeRestricted : public TOWPinStreamType {
 public:
  bool Ordered = false;
};

}  // namespace tavrel
