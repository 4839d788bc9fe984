#include "install/leftovers.h"

#include <vector>

namespace tavlun {
namespace {

constexpr wchar_t kPrefix[] = L".akisp11.";
constexpr wchar_t kSuffix[] = L".tmp";
constexpr wchar_t kEmptyFileDigest[] = L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsHex(wchar_t c) { return IsDigit(c) || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f'); }
bool AllDigits(const std::wstring& text) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}
bool AllHex(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!IsHex(c)) return false;
  }
  return true;
}
wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) return parts;
    start = end + 1;
  }
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

EngineFileKind ClassifyEngineFileName(const std::wstring& name) {
  const std::wstring prefix = kPrefix;
  const std::wstring suffix = kSuffix;
  if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      !EndsWith(name, suffix)) {
    return EngineFileKind::kNone;
  }
  const std::vector<std::wstring> parts =
      Split(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()), L'.');
  if (parts.size() == 3 && AllDigits(parts[0]) && AllDigits(parts[1]) && AllDigits(parts[2])) {
    return EngineFileKind::kTemporaryInstall;
  }
  if (parts.size() == 4 && parts[0] == L"rollback" && AllDigits(parts[1]) && AllDigits(parts[2]) &&
      AllDigits(parts[3])) {
    return EngineFileKind::kRollbackCopy;
  }
  if (parts.size() != 2 || parts[1].size() != 32 || !AllHex(parts[1])) return EngineFileKind::kNone;
  if (parts[0] == L"previous") return EngineFileKind::kPrevious;
  if (parts[0] == L"rescue") return EngineFileKind::kRescue;
  if (parts[0] == L"prior-recovery") return EngineFileKind::kPriorRecovery;
  if (parts[0] == L"part") return EngineFileKind::kStaging;
  return EngineFileKind::kNone;
}

bool ParseBackupFolderName(const std::wstring& name, std::wstring* digest_prefix) {
  const std::vector<std::wstring> parts = Split(name, L'-');
  if (parts.size() != 4 && parts.size() != 5) return false;
  if (parts[0].size() != 8 || !AllDigits(parts[0]) || parts[1].size() != 6 || !AllDigits(parts[1]) ||
      !AllDigits(parts[2]) || parts[3].empty() || parts[3].size() > 8 || !AllHex(parts[3]) ||
      (parts.size() == 5 && !AllDigits(parts[4]))) {
    return false;
  }
  *digest_prefix = parts[3];
  return true;
}

bool IsProvableLeftover(const LeftoverFacts& facts) {
  return facts.kind != EngineFileKind::kNone &&
         (facts.equals_build || facts.equals_verified_backup || facts.second_name_of_target);
}

bool IsInterruptedOriginal(const LeftoverFacts& facts) {
  // A rollback copy is the original a stopped rollback was putting back.
  return (facts.kind == EngineFileKind::kPrevious || facts.kind == EngineFileKind::kRollbackCopy) &&
         facts.equals_verified_backup && !facts.second_name_of_target;
}

bool IsRemovableBackupEntry(const std::wstring& digest_prefix, const std::wstring& name, std::uint64_t size) {
  if (ClassifyEngineFileName(name) == EngineFileKind::kStaging) return true;
  if (name != L"akisp11.dll" || size != 0) return false;
  const std::wstring empty = kEmptyFileDigest;
  for (std::size_t i = 0; i < digest_prefix.size(); ++i) {
    if (i >= empty.size() || Upper(digest_prefix[i]) != empty[i]) return true;
  }
  return false;  // the backup of an empty file is empty
}

bool IsRemovableLogEntry(const std::wstring& name, std::uint64_t size) {
  if (ClassifyEngineFileName(name) == EngineFileKind::kStaging) return true;
  return size == 0 && name.size() > 4 && EndsWith(name, L".log");
}

}  // namespace tavlun
