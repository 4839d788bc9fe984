#include "integrity/pe_imports.h"

#include <initializer_list>
#include <utility>

#include "integrity/little_endian.h"
#include "integrity/pe_headers.h"

namespace tavlun {
namespace {

constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kDelayImportDirectory = 13;
constexpr std::uint32_t kImportDescriptorSize = 20;
constexpr std::uint32_t kImportNameField = 12;
constexpr std::uint32_t kDelayDescriptorSize = 32;
constexpr std::uint32_t kDelayNameField = 4;
constexpr std::uint32_t kDelayRvaBased = 1;  // dlattrRva: the fields are RVAs, not virtual addresses
constexpr std::uint32_t kMaxDescriptors = 4096;
constexpr std::uint32_t kMaxNameLength = 255;

// Offsets in the optional header: image base and the data directories differ between PE32 and PE32+.
constexpr std::uint32_t kOptImageBasePe32 = 28;
constexpr std::uint32_t kOptImageBasePe32Plus = 24;
constexpr std::uint32_t kOptRvaCountPe32 = 92;
constexpr std::uint32_t kOptRvaCountPe32Plus = 108;
constexpr std::uint32_t kSectionVirtualSize = 8;
constexpr std::uint32_t kSectionVirtualAddress = 12;

struct Image {
  const std::uint8_t* file = nullptr;
  std::uint64_t size = 0;
  const std::uint8_t* sections = nullptr;
  std::uint32_t section_count = 0;
  std::uint64_t image_base = 0;

  // The file offset of `length` bytes at `rva`, all inside the raw data of one section.
  bool Offset(std::uint64_t rva, std::uint64_t length, std::uint64_t* offset) const {
    for (std::uint32_t i = 0; i < section_count; ++i) {
      const std::uint8_t* section = sections + static_cast<std::uint64_t>(i) * pe::kSectionHeaderSize;
      const std::uint64_t address = ReadLe32(section + kSectionVirtualAddress);
      const std::uint64_t virtual_size = ReadLe32(section + kSectionVirtualSize);
      const std::uint64_t raw_size = ReadLe32(section + pe::kSectionRawSize);
      const std::uint64_t raw_pointer = ReadLe32(section + pe::kSectionRawPointer);
      const std::uint64_t mapped = virtual_size != 0 && virtual_size < raw_size ? virtual_size : raw_size;
      if (rva < address || rva - address >= mapped || length > mapped - (rva - address)) continue;
      *offset = raw_pointer + (rva - address);
      return *offset + length <= size;
    }
    return false;
  }

