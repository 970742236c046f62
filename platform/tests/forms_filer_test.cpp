#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "platform/extended.h"
#include "platform/filer.h"

namespace tavrel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(Filer, WriterEncodingsAreExact) {
  std::string long300(300, 'a');
  struct Case {
    const char* what;
    std::function<void(TWriter&)> write;
    Bytes bytes;
  } cases[] = {
      {"list", [](TWriter& w) { w.WriteListBegin(); w.WriteListEnd(); }, {1, 0}},
      {"ident", [](TWriter& w) { w.WriteIdent("Gain"); }, Cat({{7, 4}, Text("Gain")})},
      {"special idents", [](TWriter& w) { for (auto s : {"True", "false", "NIL", "Null"}) w.WriteIdent(s); },
       {9, 8, 13, 0}},
      {"int8", [](TWriter& w) { w.WriteInteger(-128); w.WriteInteger(127); }, {2, 0x80, 2, 0x7F}},
      {"int16", [](TWriter& w) { w.WriteInteger(128); w.WriteInteger(-32768); }, {3, 0x80, 0, 3, 0, 0x80}},
      {"int32", [](TWriter& w) { w.WriteInteger(32768); }, {4, 0, 0x80, 0, 0}},
      {"int64", [](TWriter& w) { w.WriteInteger(int64_t(1) << 31); }, {19, 0, 0, 0, 0x80, 0, 0, 0, 0}},
      {"extended 0", [](TWriter& w) { w.WriteFloat(0); }, {5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"extended 1.5", [](TWriter& w) { w.WriteFloat(1.5L); }, {5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}},
      {"extended -2", [](TWriter& w) { w.WriteFloat(-2); }, {5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
      {"double", [](TWriter& w) { w.WriteDouble(1); }, {21, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
      {"single", [](TWriter& w) { w.WriteSingle(1); }, {15, 0, 0, 0x80, 0x3F}},
      {"short string", [](TWriter& w) { w.WriteString("ab"); }, {6, 2, 'a', 'b'}},
      {"long string", [&](TWriter& w) { w.WriteString(long300); }, Cat({{12, 0x2C, 1, 0, 0}, Text(long300)})},
      {"utf-8 string", [](TWriter& w) { w.WriteString("é"); }, {20, 2, 0, 0, 0, 0xC3, 0xA9}},
      {"wide string", [](TWriter& w) { w.WriteWideString("é😀"); }, {18, 3, 0, 0, 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE}},
      {"booleans", [](TWriter& w) { w.WriteBoolean(true); w.WriteBoolean(false); }, {9, 8}},
      {"set", [](TWriter& w) { w.WriteSet({"a", "bc"}); }, {11, 1, 'a', 2, 'b', 'c', 0}},
      {"binary", [](TWriter& w) { w.WriteBinary(Bytes{7, 8}); }, {10, 2, 0, 0, 0, 7, 8}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    TWriter w;
    c.write(w);
    EXPECT_EQ(w.Data(), c.bytes);
  }
}

TEST(Filer, WriterRefusesNamesOverAShortString) {
  TWriter w;
  EXPECT_THROW(w.WriteIdent(std::string(256, 'x')), EWriteError);
  EXPECT_THROW(w.WriteSet({std::string(256, 'x')}), EWriteError);
  EXPECT_TRUE(w.Data().empty());
  EXPECT_THROW(w.WriteVariant(static_cast<TObject*>(nullptr)), EWriteError);
}

TEST(Filer, ReaderAcceptsEveryEncodingOfAKind) {
  TWriter w;
  w.WriteString("short");
  w.WriteString(std::string(300, 'b'));
  w.WriteString("Écoute");
  w.WriteWideString("Écoute 😀");
  w.WriteFloat(2.5L);
  w.WriteDouble(0.1);
  w.WriteSingle(0.25f);
  w.WriteInteger(-40000);
  for (auto s : {"Filter", "True", "False", "nil", "Null"}) w.WriteIdent(s);
  w.WriteInteger(int64_t(1) << 40);
  w.WriteSet({"x", "y"});
  TReader r(w.Data());
  EXPECT_EQ(r.ReadString(), "short");
  EXPECT_EQ(r.ReadString(), std::string(300, 'b'));
  EXPECT_EQ(r.ReadString(), "Écoute");
  EXPECT_EQ(r.ReadString(), "Écoute 😀");
  EXPECT_EQ(r.ReadFloat(), 2.5L);
  EXPECT_EQ(double(r.ReadFloat()), 0.1);
  EXPECT_EQ(r.ReadFloat(), 0.25L);
  EXPECT_EQ(r.ReadFloat(), -40000.0L);
  for (auto s : {"Filter", "True", "False", "nil", "Null"}) EXPECT_EQ(r.ReadIdent(), s);
  size_t at = r.Position();
  EXPECT_THROW(r.ReadInteger(), EReadError);  // does not fit 32 bits
  EXPECT_EQ(r.Position(), at);
  EXPECT_EQ(r.ReadInt64(), int64_t(1) << 40);
  EXPECT_EQ(r.ReadSet(), (std::vector<std::string>{"x", "y"}));
  EXPECT_TRUE(r.AtEnd());
}

TEST(Filer, WrongKindTruncationAndUnknownCodesRaiseReadError) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::function<void(TReader&)> read;
    const char* message;
  } cases[] = {
      {"ident where a list starts", {7, 1, 'a'}, [](TReader& r) { r.ReadListBegin(); }, "invalid property value"},
      {"string where an ident is", {6, 1, 'a'}, [](TReader& r) { r.ReadIdent(); }, "invalid property value"},
      {"ident where a string is", {7, 1, 'a'}, [](TReader& r) { r.ReadString(); }, "invalid property value"},
      {"integer as Boolean", {2, 1}, [](TReader& r) { r.ReadBoolean(); }, "invalid property value"},
      {"string as float", {6, 0}, [](TReader& r) { r.ReadFloat(); }, "invalid property value"},
      {"empty", {}, [](TReader& r) { r.NextValue(); }, "form data ends too early"},
      {"short ident", {7, 5, 'a'}, [](TReader& r) { r.ReadIdent(); }, "form data ends too early"},
      {"huge string", {12, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, [](TReader& r) { r.ReadString(); },
       "form data ends too early"},
      {"huge wide string", {18, 0xFF, 0xFF, 0xFF, 0xFF}, [](TReader& r) { r.ReadString(); },
       "form data ends too early"},
      {"short extended", {5, 0, 0}, [](TReader& r) { r.ReadFloat(); }, "form data ends too early"},
      {"unclosed list", {1, 2, 5}, [](TReader& r) { r.SkipValue(); }, "form data ends too early"},
      {"unknown code", {22}, [](TReader& r) { r.SkipValue(); }, "unknown value code 22 in form data"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    TReader r(c.bytes);
    try {
      c.read(r);
      ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

// In a property list the byte after a value is the next name's length, which
// may be any number: names of 22 bytes and more ("AudioFormat.SampleRate")
// must not read as unknown value codes.
TEST(Filer, PropertyNamesOfAnyLengthEndNoList) {
  const std::vector<std::string> names = {"A", "AudioFormat.SampleRate", std::string(200, 'x')};
  TWriter w;
  for (const auto& name : names) {
    w.WriteStr(name);
    w.WriteInteger(7);
  }
  w.WriteListEnd();
  TReader r(w.Data());
  std::vector<std::string> read;
  while (!r.EndOfList()) {
    read.push_back(r.ReadStr());
    EXPECT_EQ(r.ReadInteger(), 7);
  }
  r.ReadListEnd();
  EXPECT_EQ(read, names);
}

TEST(Filer, SkippingRefusesNestingBeyondTheLimit) {
  Bytes deep(TReader::kMaxDepth + 1, vaList);
  deep.insert(deep.end(), TReader::kMaxDepth + 1, vaNull);
  TReader r(deep);
  EXPECT_THROW(r.SkipValue(), EReadError);
  Bytes ok(TReader::kMaxDepth, vaList);
  ok.insert(ok.end(), TReader::kMaxDepth, vaNull);
  TReader r2(ok);
  r2.SkipValue();
  EXPECT_TRUE(r2.AtEnd());
}

TEST(Filer, WideStringsWithBrokenSurrogatesReadAsReplacement) {
  Bytes lone = {18, 2, 0, 0, 0, 0x00, 0xD8, 'A', 0};
  TReader r(lone);
  EXPECT_EQ(r.ReadString(), "\xEF\xBF\xBD" "A");
}

TEST(Extended, SoftConversionMatchesTheNativeFormat) {
  const long double values[] = {0.0L, -0.0L, 1.5L, -2.25L, 1e-300L, 3.141592653589793238L,
                                std::numeric_limits<long double>::max(),
                                std::numeric_limits<long double>::denorm_min(),
                                std::numeric_limits<long double>::min() / 8,
                                std::numeric_limits<long double>::infinity(),
                                -std::numeric_limits<long double>::infinity()};
  for (long double v : values) {
    SCOPED_TRACE(double(v));
    uint8_t native[10], soft[10];
    LongDoubleToExtended(v, native);
    LongDoubleToExtendedSoft(v, soft);
    EXPECT_EQ(0, std::memcmp(native, soft, 10));
    long double back = ExtendedToLongDoubleSoft(native);
    EXPECT_EQ(back, v);
    EXPECT_EQ(std::signbit(back), std::signbit(v));
    EXPECT_EQ(ExtendedToLongDouble(soft), v);
  }
  uint8_t nan[10];
  LongDoubleToExtendedSoft(std::numeric_limits<long double>::quiet_NaN(), nan);
  EXPECT_TRUE(std::isnan(ExtendedToLongDouble(nan)));
  EXPECT_TRUE(std::isnan(ExtendedToLongDoubleSoft(nan)));
}

}  // namespace
}  // namespace tavrel
