#pragma once
// Form data: the binary value stream and the filers that read and write it.
//
// A value is one code byte (TValueType) and its payload, little-endian:
//   vaNull 0            end of a list (also the empty short string)
//   vaList 1            values up to vaNull
//   vaInt8 2, vaInt16 3, vaInt32 4, vaInt64 19       signed integers
//   vaExtended 5        10 bytes, 80-bit x87 (extended.h)
//   vaSingle 15, vaDouble 21, vaDate 17 (a double)   IEEE floats
//   vaCurrency 16       int64 in ten-thousandths
//   vaString 6          length byte + UTF-8;  vaLString 12, vaUTF8String 20:
//                       uint32 length + UTF-8;  vaWString 18: uint32 count +
//                       UTF-16 units
//   vaIdent 7           length byte + UTF-8 identifier
//   vaFalse 8, vaTrue 9, vaNil 13                    no payload
//   vaBinary 10         uint32 length + bytes
//   vaSet 11            short strings (element names) up to an empty one
//   vaCollection 14     items, each vaList + properties + 0, then 0
// A property is its name as a short string (length byte + UTF-8; a dotted
// path such as "AudioFormat.SampleRate") followed by its value.
//
//   TWriter w;
//   w.WriteListBegin(); w.WriteIdent("Frequency"); w.WriteFloat(0); w.WriteListEnd();
//   TReader r(w.Data());
//   r.ReadListBegin();
//   while (!r.EndOfList()) { ... r.ReadIdent() ... r.ReadFloat() ... }
//   r.ReadListEnd();
//
// Every read checks the code it expects and the bytes left: a value of
// another kind, a truncated value or nesting deeper than kMaxDepth raises
// EReadError ("invalid property value" for a wrong kind).
//
// An object declares values beyond its published properties in
// TPersistent::DefineProperties(TFiler&) through DefineProperty; the form
// reader calls the read function when the stored name matches, the writer
// writes the name and calls the write function when hasData is true.
// Component streaming (ReadRootComponent, WriteRootComponent) is in forms.h.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classinfo.h"

namespace tavrel {

enum TValueType : uint8_t {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue, vaBinary,
  vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString, vaInt64,
  vaUTF8String, vaDouble,
};

class TReader;
class TWriter;
class TCollection;

class TFiler {
 public:
  virtual ~TFiler() = default;
  virtual void DefineProperty(const std::string& name, const std::function<void(TReader&)>& read,
                              const std::function<void(TWriter&)>& write, bool hasData) = 0;
  // The component whose form is read or written; null for bare values.
  TComponent* Root() const { return root_; }

 protected:
  TComponent* root_ = nullptr;
};

class TReader : public TFiler {
 public:
  static constexpr int kMaxDepth = 64;

  explicit TReader(std::span<const uint8_t> data);

  TValueType NextValue() const;  // the next code, not consumed
  TValueType ReadValue();
  void CheckValue(TValueType expected);  // EReadError for another code
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  // True at the list's closing vaNull. Only that byte is looked at: inside a
  // property list the next byte is a name's length, not a value code.
  bool EndOfList() const;

  // vaIdent, or "False", "True", "nil", "Null" for their codes.
  std::string ReadIdent();
  std::string ReadString();  // any of the four string kinds
  bool ReadBoolean();
  int32_t ReadInteger();     // vaInt8/16/32, or vaInt64 in range
  int64_t ReadInt64();
  long double ReadFloat();   // vaExtended, vaDouble, vaSingle, vaDate, vaCurrency or an integer
  std::vector<std::string> ReadSet();
  std::vector<uint8_t> ReadBinary();
  Value ReadVariant();       // a simple value as a Value
  std::string ReadStr();     // a bare short string (property and class names)
  void SkipValue();          // one value with everything inside it

  size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }

  void DefineProperty(const std::string& name, const std::function<void(TReader&)>& read,
                      const std::function<void(TWriter&)>& write, bool hasData) override;

 protected:
  friend class FormReading;
  const uint8_t* Take(size_t n);
  uint32_t ReadU32();
  std::string ReadUTF16(uint32_t units);

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::string definedName_;  // the stored name a DefineProperty call may claim
  bool definedHandled_ = false;
};

class TWriter : public TFiler {
 public:
  const std::vector<uint8_t>& Data() const { return data_; }

  void WriteValue(TValueType v) { data_.push_back(v); }
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // "True", "False", "nil" and "Null" (any case) go as their own codes.
  void WriteIdent(std::string_view ident);
  // vaString for short ASCII text, vaLString for longer ASCII, else vaUTF8String.
  void WriteString(std::string_view s);
  void WriteWideString(std::string_view utf8);  // vaWString
  void WriteBoolean(bool b) { WriteValue(b ? vaTrue : vaFalse); }
  void WriteInteger(int64_t v);  // the smallest integer code that holds v
  void WriteFloat(long double v);  // vaExtended
  void WriteDouble(double v);      // vaDouble
  void WriteSingle(float v);       // vaSingle
  void WriteSet(const std::vector<std::string>& names);
  void WriteBinary(std::span<const uint8_t> bytes);
  void WriteStr(std::string_view s);  // bare short string; EOWException above 255 bytes
  void WriteVariant(const Value& v);  // simple values; others raise EOWException

  void DefineProperty(const std::string& name, const std::function<void(TReader&)>& read,
                      const std::function<void(TWriter&)>& write, bool hasData) override;

 protected:
  friend class FormWriting;
  void PutU32(uint32_t v);
  void PutRaw(const void* p, size_t n);

  std::vector<uint8_t> data_;
  std::string definedPrefix_;  // path of the object whose values are declared
};

}  // namespace tavrel
