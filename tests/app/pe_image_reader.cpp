#include "tests/app/pe_image_reader.h"

namespace tavlun::testing_support {
namespace {

class Bytes {
 public:
  explicit Bytes(const std::vector<std::uint8_t>& data) : data_(data) {}
  bool Has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  std::uint16_t U16(std::uint64_t offset) const {
    return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }
  std::uint32_t U32(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(U16(offset)) | (static_cast<std::uint32_t>(U16(offset + 2)) << 16);
  }
  // A NUL-terminated ASCII name of at most 255 characters; false when it runs off the file.
  bool Name(std::uint64_t offset, std::string* name) const {
    name->clear();
    for (std::uint64_t i = offset; i < data_.size() && i < offset + 256; ++i) {
      if (data_[i] == 0) return !name->empty();
      name->push_back(static_cast<char>(data_[i]));
    }
    return false;
  }

 private:
  const std::vector<std::uint8_t>& data_;
};

struct Section {
  std::uint32_t virtual_address;
  std::uint32_t virtual_size;
  std::uint32_t raw_offset;
  std::uint32_t raw_size;
};

bool RvaToOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint64_t* offset) {
  for (const Section& section : sections) {
    const std::uint64_t span = section.virtual_size > section.raw_size ? section.virtual_size : section.raw_size;
    if (rva >= section.virtual_address && rva < static_cast<std::uint64_t>(section.virtual_address) + span) {
      const std::uint64_t inside = rva - section.virtual_address;
      if (inside >= section.raw_size) return false;
      *offset = static_cast<std::uint64_t>(section.raw_offset) + inside;
      return true;
    }
  }
  return false;
}

// Both directories are arrays of fixed-size records ending in a zero record; the DLL name's RVA sits at
// `name_field` inside each record.
bool ReadDllNames(const Bytes& bytes, const std::vector<Section>& sections, std::uint32_t directory_rva,
                  std::uint32_t record_size, std::uint32_t name_field, std::vector<std::string>* names,
                  std::string* error) {
  if (directory_rva == 0) return true;
  std::uint64_t offset = 0;
  if (!RvaToOffset(sections, directory_rva, &offset)) {
    *error = "import directory outside every section";
    return false;
  }
  for (int index = 0; index < 4096; ++index, offset += record_size) {
    if (!bytes.Has(offset, record_size)) {
      *error = "import directory runs past the end of the file";
      return false;
    }
    bool all_zero = true;
    for (std::uint32_t i = 0; i < record_size; i += 4) all_zero = all_zero && bytes.U32(offset + i) == 0;
    if (all_zero) return true;
    std::uint64_t name_offset = 0;
    std::string name;
    if (!RvaToOffset(sections, bytes.U32(offset + name_field), &name_offset) || !bytes.Name(name_offset, &name)) {
      *error = "import record with an unreadable DLL name";
      return false;
    }
    names->push_back(name);
  }
  *error = "import directory without an end record";
  return false;
}

}  // namespace

PeImageFacts ReadPeImage(const std::vector<std::uint8_t>& file) {
  PeImageFacts facts;
  const Bytes bytes(file);
  if (!bytes.Has(0, 0x40) || file[0] != 'M' || file[1] != 'Z') {
    facts.error = "no MZ header";
    return facts;
  }
  const std::uint64_t pe = bytes.U32(0x3C);
  if (!bytes.Has(pe, 24) || bytes.U32(pe) != 0x00004550u) {
    facts.error = "no PE signature";
    return facts;
  }
  facts.machine = bytes.U16(pe + 4);
  const std::uint16_t section_count = bytes.U16(pe + 6);
  const std::uint16_t optional_size = bytes.U16(pe + 20);
  facts.characteristics = bytes.U16(pe + 22);
  const std::uint64_t optional = pe + 24;
  if (optional_size < 96 || !bytes.Has(optional, optional_size)) {
    facts.error = "optional header missing or cut off";
    return facts;
  }
  facts.optional_magic = bytes.U16(optional);
  if (facts.optional_magic != 0x10B) {
    facts.error = "not a PE32 optional header";
    return facts;
  }
  facts.subsystem = bytes.U16(optional + 68);
  facts.dll_characteristics = bytes.U16(optional + 70);
  const std::uint32_t directory_count = bytes.U32(optional + 92);
  auto directory_rva = [&](std::uint32_t index) -> std::uint32_t {
    const std::uint64_t entry = optional + 96 + 8ull * index;
    if (index >= directory_count || entry + 8 > optional + optional_size) return 0;
    return bytes.U32(entry);
  };

  std::vector<Section> sections;
  const std::uint64_t table = optional + optional_size;
  if (section_count == 0 || !bytes.Has(table, 40ull * section_count)) {
    facts.error = "section table missing or cut off";
    return facts;
  }
  for (std::uint16_t i = 0; i < section_count; ++i) {
    const std::uint64_t entry = table + 40ull * i;
    Section section{bytes.U32(entry + 12), bytes.U32(entry + 8), bytes.U32(entry + 20), bytes.U32(entry + 16)};
    if (!bytes.Has(section.raw_offset, section.raw_size)) {
      facts.error = "section data past the end of the file";
      return facts;
    }
    sections.push_back(section);
  }

  if (!ReadDllNames(bytes, sections, directory_rva(1), 20, 12, &facts.imported_dlls, &facts.error)) return facts;
  if (!ReadDllNames(bytes, sections, directory_rva(13), 32, 4, &facts.delay_imported_dlls, &facts.error)) {
    return facts;
  }
  facts.valid = true;
  return facts;
}

}  // namespace tavlun::testing_support
