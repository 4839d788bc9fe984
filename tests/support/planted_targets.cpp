#include "tests/support/planted_targets.h"

#include <windows.h>

#include "core/text.h"
#include "resources/resource_ids.h"
#include "tests/support/test_support.h"

namespace tavlun::testing_support {
namespace {

void RemovePath(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ::RemoveDirectoryW(path.c_str());
  } else {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
  }
}

}  // namespace

PlantedTargets::PlantedTargets() {
  std::wstring message;
  if (!ResolveRequiredTargets(&targets_, &message) || targets_.size() != 2) return;
  for (const TargetEntry& target : targets_) {
    Saved saved;
    saved.path = target.location.file_path;
    const DWORD attributes = ::GetFileAttributesW(saved.path.c_str());
    saved.existed = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (saved.existed) saved.bytes = ReadBytes(saved.path);
    RemovePath(saved.path);
    saved_.push_back(std::move(saved));
  }
  ready_ = true;
}

PlantedTargets::~PlantedTargets() {
  for (const std::wstring& extra : extras_) RemovePath(extra);
  for (const Saved& saved : saved_) {
    RemovePath(saved.path);
    if (saved.existed) WriteBytes(saved.path, saved.bytes);
  }
}

bool PlantedTargets::PlantBytes(std::size_t index, const std::vector<std::uint8_t>& bytes) {
  return WriteBytes(Path(index), bytes);
}

bool PlantedTargets::PlantEmbedded(std::size_t index) {
  return PlantBytes(index, EmbeddedPayload(index == kTarget32 ? IDR_AKISP11_32 : IDR_AKISP11_64));
}

bool PlantedTargets::PlantCopy(std::size_t index, const std::wstring& source) {
  const std::vector<std::uint8_t> bytes = ReadBytes(source);
  return !bytes.empty() && PlantBytes(index, bytes);
}

bool PlantedTargets::PlantDirectory(std::size_t index) {
  return ::CreateDirectoryW(Path(index).c_str(), nullptr) != FALSE;
}

bool PlantedTargets::AddSecondLink(std::size_t index) {
  const std::wstring link = Path(index) + L".second-link";
  extras_.push_back(link);
  return ::CreateHardLinkW(link.c_str(), Path(index).c_str(), nullptr) != FALSE;
}

void PlantedTargets::Clear() {
  for (const Saved& saved : saved_) RemovePath(saved.path);
}

std::wstring TestDll(const std::wstring& name) { return JoinPath(JoinPath(TestBinDir(), L"dlls"), name); }

}  // namespace tavlun::testing_support
