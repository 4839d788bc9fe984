// A strict JSON reader for tests (RFC 8259, nothing more): one value with optional white space around it, no
// byte-order mark, UTF-8 checked byte for byte (no overlong forms, no surrogates, nothing past U+10FFFF), escapes
// checked (a \u surrogate must be a pair), numbers in the grammar's exact form, no duplicate keys in an object.
// Independent of the program's writer, so a test that parses the program's output proves it well-formed.
// Header-only and pure: the Windows tests and the native fuzz targets both use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tavlun::testing_support {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string number;  // the literal text
  std::u16string text;  // strings in UTF-16
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;  // keys in UTF-8

  const JsonValue* Member(const std::string& key) const {
    const auto found = members.find(key);
    return kind == Kind::Object && found != members.end() ? &found->second : nullptr;
  }
};

class JsonReader {
 public:
  // False with `error` set (and the byte offset in it) when the text is not exactly one JSON value.
  static bool Parse(const std::string& input, JsonValue* value, std::string* error) {
    JsonReader reader(input);
    reader.SkipSpace();
    if (!reader.ParseValue(value, 0)) {
      *error = reader.error_ + " at byte " + std::to_string(reader.at_);
      return false;
    }
    reader.SkipSpace();
    if (reader.at_ != input.size()) {
      *error = "text after the value at byte " + std::to_string(reader.at_);
      return false;
    }
    return true;
  }

