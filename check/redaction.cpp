#include "check/redaction.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "check/display_text.h"

namespace tavlun {
namespace {

// Case folding plus one separator, so that "C:/Users/x" and "C:\USERS\X" match the same needle.
std::wstring FoldForPathMatch(const std::wstring& text) {
  std::wstring folded = ToLowerText(text);
  std::replace(folded.begin(), folded.end(), L'/', L'\\');
  return folded;
}

// A character that cannot continue a file or folder name, so a folder matched before it is the whole folder.
bool EndsName(wchar_t c) { return std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos; }

// Replaces whole folders only: "C:\Users\Ayse" is not replaced inside "C:\Users\AyseKaya" (the name rule takes that
// name whole instead of leaving "Kaya" behind a placeholder).
void ReplaceAllPathIgnoreCase(std::wstring* text, const std::wstring& needle, const std::wstring& replacement) {
  if (needle.empty()) return;
  std::wstring folded = FoldForPathMatch(*text);
  const std::wstring folded_needle = FoldForPathMatch(needle);
  const std::wstring folded_replacement = FoldForPathMatch(replacement);
  const bool needle_ends_name = EndsName(folded_needle.back());
  std::size_t position = 0;
  while (position + folded_needle.size() <= folded.size()) {
    const std::size_t match = folded.find(folded_needle, position);
    if (match == std::wstring::npos) break;
    const std::size_t after = match + folded_needle.size();
    if (!needle_ends_name && after < folded.size() && !EndsName(folded[after])) {
      position = match + 1;
      continue;
    }
    text->replace(match, folded_needle.size(), replacement);
    folded.replace(match, folded_needle.size(), folded_replacement);
    position = match + replacement.size();
  }
}

void RedactUserNameSegments(std::wstring* text) {
  static const std::wstring kUsersFolder = L"\\users\\";
  const std::wstring word = kRedactedUserWord;
  std::wstring folded = FoldForPathMatch(*text);
  std::size_t search_from = 0;
  for (;;) {
    const std::size_t match = folded.find(kUsersFolder, search_from);
    if (match == std::wstring::npos) return;
    const std::size_t begin = match + kUsersFolder.size();
    std::size_t end = folded.find(L'\\', begin);
    if (end == std::wstring::npos) end = folded.size();
    if (end == begin || folded[begin] == L'%') {
      search_from = end;
      continue;
    }
    text->replace(begin, end - begin, word);
    folded = FoldForPathMatch(*text);
    search_from = begin + word.size();
  }
}

}  // namespace

std::wstring RedactPathText(const std::wstring& text, const RedactionValues& values) {
  std::wstring redacted = SanitizeForDisplay(text);
  std::array<std::size_t, kRedactionVariables.size()> order{};
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&values](std::size_t a, std::size_t b) { return values[a].size() > values[b].size(); });
  for (std::size_t index : order) {
    // The text is display-safe by now, so the folder is looked for in its display-safe form.
    const std::wstring folder = SanitizeForDisplay(values[index]);
    if (folder.empty()) continue;
    ReplaceAllPathIgnoreCase(&redacted, folder, kRedactionVariables[index].placeholder);
  }
  RedactUserNameSegments(&redacted);
  return redacted;
}

}  // namespace tavlun
