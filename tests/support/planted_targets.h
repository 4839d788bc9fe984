// The two akisp11.dll targets of the prefix's real system folders, emptied for a test and put back as they were
// when it ends, whatever the test did. Areas that use it run under the CTest resource lock wine_system_folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "target/targets.h"

namespace tavlun::testing_support {

inline constexpr std::size_t kTarget32 = 0;
inline constexpr std::size_t kTarget64 = 1;

class PlantedTargets {
 public:
  PlantedTargets();
  ~PlantedTargets();
  PlantedTargets(const PlantedTargets&) = delete;
  PlantedTargets& operator=(const PlantedTargets&) = delete;

  // False when the two targets of an x64 Windows could not be resolved and emptied.
  bool ready() const { return ready_; }
  const std::wstring& Path(std::size_t index) const { return targets_[index].location.file_path; }
  const std::wstring& Display(std::size_t index) const { return targets_[index].location.display_path; }

  bool PlantBytes(std::size_t index, const std::vector<std::uint8_t>& bytes);
  // The embedded build of that target, byte for byte.
  bool PlantEmbedded(std::size_t index);
  bool PlantCopy(std::size_t index, const std::wstring& source);
  bool PlantDirectory(std::size_t index);
  bool AddSecondLink(std::size_t index);
  // Both targets empty again.
  void Clear();

 private:
  struct Saved {
    std::wstring path;
    bool existed = false;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<TargetEntry> targets_;
  std::vector<Saved> saved_;
  std::vector<std::wstring> extras_;
  bool ready_ = false;
};

// A DLL the test tools build (build/tests/dlls/<name>).
std::wstring TestDll(const std::wstring& name);

}  // namespace tavlun::testing_support
