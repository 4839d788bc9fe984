#include "check/redaction.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

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

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveSegment(const std::wstring& segment) { return segment.size() == 2 && segment[1] == L':'; }

// The last segment of a resolved path, without separators around it.
std::wstring LastSegment(const std::wstring& path) {
  std::size_t end = path.size();
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  std::size_t begin = end;
  while (begin > 0 && !IsSeparator(path[begin - 1])) --begin;
  return path.substr(begin, end - begin);
}

// A character that is not part of a word of a name: everything below U+0080 but the Latin letters and digits.
bool EndsWord(wchar_t c) {
  return c < 0x80 && !((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'));
}

// The names that identify the user: the user name, the profile folder's name, and the name after a users folder
// in any of the user's folders; each also by its words of three letters or more.
std::vector<std::wstring> PrivateNames(const RedactionValues& values, const std::wstring& user_name) {
  std::vector<std::wstring> names = {user_name, LastSegment(ResolvePathText(values.back()))};
  for (const std::wstring& value : values) {
    const std::wstring resolved = ResolvePathText(value);
    const std::wstring folded = FoldForPathMatch(resolved);
    const std::size_t users = folded.find(L"\\users\\");
    if (users == std::wstring::npos) continue;
    const std::size_t begin = users + 7;
    const std::size_t end = folded.find(L'\\', begin);
    names.push_back(resolved.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin));
  }
  std::vector<std::wstring> folded_names;
  for (const std::wstring& name : names) {
    const std::wstring folded = ToLowerText(SanitizeForDisplay(name));
    if (folded.empty()) continue;
    folded_names.push_back(folded);
    // Words end at blanks and at any other mark a name can hold ("ayse.kaya", "ayse_kaya", "kaya-ayse").
    std::size_t begin = 0;
    while (begin < folded.size()) {
      std::size_t end = begin;
      while (end < folded.size() && !EndsWord(folded[end])) ++end;
      if (end - begin >= 3 && end - begin < folded.size()) folded_names.push_back(folded.substr(begin, end - begin));
      begin = end + 1;
    }
  }
  return folded_names;
}

// The profiles folder, and the junction that every Windows keeps to it for older programs' paths.
constexpr const wchar_t* kProfilesFolders[] = {L"\\users\\", L"\\documents and settings\\"};

void RedactUserNameSegments(std::wstring* text, const std::wstring& profiles_folder) {
  const std::wstring word = kRedactedUserWord;
  std::wstring folded = FoldForPathMatch(*text);
  std::size_t search_from = 0;
  for (;;) {
    const std::size_t match = folded.find(profiles_folder, search_from);
    if (match == std::wstring::npos) return;
    const std::size_t begin = match + profiles_folder.size();
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

// NTFS opens a folder through its index stream too: "Users::$INDEX_ALLOCATION" and "Users:$I30:$INDEX_ALLOCATION"
// name the folder "Users", also in the middle of a path.
void DropDirectoryStreamSuffix(std::wstring* segment) {
  for (const std::wstring_view suffix : {std::wstring_view(L"::$index_allocation"),
                                         std::wstring_view(L":$i30:$index_allocation")}) {
    if (segment->size() <= suffix.size()) continue;
    const std::size_t at = segment->size() - suffix.size();
    if (ToLowerText(segment->substr(at)) == suffix) {
      segment->resize(at);
      return;
    }
  }
}

}  // namespace

std::wstring ResolvePathText(const std::wstring& text) {
  struct Segment {
    std::wstring name;
    wchar_t separator;  // the first of the run that followed it; 0 at the end of the text
  };
  std::wstring lead;  // separators before the first segment: two at most, as a network path starts
  std::size_t i = 0;
  for (; i < text.size() && IsSeparator(text[i]); ++i) {
    if (lead.size() < 2) lead.push_back(text[i]);
  }
  std::vector<Segment> segments;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    std::wstring name = text.substr(i, end - i);
    const wchar_t separator = end < text.size() ? text[end] : L'\0';
    while (end < text.size() && IsSeparator(text[end])) ++end;
    i = end;
    DropDirectoryStreamSuffix(&name);
    if (name == L"..") {
      if (!segments.empty() && !IsDriveSegment(segments.back().name)) segments.pop_back();
      continue;
    }
    std::size_t keep = name.size();
    while (keep > 0 && (name[keep - 1] == L'.' || name[keep - 1] == L' ')) --keep;
    if (keep == 0) continue;  // "." and names made only of dots and blanks name no folder of their own
    name.resize(keep);
    segments.push_back({std::move(name), separator});
  }
  std::wstring resolved = lead;
  for (const Segment& segment : segments) {
    resolved += segment.name;
    if (segment.separator != L'\0') resolved.push_back(segment.separator);
  }
  // A dropped first segment can leave a blank in front ("..\ x"); the end never holds one.
  return TrimWhitespace(resolved);
}

std::wstring ProgramNameForClipboard(const std::wstring& opener_path, const RedactionValues& values,
                                     const std::wstring& user_name) {
  const std::size_t slash = opener_path.find_last_of(L"\\/");
  const std::wstring name =
      SanitizeForDisplay(slash == std::wstring::npos ? opener_path : opener_path.substr(slash + 1));
  const std::wstring folded = ToLowerText(name);
  const bool program = folded.size() > 4 && folded.compare(folded.size() - 4, 4, L".exe") == 0 &&
                       folded.find_first_of(L"\\/:") == std::wstring::npos;
  if (!program) return kUnnamedProgramWord;
  for (const std::wstring& private_name : PrivateNames(values, user_name)) {
    if (folded.find(private_name) != std::wstring::npos) return kUnnamedProgramWord;
  }
  return name;
}

bool HoldsPrivateName(const std::wstring& text, const RedactionValues& values, const std::wstring& user_name) {
  const std::wstring folded = ToLowerText(SanitizeForDisplay(text));
  for (const std::wstring& private_name : PrivateNames(values, user_name)) {
    if (folded.find(private_name) != std::wstring::npos) return true;
  }
  return false;
}

std::wstring RedactPathText(const std::wstring& text, const RedactionValues& values) {
  // Windows would open the same folder under each spelling it resolves, so the rules see the resolved path.
  std::wstring redacted = ResolvePathText(SanitizeForDisplay(text));
  std::array<std::size_t, kRedactionVariables.size()> order{};
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&values](std::size_t a, std::size_t b) { return values[a].size() > values[b].size(); });
  for (std::size_t index : order) {
    // The text is display-safe by now, so the folder is looked for in its display-safe form.
    const std::wstring folder = ResolvePathText(SanitizeForDisplay(values[index]));
    if (folder.empty()) continue;
    ReplaceAllPathIgnoreCase(&redacted, folder, kRedactionVariables[index].placeholder);
  }
  for (const wchar_t* profiles_folder : kProfilesFolders) RedactUserNameSegments(&redacted, profiles_folder);
  return redacted;
}

}  // namespace tavlun
