// Build-time check of the embedded akisp11.dll builds, compiled for the build machine from the program's own PE
// code (integrity/pe_imports.cpp). The "Visual C++ bileşenleri" row says that the package needs no separate
// runtime; this proves it for the files actually embedded, the vendor's as well as the stand-ins: each must be a
// valid DLL whose import and delay-import directories name no separately installed C or C++ runtime. With --payload
// the files are the builds to embed: each one's own version resource must equal kPayloadVersion and, as text,
// kPayloadVersionText, which every user text names, so a new DLL beside a stale constant (or the reverse) stops the
// build.
//
// It also records whether the files carry an Authenticode signature (a certificate table inside the file; its
// presence and size only, the signature is not judged here): the window names the payload "TÜBİTAK BİLGEM imzalı"
// only when both published files are signed.
//
// Usage: payload_import_check [--payload] [--signature-out FILE] <dll>...   FILE receives "1" when every DLL
// carries a certificate table, else "0". Exit codes: 0 all accepted, 1 a runtime import, 2 a file unreadable or not
// a valid DLL (or FILE not written), 3 a payload whose file version is not kPayloadVersion(Text).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "integrity/authenticode.h"
#include "integrity/payload.h"
#include "integrity/pe_imports.h"

namespace {

// The Turkish fragment, transliterated to ASCII only for the build log (it is never shown to users).
std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return out;
}

std::string VersionText(std::uint64_t version) {
  return std::to_string(version >> 48) + "." + std::to_string((version >> 32) & 0xFFFF) + "." +
         std::to_string((version >> 16) & 0xFFFF) + "." + std::to_string(version & 0xFFFF);
}

int Check(const char* path, bool payload, bool* signed_file) {
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
  std::uint32_t table_offset = 0;
  std::uint32_t table_size = 0;
  *signed_file = tavlun::FindCertificateTable(bytes.data(), bytes.size(), &table_offset, &table_size);
  if (*signed_file) {
    std::printf("%s: certificate table of %u bytes at %u\n", path, table_size, table_offset);
  } else {
    std::printf("%s: no certificate table (unsigned)\n", path);
  }
  check(names.imported, "imports");
  check(names.delay_imported, "delay-imports");
  std::uint64_t version = 0;
  if (payload && !tavlun::ReadPeFileVersion(bytes.data(), bytes.size(), true, &version, &message)) {
    std::fprintf(stderr, "%s: no file version (%s)\n", path, Ascii(message).c_str());
    return 2;
  }
  if (payload && version != tavlun::kPayloadVersion) {
    std::fprintf(stderr, "%s: file version %s, but kPayloadVersion (integrity/payload.h) is %s\n", path,
                 VersionText(version).c_str(), VersionText(tavlun::kPayloadVersion).c_str());
    return 3;
  }
  // The text the user reads: "major.minor.build", the revision only when it is not 0.
  const std::string shown = VersionText(version);
  const std::string expected_text = (version & 0xFFFF) == 0 ? shown.substr(0, shown.rfind('.')) : shown;
  if (payload && Ascii(tavlun::kPayloadVersionText) != expected_text) {
    std::fprintf(stderr, "%s: file version %s, but kPayloadVersionText (integrity/payload.h) is %s\n", path,
                 shown.c_str(), Ascii(tavlun::kPayloadVersionText).c_str());
    return 3;
  }
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
  int first = 1;
  bool payload = false;
  const char* signature_out = nullptr;
  while (first < argc) {
    const std::string option = argv[first];
    if (option == "--payload") {
      payload = true;
      first += 1;
    } else if (option == "--signature-out" && first + 1 < argc) {
      signature_out = argv[first + 1];
      first += 2;
    } else {
      break;
    }
  }
  if (argc <= first) {
    std::fprintf(stderr, "usage: %s [--payload] [--signature-out FILE] <dll>...\n", argv[0]);
    return 2;
  }
  int worst = 0;
  bool all_signed = true;
  for (int i = first; i < argc; ++i) {
    bool signed_file = false;
    const int result = Check(argv[i], payload, &signed_file);
    if (result > worst) worst = result;
    all_signed = all_signed && signed_file;
  }
  if (signature_out != nullptr) {
    std::ofstream out(signature_out, std::ios::binary | std::ios::trunc);
    out << (all_signed ? "1" : "0");
    if (!out.good()) {
      std::fprintf(stderr, "%s: cannot be written\n", signature_out);
      return 2;
    }
  }
  return worst;
}
