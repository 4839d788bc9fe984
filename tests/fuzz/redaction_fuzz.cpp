// The text logic of the path redaction (RedactPathText) with hostile paths and hostile environment values.
//
// Input: UTF-16LE units; U+FFFF separates the text and the values of LOCALAPPDATA, APPDATA, TEMP, TMP and
// USERPROFILE, in that order (missing values are empty).
//
// Properties: the result holds no control or bidirectional character and no white space at either end; the only
// markup in it is the word that replaces a user name. After every "\users\" (either separator, any case) there
// is nothing, a "%" or exactly that word. A value (in its display-safe form) that cannot be confused with the
// inserted placeholders never survives as a whole folder, whatever its case or separators: what is left of it is
// always followed by more of a name (values and text are both read as Windows resolves a path). A path that
// Windows resolves into the profile folder never keeps the profile's name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/display_text.h"
#include "check/redaction.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

std::wstring FoldPath(const std::wstring& text) {
  std::wstring folded = tavlun::ToLowerText(text);
  for (wchar_t& c : folded) {
    if (c == L'/') c = L'\\';
  }
  return folded;
}

// A value that contains no "%", "<" or ">" and does not occur inside a placeholder or the user word cannot form
// across an inserted text, so nothing may be left of it.
bool IsTrackableValue(const std::wstring& value) {
  if (value.empty() || value.find_first_of(L"%<>") != std::wstring::npos) return false;
  const std::wstring folded = FoldPath(value);
  for (const auto& variable : tavlun::kRedactionVariables) {
    if (FoldPath(variable.placeholder).find(folded) != std::wstring::npos) return false;
  }
  return FoldPath(tavlun::kRedactedUserWord).find(folded) == std::wstring::npos;
}

// A character that cannot continue a file or folder name.
bool EndsName(wchar_t c) { return std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = SplitParts(Utf16FromBytes(data, size), 1 + tavlun::kRedactionVariables.size());
  tavlun::RedactionValues values;
  for (std::size_t i = 0; i < values.size() && i + 1 < parts.size(); ++i) values[i] = parts[i + 1];

  const std::wstring redacted = tavlun::RedactPathText(parts[0], values);
  FUZZ_CHECK(AllUtf16Units(redacted));

  // Display-safe apart from the user word's angle brackets.
  const std::wstring word = tavlun::kRedactedUserWord;
  std::wstring without_word = redacted;
  for (std::size_t at = without_word.find(word); at != std::wstring::npos; at = without_word.find(word, at)) {
    without_word.replace(at, word.size(), L"x");
  }
  FUZZ_CHECK(IsDisplaySafe(without_word));
  FUZZ_CHECK(redacted.empty() ||
             (!IsWhiteSpaceUnit(Unit(redacted.front())) && !IsWhiteSpaceUnit(Unit(redacted.back()))));

  // No user name after a users folder (or the Documents and Settings junction to it).
  const std::wstring folded = FoldPath(redacted);
  for (const std::wstring users : {L"\\users\\", L"\\documents and settings\\"}) {
    for (std::size_t at = folded.find(users); at != std::wstring::npos; at = folded.find(users, at + 1)) {
      const std::size_t begin = at + users.size();
      std::size_t end = folded.find(L'\\', begin);
      if (end == std::wstring::npos) end = folded.size();
      const std::wstring segment = redacted.substr(begin, end - begin);
      FUZZ_CHECK(segment.empty() || segment[0] == L'%' || segment == word);
    }
  }

  // A path that Windows resolves into the profile folder (any spelling: repeated separators, "." and "..",
  // trailing dots and blanks) loses the profile: with no other folder to compete, it starts with the placeholder.
  const std::wstring profile = FoldPath(tavlun::ResolvePathText(tavlun::SanitizeForDisplay(values.back())));
  bool others_empty = true;
  for (std::size_t i = 0; i + 1 < values.size(); ++i) others_empty = others_empty && values[i].empty();
  const std::wstring resolved = FoldPath(tavlun::ResolvePathText(tavlun::SanitizeForDisplay(parts[0])));
  if (others_empty && IsTrackableValue(profile) && !EndsName(profile.back()) && resolved.rfind(profile, 0) == 0 &&
      (resolved.size() == profile.size() || resolved[profile.size()] == L'\\')) {
    FUZZ_CHECK(folded.rfind(L"%userprofile%", 0) == 0);
  }

  for (const std::wstring& value : values) {
    const std::wstring safe = tavlun::ResolvePathText(tavlun::SanitizeForDisplay(value));
    if (!IsTrackableValue(safe)) continue;
    const std::wstring needle = FoldPath(safe);
    for (std::size_t at = folded.find(needle); at != std::wstring::npos; at = folded.find(needle, at + 1)) {
      const std::size_t after = at + needle.size();
      FUZZ_CHECK(!EndsName(needle.back()) && after < folded.size() && !EndsName(folded[after]));
    }
  }
  return 0;
}
