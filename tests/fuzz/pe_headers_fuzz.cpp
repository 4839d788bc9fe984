// ValidatePeHeaders and MachineName on hostile header blocks.
//
// Input: the file size as 8 little-endian bytes, one flag byte (bit 0: a DLL is expected), then the header block
// exactly as InspectPeFile passes it (read from offset 0 of the file). The block is the tail of libFuzzer's own
// exact-size buffer, so AddressSanitizer sees any read past its end.
//
// Properties: the verdict and the message equal those of an independent reading of the rules below, which reads
// every field through a bounds check; an accepted block therefore never had a field outside the block, and all
// its offsets (PE header, section table, SizeOfHeaders, every section's raw data) lie within the block or the
// file as the rules require. The machine name of an accepted block is one of the four names; a refused block
// leaves the machine-name slot alone. MachineName names any value and its hexadecimal form reads back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text.h"
#include "integrity/pe_headers.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using tavlun::fuzz::PropertyFailed;

class Block {
 public:
  Block(const std::uint8_t* data, std::uint64_t length) : data_(data), length_(length) {}
  std::uint64_t length() const { return length_; }
  // Every read is proved to lie inside the block first.
  std::uint32_t Read(std::uint64_t offset, unsigned width) const {
    FUZZ_CHECK(offset <= length_ && width <= length_ - offset);
    std::uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(data_[offset + i]) << (8 * i);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::uint64_t length_;
};

const wchar_t* NameOf(std::uint32_t machine) {
  switch (machine) {
    case 0x014C:
      return L"x86";
    case 0x8664:
      return L"x64";
    case 0xAA64:
      return L"ARM64";
    case 0x0200:
      return L"IA64";
    default:
      return nullptr;
  }
}

// The rules, in their order; an empty result means accepted.
std::wstring ExpectedVerdict(const Block& b, std::uint64_t file_size, bool expect_dll, std::wstring* name) {
  if (b.length() < 64 || file_size < 64) return L"DOS başlığı eksik";
  const auto header_offset = static_cast<std::int32_t>(b.Read(60, 4));
  if (b.Read(0, 2) != 0x5A4D || header_offset < 64) return L"geçerli DOS/PE konumu yok";
  const auto nt = static_cast<std::uint64_t>(header_offset);
  if (nt > 16777216 || nt + 24 > b.length() || nt + 24 > file_size) return L"PE başlığı dosya sınırlarının dışında";
  if (b.Read(nt, 4) != 0x00004550) return L"PE imzası geçersiz";
  const std::uint32_t machine = b.Read(nt + 4, 2);
  if (NameOf(machine) == nullptr) return L"PE makine türü tanınmıyor";
  const std::uint32_t characteristics = b.Read(nt + 22, 2);
  if ((characteristics & 0x0002) == 0 || ((characteristics & 0x2000) != 0) != expect_dll) {
    return expect_dll ? L"PE yürütülebilir DLL imgesi değil"
                      : L"PE yürütülebilir imgesi değil veya DLL olarak işaretli";
  }
  const std::uint64_t sections = b.Read(nt + 6, 2);
  const std::uint64_t optional_size = b.Read(nt + 20, 2);
  if (sections < 1 || sections > 96 || optional_size < 2 || optional_size > 4096) {
    return L"PE bölüm/opsiyonel başlık boyutu geçersiz";
  }
  const std::uint64_t optional = nt + 24;
  const std::uint64_t table = optional + optional_size;
  const std::uint64_t table_end = table + 40 * sections;
  if (table_end > b.length() || table_end > file_size)
    return L"PE opsiyonel/bölüm başlıkları dosya sınırlarının dışında";
  const std::uint32_t magic = b.Read(optional, 2);
  bool pe32 = false;
  if (magic == 0x010B && machine == 0x014C && optional_size >= 224) {
    pe32 = true;
  } else if (!(magic == 0x020B && machine != 0x014C && optional_size >= 240)) {
    return L"PE32/PE32+ opsiyonel başlığı makine türüyle uyumsuz";
  }
  const std::uint64_t size_of_headers = b.Read(optional + 60, 4);
  if (size_of_headers < table_end || size_of_headers > file_size || b.Read(optional + 56, 4) == 0 ||
      b.Read(optional + 32, 4) == 0 || b.Read(optional + 36, 4) == 0 || b.Read(optional + (pe32 ? 92 : 108), 4) > 16) {
    return L"PE opsiyonel başlık alanları yapısal olarak geçersiz";
  }
  for (std::uint64_t i = 0; i < sections; ++i) {
    const std::uint64_t raw_size = b.Read(table + 40 * i + 16, 4);
    if (raw_size == 0) continue;
    const std::uint64_t raw_pointer = b.Read(table + 40 * i + 20, 4);
    if (raw_pointer < size_of_headers || raw_pointer + raw_size > file_size) {
      return L"PE bölüm verisi dosya sınırlarının dışında";
    }
  }
  *name = NameOf(machine);
  return std::wstring();
}

void CheckMachineName(std::uint16_t machine) {
  const std::wstring name = tavlun::MachineName(machine);
  if (const wchar_t* known = NameOf(machine)) {
    FUZZ_CHECK(name == known);
    return;
  }
  const std::wstring prefix = L"bilinmiyor (0x";
  FUZZ_CHECK(name.size() > prefix.size() + 1 && name.compare(0, prefix.size(), prefix) == 0 && name.back() == L')');
  const std::wstring digits = name.substr(prefix.size(), name.size() - prefix.size() - 1);
  FUZZ_CHECK(digits.size() >= 1 && digits.size() <= 4 && (digits.size() == 1 || digits[0] != L'0'));
  std::uint32_t value = 0;
  for (wchar_t c : digits) {
    FUZZ_CHECK((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'));
    value = value * 16 + static_cast<std::uint32_t>(c <= L'9' ? c - L'0' : c - L'A' + 10);
  }
  FUZZ_CHECK(value == machine);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  std::uint64_t file_size = 0;
  for (int i = 0; i < 8; ++i) file_size |= static_cast<std::uint64_t>(data[i]) << (8 * i);
  const bool expect_dll = (data[8] & 1) != 0;
  const std::uint8_t* block = size > 9 ? data + 9 : nullptr;
  const std::uint64_t block_length = size - 9;

  std::wstring machine_name = L"(unset)";
  std::wstring message = L"(unset)";
  const bool accepted = tavlun::ValidatePeHeaders(block, block_length, file_size, expect_dll, &machine_name, &message);

  std::wstring expected_name;
  const std::wstring expected =
      block == nullptr ? std::wstring(L"DOS başlığı eksik")
                       : ExpectedVerdict(Block(block, block_length), file_size, expect_dll, &expected_name);
  FUZZ_CHECK(accepted == expected.empty());
  if (accepted) {
    FUZZ_CHECK(machine_name == expected_name);
    FUZZ_CHECK(message == L"(unset)");
    // The same block is a DLL or a program, never both.
    std::wstring other_name;
    std::wstring other_message;
    FUZZ_CHECK(!tavlun::ValidatePeHeaders(block, block_length, file_size, !expect_dll, &other_name, &other_message));
  } else {
    FUZZ_CHECK(message == expected);
    FUZZ_CHECK(machine_name == L"(unset)");
  }

  CheckMachineName(static_cast<std::uint16_t>(data[0] | (data[1] << 8)));
  return 0;
}
