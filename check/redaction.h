// Privacy redaction of paths written into reports: the user's own folders become environment-variable
// placeholders and the name after a folder called "users" (or "Documents and Settings", the junction to it that
// Windows keeps) becomes "<kullanıcı>". None of these fails.
#pragma once

#include <array>
#include <string>

namespace tavlun {

// The variables whose values are replaced, in the order that decides ties, and their placeholders.
struct RedactionVariable {
  const wchar_t* name;
  const wchar_t* placeholder;
};
inline constexpr std::array<RedactionVariable, 5> kRedactionVariables{{
    {L"LOCALAPPDATA", L"%LOCALAPPDATA%"},
    {L"APPDATA", L"%APPDATA%"},
    {L"TEMP", L"%TEMP%"},
    {L"TMP", L"%TEMP%"},
    {L"USERPROFILE", L"%USERPROFILE%"},
}};

// Values of the variables above, in the same order; an empty value takes no part.
using RedactionValues = std::array<std::wstring, kRedactionVariables.size()>;

inline constexpr wchar_t kRedactedUserWord[] = L"<kullanıcı>";

// Pure text rule: SanitizeForDisplay and ResolvePathText, then each non-empty value (longest first, ties in table
// order), made display-safe and resolved the same way, replaced by its placeholder ignoring case wherever it stands
// as a whole folder (not followed by more of a name), then every name segment after "\users\" (then after
// "\documents and settings\") that is not empty and does not begin with "%" replaced by kRedactedUserWord. Forward
// slashes count as backslashes when matching, so a path written with either separator loses the same parts.
std::wstring RedactPathText(const std::wstring& text, const RedactionValues& values);

// Reads a path the way Windows resolves it, keeping its separators' style: a run of separators counts as one (two
// at the very start stay, for network paths), "." segments go, ".." takes the segment before it (never a drive),
// trailing dots and blanks of a segment are dropped, and so is a folder's index stream ("::$INDEX_ALLOCATION",
// ":$I30:$INDEX_ALLOCATION"); white space left at either end goes. Other text passes unchanged.
std::wstring ResolvePathText(const std::wstring& text);

// The word that stands for a program the clipboard does not name.
inline constexpr wchar_t kUnnamedProgramWord[] = L"gizlendi";

// The opener's file name for the clipboard: only a program file name (display-safe, ends in ".exe", no separator
// or colon) that contains neither the user name nor the name of the user's profile folder (nor a word of three
// or more letters of either, words ending at blanks and at ASCII marks such as "." "_" "-"); otherwise
// kUnnamedProgramWord.
std::wstring ProgramNameForClipboard(const std::wstring& opener_path, const RedactionValues& values,
                                     const std::wstring& user_name);

// A name from outside (a certificate's signer) holds the user name or the profile folder's name, or a word of
// three or more letters of either, by the same rule as ProgramNameForClipboard.
bool HoldsPrivateName(const std::wstring& text, const RedactionValues& values, const std::wstring& user_name);

// The variable's value; empty when absent, empty or longer than 32768 characters.
std::wstring ReadEnvironmentVariable(const std::wstring& name);

// The variables of the current process environment, read at every call.
RedactionValues ReadRedactionValues();

// RedactPathText with the current environment.
std::wstring RedactPathForReport(const std::wstring& text);

}  // namespace tavlun
