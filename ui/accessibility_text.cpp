#include "ui/accessibility_text.h"

#include "core/text.h"
#include "ui/status_text.h"

namespace tavlun {

std::wstring StatusSpeech(const std::wstring& title, const std::wstring& detail) {
  return detail.empty() ? title : JoinSpeech(title, detail);
}

std::wstring CheckFinishedSpeech(const std::vector<RequirementItem>& items) {
  const StateCounts counts = CountStates(items);
  return L"Sistem kontrolü tamamlandı: " + DecimalText(counts.ready) + L" hazır, " + DecimalText(counts.attention) +
         L" dikkat, " + DecimalText(counts.missing) + L" eksik";
}

std::wstring JoinSpeech(const std::wstring& first, const std::wstring& second) {
  if (first.empty()) return second;
  if (second.empty()) return first;
  const wchar_t last = first.back();
  const bool ended = last == L'.' || last == L'…' || last == L'!' || last == L'?' || last == L':';
  return first + (ended ? L" " : L". ") + second;
}

std::wstring RowAccessibleName(const std::wstring& title, std::uint32_t display_state, const std::wstring& detail) {
  std::wstring name = ComposeRowText(title, display_state, detail);
  const std::size_t tab = name.find(L'\t');
  if (tab != std::wstring::npos) name.replace(tab, 1, L": ");
  return name;
}

std::wstring WithAccessKey(const std::wstring& label, wchar_t key) {
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  std::wstring text;
  bool marked = false;
  for (const wchar_t c : label) {
    if (c == L'&') {
      text += L"&&";
      continue;
    }
    if (!marked && lower(c) == lower(key)) {
      text += L'&';
      marked = true;
    }
    text += c;
  }
  return text;
}

}  // namespace tavlun
