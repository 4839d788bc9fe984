// Build-time check of the embedded akisp11.dll builds, compiled for the build machine from the program's own PE
// code (integrity/pe_imports.cpp). The "Visual C++ bileşenleri" row says that the package needs no separate
// runtime; this proves it for the files actually embedded, the vendor's as well as the stand-ins: each must be a
// valid DLL whose import and delay-import directories name no separately installed C or C++ runtime.
//
// Usage: payload_import_check <dll>...   Exit codes: 0 all accepted, 1 a runtime import, 2 a file unreadable or
// not a valid DLL.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "integrity/pe_imports.h"

namespace {

// The Turkish fragment, transliterated to ASCII only for the build log (it is never shown to users).
std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return out;
}

int Check(const char* path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in.good() && !in.eof()) {
    std::fprintf(stderr, "%s: cannot be read\n", path);
    return 2;
  }
  tavlun::PeImportNames names;
  std::wstring message;
  if (!tavlun::ReadPeImportNames(bytes.data(), bytes.size(), true, &names, &message)) {
    std::fprintf(stderr, "%s: not a valid DLL (%s)\n", path, Ascii(message).c_str());
    return 2;
  }
  int result = 0;
  auto check = [&](const std::vector<std::string>& list, const char* how) {
    for (const std::string& name : list) {
      if (tavlun::IsSeparateRuntimeDll(name)) {
        std::fprintf(stderr, "%s: %s %s, a separately installed runtime\n", path, how, name.c_str());
        result = 1;
      }
    }
  };
  check(names.imported, "imports");
  check(names.delay_imported, "delay-imports");
  if (result == 0) {
    std::string list;
    for (const std::string& name : names.imported) list += " " + name;
    for (const std::string& name : names.delay_imported) list += " " + name + "(delayed)";
    std::printf("%s: imports only Windows DLLs:%s\n", path, list.c_str());
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <dll>...\n", argv[0]);
    return 2;
  }
  int worst = 0;
  for (int i = 1; i < argc; ++i) {
    const int result = Check(argv[i]);
    if (result > worst) worst = result;
  }
  return worst;
}
