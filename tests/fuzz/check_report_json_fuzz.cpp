// The --check-report document on hostile texts. Input: UTF-16LE units, U+FFFF between the texts: tool version,
// time, Windows version, native machine, report text, then title and detail of up to six rows (the low two bits of
// a detail's first unit pick the row's state, 3 included). Properties: one JSON value for the strict test reader,
// every text read back as given (an unpaired surrogate as U+FFFD), ids, states, the DLL kind and the worst state
// as their words, no byte-order mark or raw control character.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/check_report_json.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/json_reader.h"

namespace {

using namespace tavlun::fuzz;
using tavlun::testing_support::JsonReader;
using tavlun::testing_support::JsonValue;

std::u16string Expected(const std::wstring& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t u = Unit(text[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && Unit(text[i + 1]) >= 0xDC00 &&
        Unit(text[i + 1]) <= 0xDFFF) {
      out.push_back(static_cast<char16_t>(u));
      out.push_back(static_cast<char16_t>(Unit(text[++i])));
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back(u'\uFFFD');
    } else {
      out.push_back(static_cast<char16_t>(u));
    }
  }
  return out;
}

void CheckString(const JsonValue* value, const std::u16string& text) {
  FUZZ_CHECK(value != nullptr && value->kind == JsonValue::Kind::String && value->text == text);
}
void CheckString(const JsonValue* value, const std::wstring& text) { CheckString(value, Expected(text)); }
void CheckWord(const JsonValue* value, const char* word) {
  CheckString(value, std::u16string(word, word + std::char_traits<char>::length(word)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::wstring> parts = SplitParts(Utf16FromBytes(data, size), 17);
  const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::wstring(); };
  tavlun::CheckReportDocument document;
  std::wstring* texts[] = {&document.toolVersion, &document.timeUtc, &document.windowsVersion,
                           &document.nativeMachine, &document.reportText};
  for (std::size_t i = 0; i < 5; ++i) *texts[i] = part(i);
  document.dllKind = static_cast<tavlun::DllStateKind>(size % 6);
  document.installOffered = size % 2 == 0;
  for (std::size_t i = 5; i + 1 < parts.size() && document.rows.size() < 6; i += 2) {
    const std::uint32_t state = parts[i + 1].empty() ? 0 : Unit(parts[i + 1][0]) & 3;
    document.rows.push_back(tavlun::RequirementItem{state, parts[i], parts[i + 1]});
  }

  const std::string json = tavlun::BuildCheckReportJson(document);
  FUZZ_CHECK(json.rfind("{\n", 0) == 0);
  for (unsigned char c : json) FUZZ_CHECK(c >= 0x20 || c == '\n');
  JsonValue root;
  std::string error;
  FUZZ_CHECK(JsonReader::Parse(json, &root, &error));
  const char* keys[] = {"tool_version", "time_utc", "windows_version", "native_machine", "report_text"};
  for (std::size_t i = 0; i < 5; ++i) CheckString(root.Member(keys[i]), *texts[i]);
  const JsonValue* dll = root.Member("dll_state");
  FUZZ_CHECK(dll != nullptr && dll->Member("install_offered") != nullptr);
  CheckWord(dll->Member("kind"), tavlun::DllStateKindId(document.dllKind));
  FUZZ_CHECK(dll->Member("install_offered")->kind == JsonValue::Kind::Bool &&
             dll->Member("install_offered")->boolean == document.installOffered);
  CheckWord(root.Member("result"),
            tavlun::RequirementStateId(static_cast<std::uint32_t>(tavlun::WorstRequirementState(document.rows))));
  const JsonValue* rows = root.Member("rows");
  FUZZ_CHECK(rows != nullptr && rows->kind == JsonValue::Kind::Array && rows->items.size() == document.rows.size());
  for (std::size_t i = 0; i < document.rows.size(); ++i) {
    const JsonValue& row = rows->items[i];
    CheckWord(row.Member("id"), tavlun::RequirementRowId(i));
    CheckString(row.Member("title"), document.rows[i].title);
    CheckString(row.Member("detail"), document.rows[i].detail);
    const std::uint32_t state = document.rows[i].state;
    CheckWord(row.Member("state"), state == 0 ? "ready" : state == 2 ? "missing" : "attention");
  }
  return 0;
}
