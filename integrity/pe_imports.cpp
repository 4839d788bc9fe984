#include "integrity/pe_imports.h"

#include <initializer_list>
#include <utility>

#include "integrity/little_endian.h"
#include "integrity/pe_headers.h"

namespace tavlun {
namespace {

constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kDelayImportDirectory = 13;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kResourceDirectoryHeader = 16;
constexpr std::uint32_t kResourceSubdirectory = 0x80000000u;
constexpr std::uint32_t kVersionResourceType = 16;       // RT_VERSION
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;
constexpr std::uint64_t kFixedInfoVersionEnd = 16;       // signature, structure version, file version MS and LS
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

struct Image {
  const std::uint8_t* file = nullptr;
  std::uint64_t size = 0;
  const std::uint8_t* optional = nullptr;
  std::uint32_t optional_size = 0;
  std::uint32_t count_offset = 0;  // of NumberOfRvaAndSizes; the data directories follow it
  const std::uint8_t* sections = nullptr;
  std::uint32_t section_count = 0;
  std::uint64_t image_base = 0;

  // The file offset of `length` bytes at `rva`, all inside the raw data of one section.
  bool Offset(std::uint64_t rva, std::uint64_t length, std::uint64_t* offset) const {
    for (std::uint32_t i = 0; i < section_count; ++i) {
      const std::uint8_t* section = sections + static_cast<std::uint64_t>(i) * pe::kSectionHeaderSize;
      const std::uint64_t address = ReadLe32(section + pe::kSectionVirtualAddress);
      const std::uint64_t virtual_size = ReadLe32(section + pe::kSectionVirtualSize);
      const std::uint64_t raw_size = ReadLe32(section + pe::kSectionRawSize);
      const std::uint64_t raw_pointer = ReadLe32(section + pe::kSectionRawPointer);
      const std::uint64_t mapped = virtual_size != 0 && virtual_size < raw_size ? virtual_size : raw_size;
      if (rva < address || rva - address >= mapped || length > mapped - (rva - address)) continue;
      *offset = raw_pointer + (rva - address);
      return *offset + length <= size;
    }
    return false;
  }

