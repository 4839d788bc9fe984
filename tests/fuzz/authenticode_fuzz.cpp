// The signature's place in a hostile PE file (FindCertificateTable, FirstSignedDataEntry) and the words for any
// WinVerifyTrust result.
//
// Input: a whole file. Seeds are small DLLs, one of them signed by a throwaway certificate.
//
// Properties: a table that is found lies 8-aligned inside the file; its first signed-data entry lies inside the
// table; any 32-bit result (the file's first four bytes) has a verdict and a non-empty text, and only result 0
// is called trusted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "integrity/authenticode.h"
#include "integrity/little_endian.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  if (tavlun::FindCertificateTable(size == 0 ? nullptr : data, size, &offset, &length)) {
    FUZZ_CHECK(offset % 8 == 0 && length >= 8 && std::uint64_t{offset} + length <= size);
    std::uint32_t entry = 0;
    std::uint32_t entry_size = 0;
    if (tavlun::FirstSignedDataEntry(data + offset, length, &entry, &entry_size)) {
      FUZZ_CHECK(entry == 8 && entry_size > 0 && std::uint64_t{entry} + entry_size <= length);
    }
  } else {
    FUZZ_CHECK(offset == 0 && length == 0);
  }
  if (size >= 4) {
    const std::uint32_t code = tavlun::ReadLe32(data);
    const tavlun::SignatureCheck check = tavlun::ClassifyTrustResult(code);
    FUZZ_CHECK((check.result == tavlun::SignatureResult::Trusted) == (code == 0));
    FUZZ_CHECK(!tavlun::SignatureResultText(check, L"").empty());
    FUZZ_CHECK(!tavlun::KeptFileSignatureClause(check).empty());
  }
  return 0;
}
