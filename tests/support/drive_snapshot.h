// What a drive holds, file by file, to show that a run changed nothing it should not have.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

namespace tavlun::testing_support {

struct FileFacts {
  DWORD attributes = 0;
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  std::uint64_t created = 0;
  bool operator==(const FileFacts& o) const {
    return attributes == o.attributes && size == o.size && written == o.written && created == o.created;
  }
};

// What the snapshot leaves out: test programs of other areas run at the same time and create and remove their
// scratch folders in TEMP (so TEMP's own times change too), and the installer's tests use its work folder.
struct Exclusions {
  std::wstring temp;          // lower case, no trailing backslash
  std::wstring own_scratch;   // lower case; the only folder in TEMP that is compared
  std::wstring installer = L"c:\\programdata\\tavlunyardimcisi";
};

std::wstring LowerPath(std::wstring text);
Exclusions ExclusionsFor(const std::wstring& own_scratch);

// Every file and folder under `root` (links are listed, not followed), but for the exclusions, keyed by the lower
// case path.
void Snapshot(const std::wstring& root, const Exclusions& exclusions, std::map<std::wstring, FileFacts>* out);

}  // namespace tavlun::testing_support
