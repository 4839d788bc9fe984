#include "check/java_discovery.h"

#include "check/check_limits.h"
#include "check/display_text.h"

namespace tavlun {
namespace {

bool IsHighSurrogate(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::wstring NormalizeJavaHome(const std::wstring& raw_home) {
  std::wstring home = TrimWhitespace(raw_home);
  if (home.size() > 1 && home.front() == L'"' && home.back() == L'"') home = home.substr(1, home.size() - 2);
  for (wchar_t& c : home) {
    if (c == L'/') c = L'\\';
  }
  while (home.size() > 3 && home.back() == L'\\') home.pop_back();
  return home;
}

void MergeJavaSource(JavaCandidate* candidate, const std::wstring& label, const std::wstring& raw_version) {
  if (!label.empty() && candidate->sources.find(label) == std::wstring::npos) {
    const std::size_t joined = candidate->sources.size() + 2 + label.size();
    if (joined <= kMaxJavaSourcesChars) candidate->sources += L"; " + label;
  }
  if (candidate->registryVersion.empty()) candidate->registryVersion = SanitizeVersionToken(raw_version, true);
}

std::size_t AddJavaCandidate(JavaCandidateSet* candidates, const std::wstring& raw_home, const std::wstring& label,
                             const std::wstring& raw_version) {
  std::wstring home = NormalizeJavaHome(raw_home);
  if (home.empty()) return kNoJavaCandidate;
  std::wstring folded = ToLowerText(home);
  const auto known = candidates->positions.find(folded);
  if (known != candidates->positions.end()) {
    MergeJavaSource(&candidates->list[known->second], label, raw_version);
    return known->second;
  }
  if (candidates->list.size() >= kMaxJavaCandidates) {
    candidates->full = true;
    return kNoJavaCandidate;
  }
  JavaCandidate candidate;
  candidate.home = std::move(home);
  candidate.sources = label.substr(0, kMaxJavaSourcesChars);
  candidate.registryVersion = SanitizeVersionToken(raw_version, true);
  const std::size_t index = candidates->list.size();
  candidates->list.push_back(std::move(candidate));
  candidates->positions.emplace(std::move(folded), index);
  return index;
}

std::wstring JavaSourceLabel(const std::wstring& root_label, const std::wstring& view_label, const std::wstring& key) {
  return root_label + L"/" + view_label + L"/" + key;
}

bool IsWellFormedUtf16(const std::wstring& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto u = static_cast<std::uint32_t>(text[i]);
    if (IsHighSurrogate(u)) {
      if (i + 1 >= text.size() || !IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) return false;
      ++i;
    } else if (IsLowSurrogate(u)) {
      return false;
    }
  }
  return true;
}

bool InterpretRegistryString(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                             EnvironmentExpander expand, std::wstring* text) {
  if (type != kRegistryTypeSz && type != kRegistryTypeExpandSz) return false;
  if (data == nullptr || size % 2 != 0 || size < 2 || size > kMaxRegistryStringBytes) return false;
  const std::size_t units = size / 2;
  std::wstring value;
  value.reserve(units);
  for (std::size_t i = 0; i < units; ++i) value.push_back(static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8)));
  if (value.back() != L'\0') return false;
  value.pop_back();
  if (value.find(L'\0') != std::wstring::npos) return false;
  if (!IsWellFormedUtf16(value)) return false;
  if (type == kRegistryTypeExpandSz) {
    std::wstring expanded;
    if (expand == nullptr || !expand(value, &expanded)) return false;
    if (expanded.find(L'%') != std::wstring::npos) return false;
    value = std::move(expanded);
  }
  if (value.empty()) return false;
  *text = std::move(value);
  return true;
}

}  // namespace tavlun
