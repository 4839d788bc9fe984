// hostile_check_bench: wall time of the whole read-only check (BuildDiagnosticReport) on machine states that a
// standard user or a broken machine can build, beside the same check on the plain prefix, as ratios of one run.
//  - plain: the prefix as it is (median of three runs);
//  - big_dll: a sparse akisp11.dll of kBigDllMiB MiB at the 32-bit target (SysWOW64);
//  - signed_dll: a small signed DLL (build/tests/signed/x64-trusted.dll) at the same target, so the check runs
//    its signature verification once (in this process the first, which loads wintrust and the root store);
//  - signed_big: the same DLL grown to the signature check's size limit (64 MiB) with a sparse gap before its
//    signature, so that WinVerifyTrust hashes the whole file before it finds the digest changed (its worst case);
//  - signed_over: the same grown to 1 GiB (the PE inspection limit), past the signature limit: not examined;
//  - hkcu_values: kHkcuValues subkeys under HKCU\SOFTWARE\JavaSoft\JDK, each with a JavaHome of 32766
//    characters that differs from the others only at its end;
//  - deep_homes: kDeepHomes Java homes, each kDeepLevels folders deep (with an empty bin folder), declared under
//    HKCU\SOFTWARE\JavaSoft\JRE.
// Every planted file, folder and key is removed again; a state that cannot be planted (something already there)
// stops the benchmark before anything is measured. One line per case (key=value), then the ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "check/report.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "integrity/authenticode.h"
#include "integrity/little_endian.h"

namespace {

constexpr int kPlainRuns = 3;
constexpr std::uint64_t kBigDllMiB = 1024;
constexpr int kHkcuValues = 256;
constexpr int kDeepHomes = 32;
constexpr int kDeepLevels = 200;
constexpr wchar_t kJdkKey[] = L"SOFTWARE\\JavaSoft\\JDK";
constexpr wchar_t kJreKey[] = L"SOFTWARE\\JavaSoft\\JRE";
constexpr wchar_t kJavaSoftKey[] = L"SOFTWARE\\JavaSoft";

using tavlun::bench::NowMs;

struct Run {
  double ms = 0;
  std::size_t findings = 0;
};

Run TimeCheck() {
  const double start = NowMs();
  const tavlun::DiagnosticReport report = tavlun::BuildDiagnosticReport();
  return {NowMs() - start, report.findings.size()};
}

std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

bool KeyExists(const wchar_t* path) {
  tavlun::UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteKeyTree(const wchar_t* path) { ::RegDeleteTreeW(HKEY_CURRENT_USER, path); }

bool SetJavaHome(const std::wstring& key_path, const std::wstring& home) {
  tavlun::UniqueRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExW(key.get(), L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                          static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring TempRoot() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring temp(buffer, length);
  while (temp.size() > 3 && temp.back() == L'\\') temp.pop_back();
  return tavlun::JoinPath(temp, L"tavlun-hostile-bench-" + std::to_wstring(::GetCurrentProcessId()));
}

// A sparse file: the size is set without writing, so the disk holds almost nothing.
bool PlantBigDll(const std::wstring& path) {
  tavlun::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD ignored = 0;
  ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = static_cast<LONGLONG>(kBigDllMiB) * 1024 * 1024;
  return ::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get());
}

std::vector<std::uint8_t> ReadWhole(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  tavlun::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 24)) return bytes;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
    bytes.clear();
  }
  return bytes;
}