  // A data directory that the optional header holds and that is not empty.
  bool Directory(std::uint32_t index, std::uint32_t* rva, std::uint32_t* length) const {
    const std::uint64_t at = count_offset + 4 + static_cast<std::uint64_t>(index) * 8;
    if (index >= ReadLe32(optional + count_offset) || at + 8 > optional_size) return false;
    *rva = ReadLe32(optional + at);
    *length = ReadLe32(optional + at + 4);
    return *rva != 0;
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

// ValidatePeHeaders has checked that the file header, the optional header and the section table lie in the file.
Image ImageOf(const std::uint8_t* file, std::uint64_t size) {
  const std::uint8_t* nt = file + ReadLe32(file + pe::kHeaderOffsetField);
  const std::uint8_t* optional = nt + pe::kSignatureAndFileHeader;
  const std::uint32_t optional_size = ReadLe16(nt + pe::kFileHeaderOptionalSize);
  const bool plus = ReadLe16(optional) == pe::kMagicPe32Plus;
  Image image;
  image.file = file;
  image.size = size;
  image.optional = optional;
  image.optional_size = optional_size;
  image.count_offset = plus ? pe::kOptRvaCountPe32Plus : pe::kOptRvaCountPe32;
  image.sections = optional + optional_size;
  image.section_count = ReadLe16(nt + pe::kFileHeaderSections);
  image.image_base = plus ? (static_cast<std::uint64_t>(ReadLe32(optional + kOptImageBasePe32Plus + 4)) << 32) |
                                ReadLe32(optional + kOptImageBasePe32Plus)
                          : ReadLe32(optional + kOptImageBasePe32);
  return image;
}

}  // namespace

bool ReadPeImportNames(const std::uint8_t* file, std::uint64_t size, bool expect_dll, PeImportNames* names,
                       std::wstring* message) {
  *names = PeImportNames();
  std::wstring machine;
  if (!ValidatePeHeaders(file, size, size, expect_dll, &machine, message)) return false;
  const Image image = ImageOf(file, size);

  // Both directories are arrays of fixed-size descriptors ending in one whose name field is 0. (An import
  // descriptor that is all zero has a zero name too; one with a name of 0 and other fields set cannot be read.)
  struct Directory {
    std::uint32_t index;
    std::uint32_t descriptor_size;
    std::uint32_t name_field;
    std::vector<std::string>* names;
    const wchar_t* outside;
    const wchar_t* unreadable;
  };
  PeImportNames found;
  const Directory directories[] = {
      {kImportDirectory, kImportDescriptorSize, kImportNameField, &found.imported,
       L"PE içe aktarma tablosu dosya sınırlarının dışında", L"PE içe aktarılan DLL adı okunamadı"},
      {kDelayImportDirectory, kDelayDescriptorSize, kDelayNameField, &found.delay_imported,
       L"PE gecikmeli içe aktarma tablosu dosya sınırlarının dışında", L"PE gecikmeli DLL adı okunamadı"},
  };
  for (const Directory& d : directories) {
    std::uint32_t rva = 0;
    std::uint32_t length = 0;
    if (!image.Directory(d.index, &rva, &length)) continue;
    for (std::uint32_t i = 0;; ++i) {
      std::uint64_t offset = 0;
      if (i >= kMaxDescriptors ||
          !image.Offset(std::uint64_t{rva} + std::uint64_t{i} * d.descriptor_size, d.descriptor_size, &offset)) {
        return Fail(message, d.outside);
      }
      const std::uint8_t* descriptor = file + offset;
      std::uint64_t name_rva = ReadLe32(descriptor + d.name_field);
      if (name_rva == 0) break;
      // Old delay-import tables hold virtual addresses instead of RVAs.
      if (d.index == kDelayImportDirectory && (ReadLe32(descriptor) & kDelayRvaBased) == 0) {
        if (name_rva < image.image_base) return Fail(message, d.unreadable);
        name_rva -= image.image_base;
      }
      std::string name;
      if (!image.Name(name_rva, &name)) return Fail(message, d.unreadable);
      d.names->push_back(std::move(name));
    }
  }
  *names = std::move(found);
  return true;
}

bool ReadPeFileVersion(const std::uint8_t* file, std::uint64_t size, bool expect_dll, std::uint64_t* version,
                       std::wstring* message) {
  std::wstring machine;
  if (!ValidatePeHeaders(file, size, size, expect_dll, &machine, message)) return false;
  const Image image = ImageOf(file, size);
  std::uint32_t root = 0;
  std::uint32_t root_length = 0;
  if (!image.Directory(kResourceDirectory, &root, &root_length)) return Fail(message, L"PE sürüm kaynağı yok");
  // Three levels of IMAGE_RESOURCE_DIRECTORY (type, name, language); an entry's offset is relative to the root,
  // its high bit marks a subdirectory.
  std::uint64_t at = 0;  // offset of the current directory from the root
  for (int level = 0; level < 3; ++level) {
    std::uint64_t offset = 0;
    if (!image.Offset(std::uint64_t{root} + at, kResourceDirectoryHeader, &offset)) {
      return Fail(message, L"PE kaynak dizini dosya sınırlarının dışında");
    }
    const std::uint32_t count = std::uint32_t{ReadLe16(file + offset + 12)} + ReadLe16(file + offset + 14);
    std::uint64_t next = 0;
    bool found = false;
    for (std::uint32_t i = 0; i < count && i < kMaxDescriptors && !found; ++i) {
      if (!image.Offset(std::uint64_t{root} + at + kResourceDirectoryHeader + std::uint64_t{i} * 8, 8, &offset)) {
        return Fail(message, L"PE kaynak dizini dosya sınırlarının dışında");
      }
      // The version resource by its type id; below it, the first name and the first language.
      found = level > 0 || ReadLe32(file + offset) == kVersionResourceType;
      next = ReadLe32(file + offset + 4);
    }
    if (!found || ((next & kResourceSubdirectory) != 0) != (level < 2)) return Fail(message, L"PE sürüm kaynağı yok");
    at = next & ~std::uint64_t{kResourceSubdirectory};
  }
  std::uint64_t entry = 0;
  std::uint64_t data = 0;
  if (!image.Offset(std::uint64_t{root} + at, 16, &entry) ||
      !image.Offset(ReadLe32(file + entry), ReadLe32(file + entry + 4), &data)) {
    return Fail(message, L"PE sürüm kaynağı dosya sınırlarının dışında");
  }
  // VS_VERSIONINFO: the fixed part follows the key "VS_VERSION_INFO" on a 4-byte boundary.
  const std::uint64_t length = ReadLe32(file + entry + 4);
  for (std::uint64_t i = 0; i + kFixedInfoVersionEnd <= length; i += 4) {
    if (ReadLe32(file + data + i) == kFixedFileInfoSignature) {
      *version = (std::uint64_t{ReadLe32(file + data + i + 8)} << 32) | ReadLe32(file + data + i + 12);
      return true;
    }
  }
  return Fail(message, L"PE sürüm kaynağında sabit sürüm bilgisi yok");
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
