#include "integrity/pe_headers.h"

#include "core/text.h"
#include "integrity/little_endian.h"

namespace tavlun {
namespace {

bool Fail(std::wstring* message, const wchar_t* text) {
  *message = text;
  return false;
}

bool IsRecognisedMachine(std::uint16_t machine) {
  return machine == pe::kMachineI386 || machine == pe::kMachineAmd64 || machine == pe::kMachineArm64 ||
         machine == pe::kMachineIa64;
}

// Offsets inside the optional header: the fields up to SizeOfHeaders sit at the same place in PE32 and PE32+
// (the wider image base of PE32+ takes the place of BaseOfData); the directory count does not.
constexpr std::uint32_t kOptSectionAlignment = 32;
constexpr std::uint32_t kOptFileAlignment = 36;
constexpr std::uint32_t kOptSizeOfImage = 56;
constexpr std::uint32_t kOptSizeOfHeaders = 60;
constexpr std::uint32_t kOptMinSizePe32 = 224;
constexpr std::uint32_t kOptMinSizePe32Plus = 240;
constexpr std::uint32_t kMaxDataDirectories = 16;

}  // namespace

std::wstring MachineName(std::uint16_t machine) {
  switch (machine) {
    case pe::kMachineI386:
      return L"x86";
    case pe::kMachineAmd64:
      return L"x64";
    case pe::kMachineArm64:
      return L"ARM64";
    case pe::kMachineIa64:
      return L"IA64";
    default:
      return L"bilinmiyor (0x" + HexDigitsNoPad(machine) + L")";
  }
}

bool ValidatePeHeaders(const std::uint8_t* block, std::uint64_t block_length, std::uint64_t file_size, bool expect_dll,
                       std::wstring* machine_name, std::wstring* message) {
  if (block == nullptr || block_length < kPeMinFileSize || file_size < kPeMinFileSize) {
    return Fail(message, L"DOS başlığı eksik");
  }
  const std::int64_t header_offset = ReadLeInt32(block + pe::kHeaderOffsetField);
  if (!pe::HasDosSignature(block) || header_offset < static_cast<std::int64_t>(pe::kDosHeaderSize)) {
    return Fail(message, L"geçerli DOS/PE konumu yok");
  }
  const std::uint64_t offset = static_cast<std::uint64_t>(header_offset);
  const std::uint64_t file_header_end = offset + pe::kSignatureAndFileHeader;
  if (header_offset > kPeMaxHeaderOffset || file_header_end > block_length || file_header_end > file_size) {
    return Fail(message, L"PE başlığı dosya sınırlarının dışında");
  }
  const std::uint8_t* nt = block + offset;
  if (!pe::HasPeSignature(nt)) return Fail(message, L"PE imzası geçersiz");

  const std::uint16_t machine = ReadLe16(nt + pe::kFileHeaderMachine);
  if (!IsRecognisedMachine(machine)) return Fail(message, L"PE makine türü tanınmıyor");

  const std::uint16_t characteristics = ReadLe16(nt + pe::kFileHeaderCharacteristics);
  const bool is_dll = (characteristics & pe::kCharacteristicDll) != 0;
  if ((characteristics & pe::kCharacteristicExecutable) == 0 || is_dll != expect_dll) {
    return Fail(message, expect_dll ? L"PE yürütülebilir DLL imgesi değil"
                                    : L"PE yürütülebilir imgesi değil veya DLL olarak işaretli");
  }

  const std::uint32_t sections = ReadLe16(nt + pe::kFileHeaderSections);
  const std::uint32_t optional_size = ReadLe16(nt + pe::kFileHeaderOptionalSize);
  if (sections < 1 || sections > kPeMaxSections || optional_size < 2 || optional_size > kPeMaxOptionalHeader) {
    return Fail(message, L"PE bölüm/opsiyonel başlık boyutu geçersiz");
  }
  const std::uint64_t optional_start = file_header_end;
  const std::uint64_t section_table_start = optional_start + optional_size;
  const std::uint64_t section_table_end =
      section_table_start + static_cast<std::uint64_t>(pe::kSectionHeaderSize) * sections;
  if (section_table_end > block_length || section_table_end > file_size) {
    return Fail(message, L"PE opsiyonel/bölüm başlıkları dosya sınırlarının dışında");
  }

  const std::uint8_t* optional = block + optional_start;
  const std::uint16_t magic = ReadLe16(optional);
  std::uint32_t rva_count_offset = 0;
  if (magic == pe::kMagicPe32 && machine == pe::kMachineI386 && optional_size >= kOptMinSizePe32) {
    rva_count_offset = pe::kOptRvaCountPe32;
  } else if (magic == pe::kMagicPe32Plus && machine != pe::kMachineI386 && optional_size >= kOptMinSizePe32Plus) {
    rva_count_offset = pe::kOptRvaCountPe32Plus;
  } else {
    return Fail(message, L"PE32/PE32+ opsiyonel başlığı makine türüyle uyumsuz");
  }

  const std::uint64_t size_of_headers = ReadLe32(optional + kOptSizeOfHeaders);
  if (size_of_headers < section_table_end || size_of_headers > file_size ||
      ReadLe32(optional + kOptSizeOfImage) == 0 || ReadLe32(optional + kOptSectionAlignment) == 0 ||
      ReadLe32(optional + kOptFileAlignment) == 0 ||
      ReadLe32(optional + rva_count_offset) > kMaxDataDirectories) {
    return Fail(message, L"PE opsiyonel başlık alanları yapısal olarak geçersiz");
  }

  for (std::uint32_t i = 0; i < sections; ++i) {
    const std::uint8_t* section = block + section_table_start + static_cast<std::uint64_t>(i) * pe::kSectionHeaderSize;
    const std::uint64_t raw_size = ReadLe32(section + pe::kSectionRawSize);
    if (raw_size == 0) continue;
    const std::uint64_t raw_pointer = ReadLe32(section + pe::kSectionRawPointer);
    if (raw_pointer < size_of_headers || raw_pointer + raw_size > file_size) {
      return Fail(message, L"PE bölüm verisi dosya sınırlarının dışında");
    }
  }

  *machine_name = MachineName(machine);
  return true;
}

}  // namespace tavlun
