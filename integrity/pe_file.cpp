#include "integrity/pe_file.h"

#include <cstring>
#include <vector>

#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "integrity/little_endian.h"
#include "integrity/pe_headers.h"

namespace tavlun {
namespace {

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;

// Reads exactly `count` bytes at an absolute offset.
bool ReadHeaderBytes(HANDLE file, std::uint64_t offset, std::uint8_t* buffer, std::uint32_t count,
                     std::wstring* message) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) {
    *message = L"PE okuma konumu ayarlanamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  std::uint32_t done = 0;
  while (done < count) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer + done, count - done, &read, nullptr) || read == 0) {
      *message = L"PE başlıkları tam okunamadı";
      return false;
    }
    done += read;
  }
  return true;
}

// Reads exactly `count` bytes from the current position; no message (for the silent readers).
bool ReadExactly(HANDLE file, void* buffer, DWORD count) {
  DWORD read = 0;
  return ::ReadFile(file, buffer, count, &read, nullptr) && read == count;
}

// The fixed version information of a file, read through version.dll with a bounded block size.
bool ReadFixedFileInfo(const std::wstring& path, VS_FIXEDFILEINFO* info) {
  const auto& api = sysdll::Version();
  if (!api.loaded) return false;
  DWORD ignored = 0;
  const DWORD size = api.GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0 || size > kMaxVersionInfoSize) return false;
  std::vector<std::uint8_t> block(size, 0);
  if (!api.GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;
  void* fixed = nullptr;
  UINT fixed_length = 0;
  if (!api.VerQueryValueW(block.data(), L"\\", &fixed, &fixed_length) || fixed == nullptr ||
      fixed_length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  VS_FIXEDFILEINFO copy;
  std::memcpy(&copy, fixed, sizeof(copy));
  if (copy.dwSignature != kFixedFileInfoSignature) return false;
  *info = copy;
  return true;
}

std::wstring VersionPart(DWORD value) { return DecimalText(static_cast<std::uint32_t>(value)); }

}  // namespace

bool InspectPeFile(HANDLE file, bool expect_dll, std::wstring* machine_name, std::wstring* message) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size) || size.QuadPart < static_cast<LONGLONG>(kPeMinFileSize) ||
      size.QuadPart > static_cast<LONGLONG>(kPeMaxFileSize)) {
    *message = L"PE dosya boyutu belirlenen inceleme sınırının dışında";
    return false;
  }
  const std::uint64_t file_size = static_cast<std::uint64_t>(size.QuadPart);

  std::uint8_t dos[pe::kDosHeaderSize] = {};
  if (!ReadHeaderBytes(file, 0, dos, sizeof(dos), message)) return false;
  const std::int32_t header_offset = ReadLeInt32(dos + pe::kHeaderOffsetField);
  if (!pe::HasDosSignature(dos) || header_offset < static_cast<std::int32_t>(pe::kDosHeaderSize) ||
      header_offset > kPeMaxHeaderOffset) {
    *message = L"geçerli DOS/PE konumu yok";
    return false;
  }

  std::uint8_t nt[pe::kSignatureAndFileHeader] = {};
  if (!ReadHeaderBytes(file, static_cast<std::uint64_t>(header_offset), nt, sizeof(nt), message)) return false;
  const std::uint32_t sections = ReadLe16(nt + pe::kFileHeaderSections);
  const std::uint32_t optional_size = ReadLe16(nt + pe::kFileHeaderOptionalSize);
  if (!pe::HasPeSignature(nt) || sections < 1 || sections > kPeMaxSections || optional_size > kPeMaxOptionalHeader) {
    *message = L"PE sabit başlığı yapısal olarak geçersiz";
    return false;
  }

  const std::uint64_t block_length = static_cast<std::uint64_t>(header_offset) + pe::kSignatureAndFileHeader +
                                     optional_size + static_cast<std::uint64_t>(pe::kSectionHeaderSize) * sections;
  if (block_length > file_size || block_length > kPeMaxHeaderBlock) {
    *message = L"PE başlıkları dosya sınırlarının dışında";
    return false;
  }
  std::vector<std::uint8_t> block(static_cast<std::size_t>(block_length), 0);
  if (!ReadHeaderBytes(file, 0, block.data(), static_cast<std::uint32_t>(block_length), message)) return false;
  return ValidatePeHeaders(block.data(), block_length, file_size, expect_dll, machine_name, message);
}

std::wstring FileVersionText(const std::wstring& path) {
  VS_FIXEDFILEINFO info{};
  if (!ReadFixedFileInfo(path, &info)) return L"bilinmiyor";
  return VersionPart(HIWORD(info.dwFileVersionMS)) + L"." + VersionPart(LOWORD(info.dwFileVersionMS)) + L"." +
         VersionPart(HIWORD(info.dwFileVersionLS)) + L"." + VersionPart(LOWORD(info.dwFileVersionLS));
}

bool ReadFileVersion(const std::wstring& path, PackedVersion* version, std::wstring* version_text) {
  VS_FIXEDFILEINFO info{};
  if (!ReadFixedFileInfo(path, &info)) return false;
  std::wstring text = VersionPart(HIWORD(info.dwFileVersionMS)) + L"." + VersionPart(LOWORD(info.dwFileVersionMS)) +
                      L"." + VersionPart(HIWORD(info.dwFileVersionLS));
  if (LOWORD(info.dwFileVersionLS) != 0) text += L"." + VersionPart(LOWORD(info.dwFileVersionLS));
  *version = (static_cast<PackedVersion>(info.dwFileVersionMS) << 32) | info.dwFileVersionLS;
  *version_text = std::move(text);
  return true;
}

bool ReadDllMachine(const std::wstring& path, std::uint16_t* machine) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::uint8_t dos[pe::kDosHeaderSize];
  if (!ReadExactly(file.get(), dos, sizeof(dos)) || !pe::HasDosSignature(dos)) return false;
  const std::int32_t header_offset = ReadLeInt32(dos + pe::kHeaderOffsetField);
  if (header_offset < 0) return false;
  LARGE_INTEGER position;
  position.QuadPart = header_offset;
  if (!::SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) return false;
  std::uint8_t nt[pe::kSignatureAndFileHeader];
  if (!ReadExactly(file.get(), nt, 4) || !pe::HasPeSignature(nt) || !ReadExactly(file.get(), nt + 4, 20)) return false;
  if ((ReadLe16(nt + pe::kFileHeaderCharacteristics) & pe::kCharacteristicDll) == 0) return false;
  *machine = ReadLe16(nt + pe::kFileHeaderMachine);
  return true;
}

}  // namespace tavlun
