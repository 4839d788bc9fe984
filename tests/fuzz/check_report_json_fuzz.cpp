// The --check-report document on hostile texts: titles, details, the report text and the system facts as UTF-16
// with controls, quotes, backslashes, separators and unpaired surrogates.
//
// Input: UTF-16LE units; U+FFFF separates the texts: tool version, time, Windows version, native machine, report
// text, then title and detail of each row (at most six rows; the low two bits of a detail's first unit, when
// present, pick the row's state, values above 2 included).
//
// Properties: the document is exactly one JSON value for an independent strict reader (UTF-8 checked, escapes
// checked, no duplicate keys); every text reads back as given, with each unpaired surrogate as U+FFFD; row ids,
// states and the DLL kind are their fixed words; the overall result is the worst row state; the document is
// ASCII apart from the texts' own characters (no byte-order mark, no raw control character).
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

void CheckString(const JsonValue* value, const std::wstring& text) {
  FUZZ_CHECK(value != nullptr && value->kind == JsonValue::Kind::String);
  FUZZ_CHECK(value->text == Expected(text));
}

void CheckWord(const JsonValue* value, const char* word) {
  FUZZ_CHECK(value != nullptr && value->kind == JsonValue::Kind::String);
  FUZZ_CHECK(JsonReader::Utf8Of(value->text) == word);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::wstring> parts = SplitParts(Utf16FromBytes(data, size), 17);
  const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::wstring(); };
  tavlun::CheckReportDocument document;
  document.toolVersion = part(0);
  document.timeUtc = part(1);
  document.windowsVersion = part(2);
  document.nativeMachine = part(3);
  document.reportText = part(4);
  document.dllKind = static_cast<tavlun::DllStateKind>(size % 6);
  document.installOffered = size % 2 == 0;
  for (std::size_t i = 5; i + 1 < parts.size() && document.rows.size() < 6; i += 2) {
    tavlun::RequirementItem row;
    row.title = parts[i];
    row.detail = parts[i + 1];
    row.state = parts[i + 1].empty() ? 0 : Unit(parts[i + 1][0]) & 3;
    document.rows.push_back(row);
  }

  const std::string json = tavlun::BuildCheckReportJson(document);
  FUZZ_CHECK(json.rfind("{\n", 0) == 0);
  for (unsigned char c : json) FUZZ_CHECK(c >= 0x20 || c == '\n');
  JsonValue root;
  std::string error;
  FUZZ_CHECK(JsonReader::Parse(json, &root, &error));
  CheckString(root.Member("tool_version"), document.toolVersion);
  CheckString(root.Member("time_utc"), document.timeUtc);
  CheckString(root.Member("windows_version"), document.windowsVersion);
  CheckString(root.Member("native_machine"), document.nativeMachine);
  CheckString(root.Member("report_text"), document.reportText);
  const JsonValue* dll = root.Member("dll_state");
  FUZZ_CHECK(dll != nullptr && dll->Member("kind") != nullptr && dll->Member("install_offered") != nullptr);
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