// The signed DLL as it is (total 0), or grown to `total` bytes: its image, a sparse gap, then its certificate
// table, which the data directory is moved to. The signature's digest then no longer matches.
bool PlantSignedDll(const std::wstring& path, std::vector<std::uint8_t> dll, std::uint64_t total) {
  std::uint32_t table_offset = 0;
  std::uint32_t table_size = 0;
  if (!tavlun::FindCertificateTable(dll.data(), dll.size(), &table_offset, &table_size)) return false;
  const std::vector<std::uint8_t> table(dll.begin() + table_offset, dll.begin() + table_offset + table_size);
  std::uint64_t new_offset = table_offset;
  if (total != 0) {
    new_offset = (total - table_size) & ~std::uint64_t{7};
    const std::uint32_t nt = tavlun::ReadLe32(dll.data() + tavlun::pe::kHeaderOffsetField);
    const std::uint32_t optional = nt + tavlun::pe::kSignatureAndFileHeader;
    const bool plus = tavlun::ReadLe16(dll.data() + optional) == tavlun::pe::kMagicPe32Plus;
    const std::uint32_t directory = optional + (plus ? 112 : 96) + 4 * 8;
    for (int i = 0; i < 4; ++i) dll[directory + i] = static_cast<std::uint8_t>(new_offset >> (8 * i));
  }
  tavlun::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD ignored = 0;
  ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  DWORD written = 0;
  if (!::WriteFile(file.get(), dll.data(), table_offset, &written, nullptr) || written != table_offset) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(new_offset);
  return ::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) &&
         ::WriteFile(file.get(), table.data(), table_size, &written, nullptr) && written == table_size &&
         ::SetEndOfFile(file.get());
}

// kDeepHomes homes of kDeepLevels folders "d" below root\hN, each with a bin folder. Returns the homes.
std::vector<std::wstring> PlantDeepHomes(const std::wstring& root) {
  std::vector<std::wstring> homes;
  ::CreateDirectoryW(Long(root).c_str(), nullptr);
  for (int h = 0; h < kDeepHomes; ++h) {
    std::wstring home = tavlun::JoinPath(root, L"h" + std::to_wstring(h));
    ::CreateDirectoryW(Long(home).c_str(), nullptr);
    for (int level = 1; level < kDeepLevels; ++level) {
      home = tavlun::JoinPath(home, L"d");
      ::CreateDirectoryW(Long(home).c_str(), nullptr);
    }
    if (!::CreateDirectoryW(Long(tavlun::JoinPath(home, L"bin")).c_str(), nullptr)) return {};
    homes.push_back(home);
  }
  return homes;
}

void RemoveDeepHomes(const std::wstring& root, const std::vector<std::wstring>& homes) {
  for (std::wstring home : homes) {
    ::RemoveDirectoryW(Long(tavlun::JoinPath(home, L"bin")).c_str());
    for (;;) {
      ::RemoveDirectoryW(Long(home).c_str());
      const std::size_t slash = home.rfind(L'\\');
      if (slash == std::wstring::npos || home.size() <= root.size() + 1) break;
      home.resize(slash);
      if (home == root) break;
    }
  }
  ::RemoveDirectoryW(Long(root).c_str());
}

void Print(const char* name, const Run& run) {
  std::printf("case=%s ms=%.0f findings=%u\n", name, run.ms, static_cast<unsigned>(run.findings));
  std::fflush(stdout);
}

}  // namespace

