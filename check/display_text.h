// Display-safe text and case-insensitive matching for texts that come from outside the program (registry values,
// environment variables, file contents, paths). Pure: no Windows headers; values are treated as UTF-16 code units
// also where wchar_t is wider. None of these fails.
#pragma once

#include <string>

namespace tavlun {

// Lower-cases one code unit, one unit to one unit, for the Latin (including the Turkish letters), Greek, Cyrillic
// and Armenian scripts and the full-width Latin letters. The dotted capital I, the dotless small i and the long s
// fold onto "i" and "s" so that texts differing only in case compare equal whatever the letter's language.
wchar_t FoldCaseUnit(wchar_t unit);

// Every code unit through FoldCaseUnit; positions stay the same.
std::wstring ToLowerText(const std::wstring& text);

// The Unicode white-space characters (blank, TAB, CR, LF, VT, FF, NEL, no-break and the typographic spaces).
bool IsWhitespaceUnit(wchar_t unit);

// Without leading and trailing white space.
std::wstring TrimWhitespace(const std::wstring& text);

// Control characters (below 0x20, 0x7F to 0x9F) and the line and paragraph separators become blanks; "<", ">",
// "&" and the invisible or bidirectional formatting characters become "_"; the result is trimmed. The result has
// no line break or tab and neither begins nor ends with white space.
std::wstring SanitizeForDisplay(const std::wstring& text);

// Replaces, in place, every occurrence of `needle` compared through FoldCaseUnit by `replacement` (kept in its
// own case); the search continues after each inserted replacement. An empty needle changes nothing.
void ReplaceAllIgnoreCase(std::wstring* text, const std::wstring& needle, const std::wstring& replacement);

}  // namespace tavlun