  bool Name(std::uint64_t rva, std::string* name) const {
    std::uint64_t offset = 0;
    if (!Offset(rva, 1, &offset)) return false;
    name->clear();
    for (std::uint64_t i = offset; i < size && name->size() <= kMaxNameLength; ++i) {
      const std::uint8_t c = file[i];
      if (c == 0) return !name->empty() && Offset(rva, name->size() + 1, &offset);
      if (c < 0x20 || c > 0x7E) return false;
      name->push_back(static_cast<char>(c));
    }
    return false;
  }
};

bool Fail(std::wstring* message, const wchar_t* text) {
  *message = text;
  return false;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || LowerAscii(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool ReadPeImportNames(const std::uint8_t* file, std::uint64_t size, bool expect_dll, PeImportNames* names,
                       std::wstring* message) {
  *names = PeImportNames();
  std::wstring machine;
  if (!ValidatePeHeaders(file, size, size, expect_dll, &machine, message)) return false;

  // ValidatePeHeaders has checked that the file header, the optional header and the section table lie in the file.
  const std::uint8_t* nt = file + ReadLe32(file + pe::kHeaderOffsetField);
  const std::uint8_t* optional = nt + pe::kSignatureAndFileHeader;
  const std::uint32_t optional_size = ReadLe16(nt + pe::kFileHeaderOptionalSize);
  const bool plus = ReadLe16(optional) == pe::kMagicPe32Plus;
  Image image;
  image.file = file;
  image.size = size;
  image.sections = optional + optional_size;
  image.section_count = ReadLe16(nt + pe::kFileHeaderSections);
  image.image_base = plus ? (static_cast<std::uint64_t>(ReadLe32(optional + kOptImageBasePe32Plus + 4)) << 32) |
                                ReadLe32(optional + kOptImageBasePe32Plus)
                          : ReadLe32(optional + kOptImageBasePe32);
  const std::uint32_t count_offset = plus ? kOptRvaCountPe32Plus : kOptRvaCountPe32;
  const std::uint32_t directory_count = ReadLe32(optional + count_offset);
  auto directory = [&](std::uint32_t index, std::uint32_t* rva, std::uint32_t* length) {
    const std::uint64_t at = count_offset + 4 + static_cast<std::uint64_t>(index) * 8;
    if (index >= directory_count || at + 8 > optional_size) return false;
    *rva = ReadLe32(optional + at);
    *length = ReadLe32(optional + at + 4);
    return *rva != 0;
  };

  PeImportNames found;
  std::uint32_t rva = 0;
  std::uint32_t length = 0;
  if (directory(kImportDirectory, &rva, &length)) {
    for (std::uint32_t i = 0;; ++i) {
      std::uint64_t offset = 0;
      if (i >= kMaxDescriptors || !image.Offset(std::uint64_t{rva} + std::uint64_t{i} * kImportDescriptorSize,
                                                kImportDescriptorSize, &offset)) {
        return Fail(message, L"PE içe aktarma tablosu dosya sınırlarının dışında");
      }
      const std::uint8_t* descriptor = file + offset;
      bool terminator = true;
      for (std::uint32_t b = 0; b < kImportDescriptorSize; ++b) terminator = terminator && descriptor[b] == 0;
      if (terminator) break;
      std::string name;
      if (!image.Name(ReadLe32(descriptor + kImportNameField), &name)) {
        return Fail(message, L"PE içe aktarılan DLL adı okunamadı");
      }
      found.imported.push_back(name);
    }
  }
  if (directory(kDelayImportDirectory, &rva, &length)) {
    for (std::uint32_t i = 0;; ++i) {
      std::uint64_t offset = 0;
      if (i >= kMaxDescriptors || !image.Offset(std::uint64_t{rva} + std::uint64_t{i} * kDelayDescriptorSize,
                                                kDelayDescriptorSize, &offset)) {
        return Fail(message, L"PE gecikmeli içe aktarma tablosu dosya sınırlarının dışında");
      }
      const std::uint8_t* descriptor = file + offset;
      const std::uint64_t name_field = ReadLe32(descriptor + kDelayNameField);
      if (name_field == 0) break;
      // Old tables hold virtual addresses instead of RVAs.
      const bool rva_based = (ReadLe32(descriptor) & kDelayRvaBased) != 0;
      if (!rva_based && name_field < image.image_base) return Fail(message, L"PE gecikmeli DLL adı okunamadı");
      std::string name;
      if (!image.Name(rva_based ? name_field : name_field - image.image_base, &name)) {
        return Fail(message, L"PE gecikmeli DLL adı okunamadı");
      }
      found.delay_imported.push_back(name);
    }
  }
  *names = std::move(found);
  return true;
}

bool IsSeparateRuntimeDll(const std::string& name) {
  std::string lower;
  for (char c : name) lower.push_back(LowerAscii(c));
  if (lower == "msvcrt.dll") return false;  // part of Windows itself
  for (const char* prefix : {"vcruntime", "msvcp", "msvcr", "ucrtbase", "api-ms-win-crt-", "concrt", "vccorlib",
                             "vcomp", "mfc"}) {
    if (StartsWithIgnoringCase(lower, prefix)) return true;
  }
  return false;
}

}  // namespace tavlun