int wmain() {
  int probe_exit = 0;
  if (tavlun::bench::RanAsProbeChild(&probe_exit)) return probe_exit;

  wchar_t wow64[MAX_PATH + 1] = {};
  const UINT wow64_length = ::GetSystemWow64DirectoryW(wow64, MAX_PATH + 1);
  const std::wstring big_dll =
      tavlun::JoinPath(wow64_length != 0 && wow64_length <= MAX_PATH ? std::wstring(wow64, wow64_length)
                                                                     : std::wstring(L"C:\\windows\\syswow64"),
                       L"akisp11.dll");
  if (::GetFileAttributesW(big_dll.c_str()) != INVALID_FILE_ATTRIBUTES || KeyExists(kJdkKey) || KeyExists(kJreKey)) {
    std::fprintf(stderr, "the prefix already holds akisp11.dll or HKCU JavaSoft keys; nothing was measured\n");
    return 1;
  }
  const bool javasoft_existed = KeyExists(kJavaSoftKey);

  std::vector<double> plain_ms;
  std::size_t plain_findings = 0;
  for (int i = 0; i < kPlainRuns; ++i) {
    const Run run = TimeCheck();
    plain_ms.push_back(run.ms);
    plain_findings = run.findings;
  }
  std::sort(plain_ms.begin(), plain_ms.end());
  const Run plain{plain_ms[plain_ms.size() / 2], plain_findings};
  Print("plain", plain);

  Run big;
  if (!PlantBigDll(big_dll)) {
    std::fprintf(stderr, "the big akisp11.dll could not be planted\n");
    ::DeleteFileW(big_dll.c_str());
    return 1;
  }
  big = TimeCheck();
  ::DeleteFileW(big_dll.c_str());
  Print("big_dll", big);

  // The signed test DLL lies beside the test programs: bench\..\tests\signed.
  wchar_t self[MAX_PATH + 1] = {};
  const DWORD self_length = ::GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
  std::wstring build_dir(self, self_length);
  for (int up = 0; up < 2 && build_dir.rfind(L'\\') != std::wstring::npos; ++up) build_dir.resize(build_dir.rfind(L'\\'));
  const std::vector<std::uint8_t> signed_dll = ReadWhole(tavlun::JoinPath(build_dir, L"tests\\signed\\x64-trusted.dll"));
  Run signed_small;
  Run signed_big;
  Run signed_over;
  if (signed_dll.empty()) {
    std::fprintf(stderr, "build\\tests\\signed\\x64-trusted.dll is missing (build the tests): signature cases skipped\n");
  } else {
    if (!PlantSignedDll(big_dll, signed_dll, 0)) {
      ::DeleteFileW(big_dll.c_str());
      std::fprintf(stderr, "the signed DLL could not be planted\n");
      return 1;
    }
    signed_small = TimeCheck();
    ::DeleteFileW(big_dll.c_str());
    Print("signed_dll", signed_small);
    if (!PlantSignedDll(big_dll, signed_dll, tavlun::kMaxSignatureCheckedFileBytes)) {
      ::DeleteFileW(big_dll.c_str());
      std::fprintf(stderr, "the big signed DLL could not be planted\n");
      return 1;
    }
    signed_big = TimeCheck();
    ::DeleteFileW(big_dll.c_str());
    Print("signed_big", signed_big);
    if (!PlantSignedDll(big_dll, signed_dll, kBigDllMiB * 1024 * 1024)) {
      ::DeleteFileW(big_dll.c_str());
      std::fprintf(stderr, "the oversized signed DLL could not be planted\n");
      return 1;
    }
    signed_over = TimeCheck();
    ::DeleteFileW(big_dll.c_str());
    Print("signed_over", signed_over);
  }

  bool planted = true;
  for (int i = 0; i < kHkcuValues && planted; ++i) {
    std::wstring home = L"C:\\" + std::wstring(32766 - 3 - 6, L'x');
    wchar_t tail[8];
    std::swprintf(tail, 8, L"%06d", i);
    home += tail;
    planted = SetJavaHome(std::wstring(kJdkKey) + L"\\v" + std::to_wstring(i), home);
  }
  const Run values = planted ? TimeCheck() : Run{};
  DeleteKeyTree(kJdkKey);
  if (!planted) {
    if (!javasoft_existed) DeleteKeyTree(kJavaSoftKey);
    std::fprintf(stderr, "the HKCU values could not be planted\n");
    return 1;
  }
  Print("hkcu_values", values);

  const std::wstring root = TempRoot();
  const std::vector<std::wstring> homes = PlantDeepHomes(root);
  planted = homes.size() == static_cast<std::size_t>(kDeepHomes);
  for (std::size_t i = 0; i < homes.size() && planted; ++i) {
    planted = SetJavaHome(std::wstring(kJreKey) + L"\\h" + std::to_wstring(i), homes[i]);
  }
  const Run deep = planted ? TimeCheck() : Run{};
  DeleteKeyTree(kJreKey);
  RemoveDeepHomes(root, homes);
  if (!javasoft_existed) DeleteKeyTree(kJavaSoftKey);
  if (!planted) {
    std::fprintf(stderr, "the deep homes could not be planted\n");
    return 1;
  }
  Print("deep_homes", deep);

  std::printf(
      "ratio_to_plain big_dll=%.1f signed_dll=%.1f signed_big=%.1f signed_over=%.1f hkcu_values=%.1f "
      "deep_homes=%.1f\n",
      big.ms / plain.ms, signed_small.ms / plain.ms, signed_big.ms / plain.ms, signed_over.ms / plain.ms,
      values.ms / plain.ms, deep.ms / plain.ms);
  return 0;
}
