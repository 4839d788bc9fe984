// What the window tells screen readers: the status as one sentence, the check's two announcements, the names of
// the result list and its rows, and the access keys of the buttons. Pure: no Windows headers, builds natively too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/requirements.h"

namespace tavlun {

inline constexpr wchar_t kResultListName[] = L"Sistem kontrolü sonuçları";
inline constexpr wchar_t kCheckStartedSpeech[] = L"Sistem kontrolü yapılıyor…";

// "<title>. <detail>", or the title alone when there is no detail.
std::wstring StatusSpeech(const std::wstring& title, const std::wstring& detail);

// "Sistem kontrolü tamamlandı: <ready> hazır, <attention> dikkat, <missing> eksik", counted as the summary line.
std::wstring CheckFinishedSpeech(const std::vector<RequirementItem>& items);

// Two announcements made at the same moment, as one: a sentence end is added between them when the first has none.
std::wstring JoinSpeech(const std::wstring& first, const std::wstring& second);

// A list row as a screen reader names it: "<title>: <state word> — <detail>" (a pending row: "<title>: <detail>"),
// the row's visible text with the title joined by a colon instead of the tab the painting splits at.
std::wstring RowAccessibleName(const std::wstring& title, std::uint32_t display_state, const std::wstring& detail);

// Access keys: Alt and the letter press the button, the letter is underlined in its text.
inline constexpr wchar_t kGuideAccessKey = L'E';
inline constexpr wchar_t kCheckAccessKey = L'K';
inline constexpr wchar_t kInstallAccessKey = L'D';
inline constexpr wchar_t kCopyAccessKey = L'R';

// The label with "&" before the first occurrence of `key` (ASCII, either case); an "&" already in the label is
// doubled so that it shows as itself. A label without the letter gets no access key.
std::wstring WithAccessKey(const std::wstring& label, wchar_t key);

}  // namespace tavlun
