// ReadPeImportNames on hostile DLL files: the reader the build uses to prove that the embedded DLLs import no
// separate runtime.
//
// Input: a whole file. Seeds are small DLLs of the build (the stand-in payloads and planted test DLLs).
//
// Properties: every name of an accepted file is 1 to 255 printable ASCII characters read from inside the file (so
// the directories could be walked without a read past the end, which AddressSanitizer would also see); a refused
// file leaves no names and says why; the runtime rule never calls Windows' own msvcrt.dll a separate runtime.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "integrity/pe_imports.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void CheckNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    FUZZ_CHECK(!name.empty() && name.size() <= 255);
    for (char c : name) FUZZ_CHECK(c >= 0x20 && c <= 0x7E);
    if (name == "msvcrt.dll" || name == "MSVCRT.DLL") FUZZ_CHECK(!tavlun::IsSeparateRuntimeDll(name));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (bool expect_dll : {true, false}) {
    tavlun::PeImportNames names;
    std::wstring message;
    if (tavlun::ReadPeImportNames(size == 0 ? nullptr : data, size, expect_dll, &names, &message)) {
      CheckNames(names.imported);
      CheckNames(names.delay_imported);
    } else {
      FUZZ_CHECK(names.imported.empty() && names.delay_imported.empty() && !message.empty());
    }
  }
  return 0;
}
