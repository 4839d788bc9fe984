#include "tests/support/drive_snapshot.h"

#include <cwctype>

#include "core/text.h"
#include "core/unique_handle.h"

namespace tavlun::testing_support {
namespace {

std::uint64_t Time(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

}  // namespace

std::wstring LowerPath(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

Exclusions ExclusionsFor(const std::wstring& own_scratch) {
  Exclusions e;
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  e.temp = LowerPath(std::wstring(temp, length));
  if (!e.temp.empty() && e.temp.back() == L'\\') e.temp.pop_back();
  e.own_scratch = LowerPath(own_scratch);
  return e;
}

void Snapshot(const std::wstring& root, const Exclusions& exclusions, std::map<std::wstring, FileFacts>* out) {
  const bool in_temp = LowerPath(root) == exclusions.temp;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileExW(JoinPath(root, L"*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = JoinPath(root, name);
    const std::wstring lower = LowerPath(path);
    if (lower == exclusions.installer || (in_temp && lower != exclusions.own_scratch)) continue;
    const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (lower != exclusions.temp) {
      FileFacts facts;
      facts.attributes = data.dwFileAttributes;
      facts.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
      facts.written = Time(data.ftLastWriteTime);
      facts.created = Time(data.ftCreationTime);
      (*out)[lower] = facts;
    }
    if (directory && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) Snapshot(path, exclusions, out);
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace tavlun::testing_support
