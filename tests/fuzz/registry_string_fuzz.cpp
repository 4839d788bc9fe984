// The acceptance rules of a registry string on the raw value bytes (InterpretRegistryString), as the check applies
// them to CurrentVersion and JavaHome values that anyone able to write those keys controls.
//
// Input: one byte choosing the value type (REG_NONE, REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ), then the value's
// bytes as the registry returns them.
//
// Properties: a value is accepted exactly when it is a string type of an even size from 2 to 65534 bytes whose
// last unit is the only NUL, with well-formed UTF-16, a non-empty result and, for REG_EXPAND_SZ, an expansion that
// succeeds and leaves no "%". The accepted text is the value without its NUL (or its expansion); a refused value
// leaves the output alone. IsWellFormedUtf16 agrees with a direct reading of the surrogate rules.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/java_discovery.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

// A fixed environment: %JAVA% and %PF% expand, %PCT% expands to a text holding "%", %NONE% to nothing; unknown
// references stay as they are (as ExpandEnvironmentStringsW leaves them). Results above 32767 characters fail.
bool FakeExpand(const std::wstring& text, std::wstring* expanded) {
  std::wstring out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t close = text[i] == L'%' ? text.find(L'%', i + 1) : std::wstring::npos;
    if (close == std::wstring::npos) {
      out.push_back(text[i++]);
      continue;
    }
    const std::wstring name = text.substr(i + 1, close - i - 1);
    if (name == L"JAVA") {
      out += L"C:\\Program Files\\Java\\jdk-17";
    } else if (name == L"PF") {
      out += L"C:\\Program Files";
    } else if (name == L"PCT") {
      out += L"100%";
    } else if (name == L"NONE") {
    } else {
      out += text.substr(i, close - i + 1);
    }
    i = close + 1;
    if (out.size() > 32767) return false;
  }
  *expanded = out;
  return true;
}

bool ExpectedWellFormed(const std::wstring& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t u = Unit(text[i]);
    const bool high = u >= 0xD800 && u <= 0xDBFF;
    const bool low = u >= 0xDC00 && u <= 0xDFFF;
    if (low) return false;
    if (high) {
      if (i + 1 == text.size() || Unit(text[i + 1]) < 0xDC00 || Unit(text[i + 1]) > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

// Empty when refused.
bool ExpectedValue(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::wstring* value) {
  if (type != 1 && type != 2) return false;
  if (size < 2 || size > 65534 || size % 2 != 0) return false;
  std::wstring units = Utf16FromBytes(data, size);
  if (units.back() != L'\0') return false;
  units.pop_back();
  for (wchar_t c : units) {
    if (c == L'\0') return false;
  }
  if (!ExpectedWellFormed(units)) return false;
  if (type == 2) {
    std::wstring expanded;
    if (!FakeExpand(units, &expanded) || expanded.find(L'%') != std::wstring::npos) return false;
    units = expanded;
  }
  if (units.empty()) return false;
  *value = units;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const std::uint32_t kTypes[] = {0, 1, 2, 7};
  const std::uint32_t type = kTypes[data[0] & 3];
  const std::uint8_t* value_bytes = size > 1 ? data + 1 : nullptr;
  const std::size_t value_size = size - 1;

  std::wstring text = L"(unset)";
  const bool accepted = tavlun::InterpretRegistryString(type, value_bytes, value_size, FakeExpand, &text);
  std::wstring expected;
  const bool expected_accepted = ExpectedValue(type, value_bytes, value_size, &expected);
  FUZZ_CHECK(accepted == expected_accepted);
  FUZZ_CHECK(text == (accepted ? expected : std::wstring(L"(unset)")));
  if (accepted) {
    FUZZ_CHECK(!text.empty() && text.find(L'\0') == std::wstring::npos && AllUtf16Units(text));
    // Without an expander no REG_EXPAND_SZ value is usable.
    std::wstring unexpanded;
    FUZZ_CHECK(tavlun::InterpretRegistryString(type, value_bytes, value_size, nullptr, &unexpanded) == (type == 1));
  }

  const std::wstring units = Utf16FromBytes(data, size);
  FUZZ_CHECK(tavlun::IsWellFormedUtf16(units) == ExpectedWellFormed(units));
  return 0;
}