  static std::string Utf8Of(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      std::uint32_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      }
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      }
    }
    return out;
  }

 private:
  static constexpr int kMaxDepth = 64;

  explicit JsonReader(const std::string& input) : in_(input) {}

  bool Fail(const char* what) {
    error_ = what;
    return false;
  }
  bool AtEnd() const { return at_ >= in_.size(); }
  unsigned char Peek() const { return static_cast<unsigned char>(in_[at_]); }
  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at_;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (in_.compare(at_, w.size(), w) != 0) return Fail("unknown literal");
    at_ += w.size();
    return true;
  }

  bool ParseValue(JsonValue* value, int depth) {
    if (depth > kMaxDepth) return Fail("nested too deeply");
    if (AtEnd()) return Fail("value expected");
    switch (Peek()) {
      case '{':
        return ParseObject(value, depth);
      case '[':
        return ParseArray(value, depth);
      case '"':
        value->kind = JsonValue::Kind::String;
        return ParseString(&value->text);
      case 't':
        value->kind = JsonValue::Kind::Bool;
        value->boolean = true;
        return Literal("true");
      case 'f':
        value->kind = JsonValue::Kind::Bool;
        return Literal("false");
      case 'n':
        value->kind = JsonValue::Kind::Null;
        return Literal("null");
      default:
        value->kind = JsonValue::Kind::Number;
        return ParseNumber(&value->number);
    }
  }

  bool Digits() {
    const std::size_t start = at_;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') ++at_;
    return at_ > start;
  }

  bool ParseNumber(std::string* number) {
    const std::size_t start = at_;
    if (!AtEnd() && Peek() == '-') ++at_;
    if (AtEnd()) return Fail("number expected");
    if (Peek() == '0') {
      ++at_;
    } else if (!(Peek() >= '1' && Peek() <= '9') || !Digits()) {
      return Fail("number expected");
    }
    if (!AtEnd() && Peek() == '.') {
      ++at_;
      if (!Digits()) return Fail("digits after the point expected");
    }
    if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
      ++at_;
      if (!AtEnd() && (Peek() == '+' || Peek() == '-')) ++at_;
      if (!Digits()) return Fail("exponent digits expected");
    }
    *number = in_.substr(start, at_ - start);
    return true;
  }

  bool Hex4(std::uint32_t* unit) {
    if (in_.size() - at_ < 4) return Fail("four hex digits expected");
    *unit = 0;
    for (int i = 0; i < 4; ++i) {
      const unsigned char c = Peek();
      const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                         : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (digit < 0) return Fail("hex digit expected");
      *unit = *unit * 16 + static_cast<std::uint32_t>(digit);
      ++at_;
    }
    return true;
  }

  void Append(std::uint32_t code_point, std::u16string* text) {
    if (code_point >= 0x10000) {
      code_point -= 0x10000;
      text->push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
      text->push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
    } else {
      text->push_back(static_cast<char16_t>(code_point));
    }
  }

  // One UTF-8 sequence, checked: shortest form, no surrogates, at most U+10FFFF.
  bool Utf8Sequence(std::u16string* text) {
    const unsigned char lead = Peek();
    std::size_t length = 0;
    std::uint32_t code_point = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code_point = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code_point = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code_point = lead & 0x07, minimum = 0x10000;
    } else {
      return Fail("invalid UTF-8 lead byte");
    }
    if (in_.size() - at_ < length) return Fail("truncated UTF-8 sequence");
    for (std::size_t i = 1; i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(in_[at_ + i]);
      if ((c & 0xC0) != 0x80) return Fail("invalid UTF-8 continuation byte");
      code_point = (code_point << 6) | (c & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      return Fail("overlong, surrogate or out-of-range UTF-8");
    }
    at_ += length;
    Append(code_point, text);
    return true;
  }

  bool ParseString(std::u16string* text) {
    ++at_;  // the opening quote
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      const unsigned char c = Peek();
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return Fail("control character in a string");
      if (c >= 0x80) {
        if (!Utf8Sequence(text)) return false;
        continue;
      }
      ++at_;
      if (c != '\\') {
        text->push_back(static_cast<char16_t>(c));
        continue;
      }
      if (AtEnd()) return Fail("unterminated escape");
      const unsigned char e = Peek();
      ++at_;
      switch (e) {
        case '"': text->push_back(u'"'); break;
        case '\\': text->push_back(u'\\'); break;
        case '/': text->push_back(u'/'); break;
        case 'b': text->push_back(u'\b'); break;
        case 'f': text->push_back(u'\f'); break;
        case 'n': text->push_back(u'\n'); break;
        case 'r': text->push_back(u'\r'); break;
        case 't': text->push_back(u'\t'); break;
        case 'u': {
          std::uint32_t unit = 0;
          if (!Hex4(&unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("unpaired low surrogate escape");
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            std::uint32_t low = 0;
            if (in_.compare(at_, 2, "\\u") != 0) return Fail("unpaired high surrogate escape");
            at_ += 2;
            if (!Hex4(&low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("unpaired high surrogate escape");
            text->push_back(static_cast<char16_t>(unit));
            text->push_back(static_cast<char16_t>(low));
          } else {
            text->push_back(static_cast<char16_t>(unit));
          }
          break;
        }
        default:
          return Fail("unknown escape");
      }
    }
  }

  bool ParseArray(JsonValue* value, int depth) {
    value->kind = JsonValue::Kind::Array;
    ++at_;
    SkipSpace();
    if (!AtEnd() && Peek() == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      JsonValue item;
      SkipSpace();
      if (!ParseValue(&item, depth + 1)) return false;
      value->items.push_back(std::move(item));
      SkipSpace();
      if (AtEnd()) return Fail("unterminated array");
      if (Peek() == ']') {
        ++at_;
        return true;
      }
      if (Peek() != ',') return Fail("comma or ] expected");
      ++at_;
    }
  }

  bool ParseObject(JsonValue* value, int depth) {
    value->kind = JsonValue::Kind::Object;
    ++at_;
    SkipSpace();
    if (!AtEnd() && Peek() == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      SkipSpace();
      if (AtEnd() || Peek() != '"') return Fail("key expected");
      std::u16string key;
      if (!ParseString(&key)) return false;
      SkipSpace();
      if (AtEnd() || Peek() != ':') return Fail("colon expected");
      ++at_;
      SkipSpace();
      JsonValue member;
      if (!ParseValue(&member, depth + 1)) return false;
      if (!value->members.emplace(Utf8Of(key), std::move(member)).second) return Fail("duplicate key");
      SkipSpace();
      if (AtEnd()) return Fail("unterminated object");
      if (Peek() == '}') {
        ++at_;
        return true;
      }
      if (Peek() != ',') return Fail("comma or } expected");
      ++at_;
    }
  }

  const std::string& in_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace tavlun::testing_support
