// A strict JSON reader for tests (RFC 8259 only): one value, no byte-order mark, UTF-8 checked (shortest form, no
// surrogates, at most U+10FFFF), escapes checked (a \u surrogate must be a pair), exact number grammar, no
// duplicate keys. Independent of the program's writer, so parsing its output proves it well-formed. Pure and
// header-only: the Windows tests and the native fuzz targets share it.
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
  std::u16string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;  // keys in UTF-8

  const JsonValue* Member(const std::string& key) const {
    const auto found = members.find(key);
    return kind == Kind::Object && found != members.end() ? &found->second : nullptr;
  }
};

class JsonReader {
 public:
  // False with `error` (and the byte offset) when the text is not exactly one JSON value.
  static bool Parse(const std::string& input, JsonValue* value, std::string* error) {
    JsonReader reader{input};
    *value = JsonValue();
    if (reader.Value(value, 0) && reader.at_ == input.size()) return true;
    const std::string what = reader.error_.empty() ? "text after the value" : reader.error_;
    *error = what + " at byte " + std::to_string(reader.at_);
    return false;
  }

  static std::string Utf8Of(const std::u16string& text) {
    static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      std::uint32_t c = text[i];
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      }
      const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
      out.push_back(static_cast<char>(kLead[extra] | (c >> (6 * extra))));
      for (int k = extra - 1; k >= 0; --k) out.push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
    return out;
  }

 private:
  explicit JsonReader(const std::string& input) : in_(input) {}
  const std::string& in_;
  std::size_t at_ = 0;
  std::string error_;

  bool Fail(const char* what) { return error_ = what, false; }
  bool AtEnd() const { return at_ >= in_.size(); }
  bool Eat(char c) { return !AtEnd() && in_[at_] == c ? (++at_, true) : false; }
  void Space() {
    while (Eat(' ') || Eat('\t') || Eat('\n') || Eat('\r')) {}
  }
  bool Digits() {
    const std::size_t start = at_;
    while (!AtEnd() && in_[at_] >= '0' && in_[at_] <= '9') ++at_;
    return at_ > start;
  }
  bool Literal(const std::string& w) {
    return in_.compare(at_, w.size(), w) != 0 ? Fail("unknown literal") : (at_ += w.size(), true);
  }

  bool Value(JsonValue* value, int depth) {
    Space();
    if (depth > 64) return Fail("nested too deeply");
    const char c = AtEnd() ? '\0' : in_[at_];
    const std::size_t start = at_;
    bool ok = true;
    if (c == '{' || c == '[') {
      ok = Container(value, depth, c == '{' ? '}' : ']');
    } else if (Eat('"')) {
      value->kind = JsonValue::Kind::String;
      ok = String(&value->text);
    } else if (c == 't' || c == 'f' || c == 'n') {
      value->kind = c == 'n' ? JsonValue::Kind::Null : JsonValue::Kind::Bool;
      value->boolean = c == 't';
      ok = Literal(c == 't' ? "true" : c == 'f' ? "false" : "null");
    } else {
      value->kind = JsonValue::Kind::Number;
      Eat('-');
      if (!Eat('0') && !(!AtEnd() && in_[at_] >= '1' && in_[at_] <= '9' && Digits())) return Fail("number expected");
      if (Eat('.') && !Digits()) return Fail("digits after the point expected");
      if ((Eat('e') || Eat('E')) && (Eat('+') || Eat('-') || true) && !Digits()) return Fail("exponent expected");
      value->number = in_.substr(start, at_ - start);
    }
    Space();
    return ok;
  }

  bool Container(JsonValue* value, int depth, char close) {
    value->kind = close == '}' ? JsonValue::Kind::Object : JsonValue::Kind::Array;
    ++at_;
    Space();
    if (Eat(close)) return true;
    for (;;) {
      std::u16string key;
      if (close == '}') {
        Space();
        if (!Eat('"')) return Fail("key expected");
        if (!String(&key)) return false;
        Space();
        if (!Eat(':')) return Fail("colon expected");
      }
      JsonValue item;
      if (!Value(&item, depth + 1)) return false;
      if (close == ']') {
        value->items.push_back(std::move(item));
      } else if (!value->members.emplace(Utf8Of(key), std::move(item)).second) {
        return Fail("duplicate key");
      }
      if (Eat(close)) return true;
      if (!Eat(',')) return Fail("comma or closing bracket expected");
    }
  }

  bool Hex4(std::uint32_t* unit) {
    *unit = 0;
    for (int i = 0; i < 4; ++i, ++at_) {
      const std::size_t d = AtEnd() ? std::string::npos : std::string("0123456789abcdefABCDEF").find(in_[at_]);
      if (d == std::string::npos) return Fail("hex digit expected");
      *unit = *unit * 16 + static_cast<std::uint32_t>(d < 16 ? d : d - 6);
    }
    return true;
  }

  // One UTF-8 sequence after a byte >= 0x80: shortest form, no surrogates, at most U+10FFFF.
  bool Utf8Sequence(std::u16string* text) {
    static const std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    const unsigned char lead = static_cast<unsigned char>(in_[at_]);
    const int extra = lead >= 0xF5 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || in_.size() - at_ <= static_cast<std::size_t>(extra)) return Fail("invalid UTF-8");
    std::uint32_t c = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char b = static_cast<unsigned char>(in_[at_ + k]);
      if ((b & 0xC0) != 0x80) return Fail("invalid UTF-8 continuation byte");
      c = (c << 6) | (b & 0x3F);
    }
    if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return Fail("overlong or surrogate UTF-8");
    at_ += extra + 1;
    if (c >= 0x10000) text->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10))), c = 0xDC00 + (c & 0x3FF);
    text->push_back(static_cast<char16_t>(c));
    return true;
  }

  // After the opening quote.
  bool String(std::u16string* text) {
    static const std::string kEscapes = "\"\\/bfnrt";
    static const std::u16string kEscaped = u"\"\\/\b\f\n\r\t";
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      const unsigned char c = static_cast<unsigned char>(in_[at_]);
      if (c < 0x20) return Fail("control character in a string");
      if (c >= 0x80 && !Utf8Sequence(text)) return false;
      if (c >= 0x80) continue;
      ++at_;
      if (c == '"') return true;
      if (c != '\\') {
        text->push_back(c);
        continue;
      }
      const std::size_t escape = AtEnd() ? std::string::npos : kEscapes.find(in_[at_]);
      if (escape != std::string::npos && ++at_) {
        text->push_back(kEscaped[escape]);
        continue;
      }
      std::uint32_t unit = 0, low = 0;
      if (!Eat('u')) return Fail("unknown escape");
      if (!Hex4(&unit)) return false;
      if (unit >= 0xDC00 && unit < 0xE000) return Fail("unpaired low surrogate escape");
      if (unit >= 0xD800 && unit < 0xDC00) {
        if (!Eat('\\') || !Eat('u') || !Hex4(&low) || low < 0xDC00 || low >= 0xE000) {
          return Fail("unpaired high surrogate escape");
        }
        text->push_back(static_cast<char16_t>(unit));
        unit = low;
      }
      text->push_back(static_cast<char16_t>(unit));
    }
  }
};

}  // namespace tavlun::testing_support
