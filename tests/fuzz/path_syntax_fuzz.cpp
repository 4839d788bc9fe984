// The text rules of local paths (CheckLocalPathText, CheckPathComponent, IsWindowsDeviceName, PathForOpening) and
// the file-name rule of the .jnlp opener (OpenerFileName, ClassifyJnlpOpener), on paths from the registry, the
// environment and file associations.
//
// Input: UTF-16LE units, the path.
//
// Properties: the verdict and the fragment equal an independent reading of the rules in their order; an accepted
// path is "X:\" and components that are each accepted on their own, with no colon, doubled backslash or forward
// slash, no component "." or "..", none ending in a dot or blank, none holding < > " | ? * and no device name;
// the form opened is the path itself or the path behind "\\?\". The opener's file name is the text after the last
// separator, and only a valid program called javaws.exe counts as a Web Start launcher.
#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "check/display_text.h"
#include "check/jnlp_association.h"
#include "check/path_safety.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

bool ExpectedDeviceName(const std::wstring& component) {
  std::wstring base = component.substr(0, component.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();  // "nul .txt" is the NUL device
  for (wchar_t& c : base) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  }
  for (const wchar_t* name : {L"con", L"prn", L"aux", L"nul", L"clock$", L"conin$", L"conout$"}) {
    if (base == name) return true;
  }
  if (base.size() != 4) return false;
  const std::wstring stem = base.substr(0, 3);
  const std::uint32_t digit = Unit(base[3]);
  const bool device_digit = (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  return device_digit && (stem == L"com" || stem == L"lpt");
}

bool IsRelativeOrAmbiguous(const std::wstring& c) {
  return c.empty() || c == L"." || c == L".." || c.back() == L'.' || c.back() == L' ' ||
         c.find_first_of(L"<>\"|?*") != std::wstring::npos;
}

std::wstring ExpectedComponentVerdict(const std::wstring& component) {
  if (component.find_first_of(L":/\\") != std::wstring::npos) return tavlun::kPathAmbiguousForm;
  if (IsRelativeOrAmbiguous(component)) return tavlun::kPathBadComponent;
  if (ExpectedDeviceName(component)) return tavlun::kPathDeviceName;
  return std::wstring();
}

std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> components(1);
  for (std::size_t i = 3; i < path.size(); ++i) {
    if (path[i] == L'\\') {
      components.emplace_back();
    } else {
      components.back().push_back(path[i]);
    }
  }
  return components;
}

std::wstring ExpectedPathVerdict(const std::wstring& path) {
  if (path.size() < 3 || path.size() > 32767 || !std::iswalpha(static_cast<std::wint_t>(path[0])) || path[1] != L':' ||
      (path[2] != L'\\' && path[2] != L'/')) {
    return tavlun::kPathNotLocalAbsolute;
  }
  for (std::size_t i = 2; i < path.size(); ++i) {
    if (path[i] == L':' || path[i] == L'/' || (path[i] == L'\\' && i + 1 < path.size() && path[i + 1] == L'\\')) {
      return tavlun::kPathAmbiguousForm;
    }
  }
  const auto components = Components(path);
  for (const auto& component : components) {
    if (IsRelativeOrAmbiguous(component)) return tavlun::kPathBadComponent;
  }
  for (const auto& component : components) {
    if (ExpectedDeviceName(component)) return tavlun::kPathDeviceName;
  }
  return std::wstring();
}

void CheckOpener(const std::wstring& path) {
  const std::wstring name = tavlun::OpenerFileName(path);
  const std::size_t separator = path.find_last_of(L"\\/");
  FUZZ_CHECK(name == (separator == std::wstring::npos ? path : path.substr(separator + 1)));
  FUZZ_CHECK(name.find_first_of(L"\\/") == std::wstring::npos);
  using Kind = tavlun::JnlpOpenerKind;
  FUZZ_CHECK(tavlun::ClassifyJnlpOpener(false, true, path) == Kind::NoOpener);
  FUZZ_CHECK(tavlun::ClassifyJnlpOpener(true, false, path) == Kind::OpenerNotExamined);
  const bool javaws = tavlun::ToLowerText(name) == L"javaws.exe";
  FUZZ_CHECK(tavlun::ClassifyJnlpOpener(true, true, path) == (javaws ? Kind::JavawsOpener : Kind::OtherOpener));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring path = Utf16FromBytes(data, size);

  std::wstring message = L"(unset)";
  const bool accepted = tavlun::CheckLocalPathText(path, &message);
  const std::wstring expected = ExpectedPathVerdict(path);
  FUZZ_CHECK(accepted == expected.empty());
  FUZZ_CHECK(message == (accepted ? std::wstring(L"(unset)") : expected));
  if (accepted) {
    FUZZ_CHECK(path.size() >= 4 && path[1] == L':' && path[2] == L'\\');
    for (const auto& component : Components(path)) FUZZ_CHECK(tavlun::CheckPathComponent(component, nullptr));
    const std::wstring opened = tavlun::PathForOpening(path);
    FUZZ_CHECK(opened == path || (path.size() >= 248 && opened == L"\\\\?\\" + path));
  }

  std::wstring component_message = L"(unset)";
  const bool component_ok = tavlun::CheckPathComponent(path, &component_message);
  const std::wstring component_expected = ExpectedComponentVerdict(path);
  FUZZ_CHECK(component_ok == component_expected.empty());
  FUZZ_CHECK(component_message == (component_ok ? std::wstring(L"(unset)") : component_expected));
  FUZZ_CHECK(tavlun::IsWindowsDeviceName(path) == ExpectedDeviceName(path));

  CheckOpener(path);
  return 0;
}
