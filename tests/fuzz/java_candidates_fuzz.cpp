// Java homes, labels and version texts from the registry and JAVA_HOME: NormalizeJavaHome and the merging of
// AddJavaCandidate over a whole sequence of declarations.
//
// Input: UTF-16LE units; U+FFFF separates the texts, taken three at a time as home, label and version. When the
// first unit ends in the hexadecimal digit 1 the list starts with 127 other homes, so the bound of 128 is reached.
//
// Properties: a normalised home has no forward slash and no trailing backslash unless it is a drive root, and
// equals the rules applied one after the other. AddJavaCandidate returns the index of the home's candidate, or
// none only for an empty home or a new home once the list is full (which it then reports). The list never holds more than 128 candidates, never two homes
// that differ only in case, never an empty home; every home is in normalised form; every label list stays within
// 4096 characters and holds each label declared for that home (unless it would not fit); every registry version
// is empty or a version token with a leading digit; homes keep the order in which they were first declared.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/display_text.h"
#include "check/java_discovery.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

std::wstring ExpectedHome(const std::wstring& raw) {
  std::wstring home = tavlun::TrimWhitespace(raw);
  if (home.size() > 1 && home.front() == L'"' && home.back() == L'"') home = home.substr(1, home.size() - 2);
  for (wchar_t& c : home) {
    if (c == L'/') c = L'\\';
  }
  while (home.size() > 3 && home.back() == L'\\') home.pop_back();
  return home;
}

bool SameHome(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (tavlun::FoldCaseUnit(a[i]) != tavlun::FoldCaseUnit(b[i])) return false;
  }
  return true;
}

bool IsVersionToken(const std::wstring& token) {
  if (token.empty()) return true;
  if (token.size() > 96 || token[0] < L'0' || token[0] > L'9') return false;
  for (wchar_t c : token) {
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'.' || c == L'_' ||
          c == L'-' || c == L'+')) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring input = Utf16FromBytes(data, size);
  const auto parts = SplitParts(input, 64 * 3);

  tavlun::JavaCandidateSet set;
  const tavlun::JavaCandidateList& candidates = set.list;
  if (!input.empty() && (Unit(input[0]) & 0x0F) == 1) {
    for (int i = 0; i < 127; ++i) {
      tavlun::AddJavaCandidate(&set, L"C:\\Java\\filler" + std::to_wstring(i), L"HKLM/32-bit/x", L"");
    }
    FUZZ_CHECK(candidates.size() == 127);
  }
  std::vector<std::wstring> homes_in_order;
  for (const auto& candidate : candidates) homes_in_order.push_back(candidate.home);

  for (std::size_t i = 0; i < parts.size(); i += 3) {
    const std::wstring& raw_home = parts[i];
    const std::wstring label = i + 1 < parts.size() ? parts[i + 1] : std::wstring();
    const std::wstring version = i + 2 < parts.size() ? parts[i + 2] : std::wstring();

    const std::wstring home = tavlun::NormalizeJavaHome(raw_home);
    FUZZ_CHECK(home == ExpectedHome(raw_home));
    FUZZ_CHECK(home.find(L'/') == std::wstring::npos);
    FUZZ_CHECK(home.size() <= 3 || home.back() != L'\\');

    const std::size_t before = candidates.size();
    const bool was_full = set.full;
    const std::size_t index = tavlun::AddJavaCandidate(&set, raw_home, label, version);
    FUZZ_CHECK(candidates.size() <= 128u);
    // The index names the candidate of this home; only a new home beyond the bound is dropped, and says so.
    if (index != tavlun::kNoJavaCandidate) {
      FUZZ_CHECK(index < candidates.size() && SameHome(candidates[index].home, home));
    } else {
      FUZZ_CHECK(home.empty() || (before == 128u && set.full));
    }
    FUZZ_CHECK(!was_full || set.full);
    FUZZ_CHECK(candidates.size() == before || candidates.size() == before + 1);
    if (candidates.size() == before + 1) {
      FUZZ_CHECK(candidates.back().home == home);
      homes_in_order.push_back(home);
    }
    if (home.empty()) FUZZ_CHECK(candidates.size() == before);
    // The candidate of this home, if it was kept, carries the label unless the label would not fit.
    for (const auto& candidate : candidates) {
      if (!home.empty() && !label.empty() && SameHome(candidate.home, home)) {
        FUZZ_CHECK(candidate.sources.find(label) != std::wstring::npos ||
                   candidate.sources.size() + 2 + label.size() > 4096);
      }
    }
  }

  FUZZ_CHECK(homes_in_order.size() == candidates.size());
  FUZZ_CHECK(set.positions.size() == candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const auto& candidate = candidates[i];
    FUZZ_CHECK(candidate.home == homes_in_order[i]);
    FUZZ_CHECK(!candidate.home.empty());
    FUZZ_CHECK(candidate.home.find(L'/') == std::wstring::npos);
    FUZZ_CHECK(candidate.home.size() <= 3 || candidate.home.back() != L'\\');
    FUZZ_CHECK(candidate.sources.size() <= 4096);
    FUZZ_CHECK(IsVersionToken(candidate.registryVersion));
    FUZZ_CHECK(candidate.majorVersion == 0 && !candidate.homeValid && !candidate.javaExe.found);
  }
  std::vector<std::wstring> folded;
  for (const auto& candidate : candidates) folded.push_back(tavlun::ToLowerText(candidate.home));
  std::sort(folded.begin(), folded.end());
  FUZZ_CHECK(std::adjacent_find(folded.begin(), folded.end()) == folded.end());
  return 0;
}
