#include "platform/formtext.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/filer.h"
#include "platform/forms.h"
#include "platform/utf8.h"

namespace tavrel {

namespace {

class TextFormCompiler : public TWriter {
 public:
  explicit TextFormCompiler(std::string_view text) : text_(text) {}

  std::vector<uint8_t> Run() {
    PutRaw(kFormSignature, 4);
    SkipSpace();
    Object(0);
    SkipSpace();
    if (pos_ < text_.size()) Fail("text after the last \"end\"");
    return std::move(data_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    int line = 1, column = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    throw EReadError("form text, line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
  }

  void SkipSpace() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  static bool IdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
  static bool IdentChar(char c) { return IdentStart(c) || (c >= '0' && c <= '9'); }

  char Peek() {
    SkipSpace();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  void Expect(char c) {
    if (Peek() != c) Fail(std::string("\"") + c + "\" expected");
    ++pos_;
  }

  std::string Ident() {
    SkipSpace();
    if (pos_ >= text_.size() || !IdentStart(text_[pos_])) Fail("identifier expected");
    size_t start = pos_;
    while (pos_ < text_.size() && IdentChar(text_[pos_])) ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }

  std::string DottedIdent() {
    std::string name = Ident();
    while (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      name += "." + Ident();
    }
    return name;
  }

  bool AtWord(std::string_view word) {
    SkipSpace();
    if (text_.substr(pos_, word.size()) != word) return false;
    size_t after = pos_ + word.size();
    return after >= text_.size() || !IdentChar(text_[after]);
  }

  void Object(int depth) {
    if (depth > TReader::kMaxDepth) Fail("objects nested too deeply");
    if (!AtWord("object")) Fail("\"object\" expected");
    pos_ += 6;
    std::string first = Ident(), name, className;
    if (Peek() == ':') {
      ++pos_;
      name = first;
      className = Ident();
    } else {
      className = first;
    }
    WriteStr(className);
    WriteStr(name);
    Properties();
    WriteListEnd();
    while (AtWord("object")) Object(depth + 1);
    if (!AtWord("end")) Fail("\"end\" expected");
    pos_ += 3;
    WriteListEnd();
  }

  void Properties() {
    while (!AtWord("object") && !AtWord("end")) Property(0);
  }

  // "Name.Path = value"
  void Property(int depth) {
    std::string name = DottedIdent();
    if (name.size() > 255) Fail("property name too long");
    Expect('=');
    WriteStr(name);
    ValueText(depth);
  }

  void ValueText(int depth) {
    if (depth > TReader::kMaxDepth) Fail("values nested too deeply");
    char c = Peek();
    if (c == '\'' || c == '#') return WriteString(StringText());
    if (c == '-' || c == '$' || (c >= '0' && c <= '9')) return Number();
    if (c == '[') return SetText();
    if (c == '(') {
      ++pos_;
      WriteListBegin();
      while (Peek() != ')') {
        if (pos_ >= text_.size()) Fail("\")\" expected");
        ValueText(depth + 1);
      }
      ++pos_;
      return WriteListEnd();
    }
    if (c == '<') return CollectionText(depth);
    if (c == '{') return BinaryText();
    if (IdentStart(c)) {
      if (AtWord("end") || AtWord("object") || AtWord("item")) Fail("value expected");
      std::string ident = DottedIdent();
      if (ident.size() > 255) Fail("identifier too long");
      return WriteIdent(ident);
    }
    Fail("value expected");
  }

  std::string StringText() {
    std::string s;
    for (;;) {
      char c = Peek();
      if (c != '\'' && c != '#') Fail("string expected");
      while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
        if (text_[pos_] == '#') {
          ++pos_;
          size_t start = pos_;
          unsigned long code = 0;
          while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9' && code <= 0x10FFFF)
            code = code * 10 + unsigned(text_[pos_++] - '0');
          if (pos_ == start || code > 0x10FFFF) Fail("character code expected");
          AppendUTF8(s, char32_t(code));
        } else {
          ++pos_;
          for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("unterminated string");
            if (text_[pos_] == '\'') {
              if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                s += '\'';
                pos_ += 2;
                continue;
              }
              ++pos_;
              break;
            }
            s += text_[pos_++];
          }
        }
      }
      if (Peek() != '+') return s;
      ++pos_;
    }
  }

  void Number() {
    SkipSpace();
    size_t start = pos_;
    bool negative = text_[pos_] == '-';
    if (negative) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '$') {
      ++pos_;
      size_t digits = pos_;
      while (pos_ < text_.size() && std::isxdigit((unsigned char)text_[pos_])) ++pos_;
      if (pos_ == digits || pos_ - digits > 16) Fail("hexadecimal number expected");
      uint64_t v = std::strtoull(std::string(text_.substr(digits, pos_ - digits)).c_str(), nullptr, 16);
      return WriteInteger(int64_t(negative ? 0 - v : v));  // $FFFFFFFFFFFFFFFF is -1
    }
    bool isFloat = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c >= '0' && c <= '9') {
        ++pos_;
      } else if (c == '.' || c == 'e' || c == 'E') {
        isFloat = true;
        ++pos_;
        if ((c == 'e' || c == 'E') && pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      } else {
        break;
      }
    }
    std::string number(text_.substr(start, pos_ - start));
    char* end = nullptr;
    errno = 0;
    if (isFloat) {
      long double v = std::strtold(number.c_str(), &end);
      if (end != number.c_str() + number.size() || errno == ERANGE) Fail("bad number " + number);
      return WriteFloat(v);
    }
    long long v = std::strtoll(number.c_str(), &end, 10);
    if (number == "-" || end != number.c_str() + number.size() || errno == ERANGE) Fail("bad number " + number);
    WriteInteger(v);
  }

  void SetText() {
    Expect('[');
    std::vector<std::string> names;
    if (Peek() != ']') {
      names.push_back(Ident());
      while (Peek() == ',') {
        ++pos_;
        names.push_back(Ident());
      }
    }
    Expect(']');
    for (auto& n : names)
      if (n.size() > 255) Fail("set element too long");
    WriteSet(names);
  }

  void CollectionText(int depth) {
    Expect('<');
    WriteValue(vaCollection);
    while (Peek() != '>') {
      if (!AtWord("item")) Fail("\"item\" or \">\" expected");
      pos_ += 4;
      WriteListBegin();
      while (!AtWord("end")) {
        if (pos_ >= text_.size()) Fail("\"end\" expected");
        Property(depth + 1);
      }
      pos_ += 3;
      WriteListEnd();
    }
    ++pos_;
    WriteListEnd();
  }

  void BinaryText() {
    Expect('{');
    std::vector<uint8_t> bytes;
    int half = -1;
    for (;;) {
      char c = Peek();
      if (c == '}') break;
      if (!std::isxdigit((unsigned char)c)) Fail("hexadecimal digit expected");
      int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
      ++pos_;
      if (half < 0) {
        half = d;
      } else {
        bytes.push_back(uint8_t(half << 4 | d));
        half = -1;
      }
    }
    if (half >= 0) Fail("odd number of hexadecimal digits");
    ++pos_;
    WriteBinary(bytes);
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<uint8_t> ObjectTextToBinary(std::string_view text) { return TextFormCompiler(text).Run(); }

}  // namespace tavrel
