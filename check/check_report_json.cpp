#include "check/check_report_json.h"


namespace tavlun {
namespace {

constexpr const char* kRowIds[kRequirementCount] = {"akis-dll", "runtime",           "java",
                                                     "jnlp",     "smart-card-service", "reader-and-card"};

void AppendUtf8(std::uint32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

void AppendEscape(std::uint32_t unit, std::string* out) {
  static const char kHex[] = "0123456789abcdef";
  out->append("\\u");
  for (int shift = 12; shift >= 0; shift -= 4) out->push_back(kHex[(unit >> shift) & 0xF]);
}

void AppendString(const std::wstring& text, std::string* out) {
  out->push_back('"');
  out->append(JsonStringBody(text));
  out->push_back('"');
}

void AppendMember(const char* indent, const char* key, const std::string& value_json, bool last, std::string* out) {
  out->append(indent).append("\"").append(key).append("\": ").append(value_json).append(last ? "\n" : ",\n");
}

std::string Quoted(const std::wstring& text) {
  std::string value;
  AppendString(text, &value);
  return value;
}

std::string QuotedAscii(const char* text) { return std::string("\"") + text + "\""; }

}  // namespace

const char* RequirementRowId(std::size_t row_index) {
  return row_index < kRequirementCount ? kRowIds[row_index] : "unknown";
}

const char* RequirementStateId(std::uint32_t state) {
  switch (state) {
    case static_cast<std::uint32_t>(RequirementState::Ready):
      return "ready";
    case static_cast<std::uint32_t>(RequirementState::Missing):
      return "missing";
    default:
      return "attention";
  }
}

const char* DllStateKindId(DllStateKind kind) {
  switch (kind) {
    case DllStateKind::Missing:
      return "missing";
    case DllStateKind::MatchesPackage:
      return "matches-package";
    case DllStateKind::SameOrNewerKept:
      return "same-or-newer-kept";
    case DllStateKind::DifferentFile:
      return "different-file";
    case DllStateKind::UnsupportedArchitecture:
      return "unsupported-architecture";
    case DllStateKind::VerificationFailed:
      return "verification-failed";
  }
  return "verification-failed";
}

std::string JsonStringBody(const std::wstring& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t i = 0; i < text.size(); ++i) {
    // wchar_t is a UTF-16 unit on Windows; natively it may be wider, and a value past Unicode is replaced too.
    std::uint32_t unit = static_cast<std::uint32_t>(text[i]);
    if (unit > 0x10FFFF) unit = 0xFFFD;
    switch (unit) {
      case '"':
        out.append("\\\"");
        continue;
      case '\\':
        out.append("\\\\");
        continue;
      case '\b':
        out.append("\\b");
        continue;
      case '\f':
        out.append("\\f");
        continue;
      case '\n':
        out.append("\\n");
        continue;
      case '\r':
        out.append("\\r");
        continue;
      case '\t':
        out.append("\\t");
        continue;
      default:
        break;
    }
    if (unit < 0x20 || unit == 0x2028 || unit == 0x2029) {
      AppendEscape(unit, &out);
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
               static_cast<std::uint32_t>(text[i + 1]) >= 0xDC00 && static_cast<std::uint32_t>(text[i + 1]) <= 0xDFFF) {
      const std::uint32_t low = static_cast<std::uint32_t>(text[++i]);
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &out);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(0xFFFD, &out);
    } else {
      AppendUtf8(unit, &out);
    }
  }
  return out;
}

RequirementState WorstRequirementState(const std::vector<RequirementItem>& rows) {
  RequirementState worst = RequirementState::Ready;
  for (const RequirementItem& row : rows) {
    if (row.state == static_cast<std::uint32_t>(RequirementState::Missing)) return RequirementState::Missing;
    if (row.state != static_cast<std::uint32_t>(RequirementState::Ready)) worst = RequirementState::Attention;
  }
  return worst;
}

std::string BuildCheckReportJson(const CheckReportDocument& document) {
  std::string out = "{\n";
  const char* top = "  ";
  AppendMember(top, "format", std::to_string(kCheckReportFormat), false, &out);
  AppendMember(top, "tool", Quoted(L"Tavlun Yardımcısı"), false, &out);
  AppendMember(top, "tool_version", Quoted(document.toolVersion), false, &out);
  AppendMember(top, "time_utc", Quoted(document.timeUtc), false, &out);
  AppendMember(top, "windows_version", Quoted(document.windowsVersion), false, &out);
  AppendMember(top, "native_machine", Quoted(document.nativeMachine), false, &out);
  AppendMember(top, "result",
               QuotedAscii(RequirementStateId(static_cast<std::uint32_t>(WorstRequirementState(document.rows)))),
               false, &out);
  out.append("  \"dll_state\": {\n");
  AppendMember("    ", "kind", QuotedAscii(DllStateKindId(document.dllKind)), false, &out);
  AppendMember("    ", "install_offered", document.installOffered ? "true" : "false", true, &out);
  out.append("  },\n");
  out.append("  \"rows\": [");
  for (std::size_t i = 0; i < document.rows.size(); ++i) {
    const RequirementItem& row = document.rows[i];
    out.append(i == 0 ? "\n" : ",\n").append("    {\n");
    AppendMember("      ", "id", QuotedAscii(RequirementRowId(i)), false, &out);
    AppendMember("      ", "title", Quoted(row.title), false, &out);
    AppendMember("      ", "state", QuotedAscii(RequirementStateId(row.state)), false, &out);
    AppendMember("      ", "detail", Quoted(row.detail), true, &out);
    out.append("    }");
  }
  out.append(document.rows.empty() ? "],\n" : "\n  ],\n");
  AppendMember(top, "report_text", Quoted(document.reportText), true, &out);
  out.append("}\n");
  return out;
}

}  // namespace tavlun
