#include "platform/filer.h"

#include <cmath>
#include <cstring>

#include "platform/extended.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace tavrel {

namespace {

template <class T>
T LoadLE(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);  // x86-64 and every target we build for are little-endian
  return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// TReader

TReader::TReader(std::span<const uint8_t> data) : data_(data) {}

const uint8_t* TReader::Take(size_t n) {
  if (n > data_.size() - pos_) throw EReadError("form data ends too early");
  const uint8_t* p = data_.data() + pos_;
  pos_ += n;
  return p;
}

uint32_t TReader::ReadU32() { return LoadLE<uint32_t>(Take(4)); }

TValueType TReader::NextValue() const {
  if (AtEnd()) throw EReadError("form data ends too early");
  uint8_t v = data_[pos_];
  if (v > vaDouble) throw EReadError("unknown value code " + std::to_string(v) + " in form data");
  return TValueType(v);
}

bool TReader::EndOfList() const {
  if (AtEnd()) throw EReadError("form data ends too early");
  return data_[pos_] == vaNull;
}

TValueType TReader::ReadValue() {
  TValueType v = NextValue();
  ++pos_;
  return v;
}

void TReader::CheckValue(TValueType expected) {
  if (NextValue() != expected) throw EReadError();
  ++pos_;
}

std::string TReader::ReadStr() {
  uint8_t n = *Take(1);
  const uint8_t* p = Take(n);
  return std::string(reinterpret_cast<const char*>(p), n);
}

std::string TReader::ReadIdent() {
  switch (NextValue()) {
    case vaIdent: ++pos_; return ReadStr();
    case vaFalse: ++pos_; return "False";
    case vaTrue: ++pos_; return "True";
    case vaNil: ++pos_; return "nil";
    case vaNull: ++pos_; return "Null";
    default: throw EReadError();
  }
}

std::string TReader::ReadUTF16(uint32_t units) {
  const uint8_t* p = Take(size_t(units) * 2);
  std::string out;
  for (uint32_t i = 0; i < units; ++i) {
    char32_t c = LoadLE<uint16_t>(p + 2 * i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      char32_t low = LoadLE<uint16_t>(p + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUTF8(out, c);  // a lone surrogate becomes U+FFFD
  }
  return out;
}

std::string TReader::ReadString() {
  switch (NextValue()) {
    case vaString: ++pos_; return ReadStr();
    case vaLString:
    case vaUTF8String: {
      ++pos_;
      uint32_t n = ReadU32();
      const uint8_t* p = Take(n);
      return std::string(reinterpret_cast<const char*>(p), n);
    }
    case vaWString: ++pos_; return ReadUTF16(ReadU32());
    default: throw EReadError();
  }
}

bool TReader::ReadBoolean() {
  switch (NextValue()) {
    case vaTrue: ++pos_; return true;
    case vaFalse: ++pos_; return false;
    default: throw EReadError();
  }
}

int64_t TReader::ReadInt64() {
  switch (NextValue()) {
    case vaInt8: ++pos_; return int8_t(*Take(1));
    case vaInt16: ++pos_; return LoadLE<int16_t>(Take(2));
    case vaInt32: ++pos_; return LoadLE<int32_t>(Take(4));
    case vaInt64: ++pos_; return LoadLE<int64_t>(Take(8));
    default: throw EReadError();
  }
}

int32_t TReader::ReadInteger() {
  size_t at = pos_;
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) {
    pos_ = at;
    throw EReadError();
  }
  return int32_t(v);
}

long double TReader::ReadFloat() {
  switch (NextValue()) {
    case vaExtended: ++pos_; return ExtendedToLongDouble(Take(10));
    case vaDouble:
    case vaDate: ++pos_; return LoadLE<double>(Take(8));
    case vaSingle: ++pos_; return LoadLE<float>(Take(4));
    case vaCurrency: ++pos_; return (long double)LoadLE<int64_t>(Take(8)) / 10000;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return (long double)ReadInt64();
    default: throw EReadError();
  }
}

std::vector<std::string> TReader::ReadSet() {
  CheckValue(vaSet);
  std::vector<std::string> names;
  for (std::string s = ReadStr(); !s.empty(); s = ReadStr()) names.push_back(std::move(s));
  return names;
}

std::vector<uint8_t> TReader::ReadBinary() {
  CheckValue(vaBinary);
  uint32_t n = ReadU32();
  const uint8_t* p = Take(n);
  return std::vector<uint8_t>(p, p + n);
}

Value TReader::ReadVariant() {
  switch (NextValue()) {
    case vaNil:
    case vaNull: ++pos_; return std::monostate{};
    case vaFalse:
    case vaTrue: return ReadBoolean();
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return ReadInt64();
    case vaExtended:
    case vaDouble:
    case vaSingle:
    case vaDate:
    case vaCurrency: return ReadFloat();
    case vaString:
    case vaLString:
    case vaWString:
    case vaUTF8String: return ReadString();
    case vaIdent: return ReadIdent();
    default: throw EReadError();
  }
}

void TReader::SkipValue() {
  if (depth_ >= kMaxDepth) throw EReadError("form data nested too deeply");
  ++depth_;
  struct Leave {
    int& d;
    ~Leave() { --d; }
  } leave{depth_};
  switch (NextValue()) {
    case vaList:
      ++pos_;
      while (!EndOfList()) SkipValue();
      ++pos_;
      break;
    case vaCollection:
      ++pos_;
      while (!EndOfList()) {
        if (NextValue() == vaInt8 || NextValue() == vaInt16 || NextValue() == vaInt32) ReadInt64();
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValue();
        }
        ++pos_;
      }
      ++pos_;
      break;
    case vaSet: ReadSet(); break;
    case vaBinary: ReadBinary(); break;
    case vaIdent:
    case vaFalse:
    case vaTrue:
    case vaNil:
    case vaNull: ReadIdent(); break;
    default: ReadVariant(); break;
  }
}

void TReader::DefineProperty(const std::string& name, const std::function<void(TReader&)>& read,
                             const std::function<void(TWriter&)>&, bool) {
  if (definedHandled_ || !SameText(name, definedName_)) return;
  definedHandled_ = true;
  if (read)
    read(*this);
  else
    SkipValue();
}

// ---------------------------------------------------------------------------
// TWriter

void TWriter::PutRaw(const void* p, size_t n) {
  auto* b = static_cast<const uint8_t*>(p);
  data_.insert(data_.end(), b, b + n);
}

void TWriter::PutU32(uint32_t v) { PutRaw(&v, 4); }

void TWriter::WriteStr(std::string_view s) {
  if (s.size() > 255) throw EWriteError("name too long for form data: " + std::string(s.substr(0, 40)) + "...");
  data_.push_back(uint8_t(s.size()));
  PutRaw(s.data(), s.size());
}

void TWriter::WriteIdent(std::string_view ident) {
  if (SameText(ident, "False")) return WriteValue(vaFalse);
  if (SameText(ident, "True")) return WriteValue(vaTrue);
  if (SameText(ident, "nil")) return WriteValue(vaNil);
  if (SameText(ident, "Null")) return WriteValue(vaNull);
  size_t mark = data_.size();
  WriteValue(vaIdent);
  try {
    WriteStr(ident);
  } catch (...) {
    data_.resize(mark);
    throw;
  }
}

void TWriter::WriteString(std::string_view s) {
  bool ascii = true;
  for (char c : s) ascii = ascii && (unsigned char)c < 0x80;
  if (ascii && s.size() <= 255) {
    WriteValue(vaString);
    WriteStr(s);
    return;
  }
  if (s.size() > UINT32_MAX) throw EWriteError("string too long for form data");
  WriteValue(ascii ? vaLString : vaUTF8String);
  PutU32(uint32_t(s.size()));
  PutRaw(s.data(), s.size());
}

void TWriter::WriteWideString(std::string_view utf8) {
  std::vector<uint16_t> units;
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t c = NextUTF8(utf8, pos);
    if (c >= 0x10000) {
      units.push_back(uint16_t(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(uint16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(uint16_t(c));
    }
  }
  WriteValue(vaWString);
  PutU32(uint32_t(units.size()));
  PutRaw(units.data(), units.size() * 2);
}

void TWriter::WriteInteger(int64_t v) {
  if (v >= INT8_MIN && v <= INT8_MAX) {
    WriteValue(vaInt8);
    data_.push_back(uint8_t(int8_t(v)));
  } else if (v >= INT16_MIN && v <= INT16_MAX) {
    WriteValue(vaInt16);
    int16_t x = int16_t(v);
    PutRaw(&x, 2);
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    WriteValue(vaInt32);
    int32_t x = int32_t(v);
    PutRaw(&x, 4);
  } else {
    WriteValue(vaInt64);
    PutRaw(&v, 8);
  }
}

void TWriter::WriteFloat(long double v) {
  WriteValue(vaExtended);
  uint8_t b[10];
  LongDoubleToExtended(v, b);
  PutRaw(b, 10);
}

void TWriter::WriteDouble(double v) {
  WriteValue(vaDouble);
  PutRaw(&v, 8);
}

void TWriter::WriteSingle(float v) {
  WriteValue(vaSingle);
  PutRaw(&v, 4);
}

void TWriter::WriteSet(const std::vector<std::string>& names) {
  size_t mark = data_.size();
  try {
    WriteValue(vaSet);
    for (auto& n : names)
      if (!n.empty()) WriteStr(n);
    WriteStr("");
  } catch (...) {
    data_.resize(mark);
    throw;
  }
}

void TWriter::WriteBinary(std::span<const uint8_t> bytes) {
  if (bytes.size() > UINT32_MAX) throw EWriteError("binary value too long for form data");
  WriteValue(vaBinary);
  PutU32(uint32_t(bytes.size()));
  PutRaw(bytes.data(), bytes.size());
}

void TWriter::WriteVariant(const Value& v) {
  if (std::holds_alternative<std::monostate>(v)) return WriteValue(vaNil);
  if (auto* b = std::get_if<bool>(&v)) return WriteBoolean(*b);
  if (auto* i = std::get_if<int64_t>(&v)) return WriteInteger(*i);
  if (auto* f = std::get_if<long double>(&v)) return WriteFloat(*f);
  if (auto* s = std::get_if<std::string>(&v)) return WriteString(*s);
  throw EWriteError("a variant holding an object or a method cannot be written");
}

void TWriter::DefineProperty(const std::string& name, const std::function<void(TReader&)>&,
                             const std::function<void(TWriter&)>& write, bool hasData) {
  if (!hasData || !write) return;
  WriteStr(definedPrefix_ + name);
  write(*this);
}

}  // namespace tavrel
