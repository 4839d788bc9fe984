#include "integrity/sha256.h"

#include <vector>

#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"

namespace tavlun {
namespace {

constexpr DWORD kReadBlockSize = 65536;
constexpr ULONG kDigestSize = 32;

// One provider and one hash object; both are released when the context ends, on every path.
class Sha256Context {
 public:
  Sha256Context() = default;
  ~Sha256Context() {
    const auto& api = sysdll::Bcrypt();
    if (hash_ != nullptr) api.BCryptDestroyHash(hash_);
    if (provider_ != nullptr) api.BCryptCloseAlgorithmProvider(provider_, 0);
  }
  Sha256Context(const Sha256Context&) = delete;
  Sha256Context& operator=(const Sha256Context&) = delete;

  // Opens the provider and creates the hash object in a buffer of exactly the size the provider asks for.
  bool Open(std::wstring* message) {
    const auto& api = sysdll::Bcrypt();
    if (!api.loaded || !BCRYPT_SUCCESS(api.BCryptOpenAlgorithmProvider(&provider_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
      provider_ = nullptr;
      *message = L"SHA-256 sağlayıcısı açılamadı.";
      return false;
    }
    DWORD object_length = 0;
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(api.BCryptGetProperty(provider_, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_length),
                                              sizeof(object_length), &written, 0)) ||
        written != sizeof(object_length) || object_length == 0) {
      *message = L"SHA-256 çalışma alanı alınamadı.";
      return false;
    }
    object_.assign(object_length, 0);
    if (!BCRYPT_SUCCESS(api.BCryptCreateHash(provider_, &hash_, object_.data(), object_length, nullptr, 0, 0))) {
      hash_ = nullptr;
      *message = L"SHA-256 özeti başlatılamadı.";
      return false;
    }
    return true;
  }

  bool Update(const void* data, ULONG length) {
    // CNG takes a non-const pointer but only reads the input.
    return BCRYPT_SUCCESS(
        sysdll::Bcrypt().BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(data)), length, 0));
  }

  bool Finish(std::wstring* digest, std::wstring* message) {
    UCHAR bytes[kDigestSize] = {};
    if (!BCRYPT_SUCCESS(sysdll::Bcrypt().BCryptFinishHash(hash_, bytes, kDigestSize, 0))) {
      *message = L"SHA-256 özeti tamamlanamadı.";
      return false;
    }
    *digest = HexUpper(bytes, kDigestSize);
    return true;
  }

 private:
  BCRYPT_ALG_HANDLE provider_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::vector<UCHAR> object_;
};

void StoreError(std::uint32_t* slot, DWORD code) {
  if (slot != nullptr) *slot = code;
}

}  // namespace

bool SameFileIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.valid && b.valid && a.volume_serial == b.volume_serial && a.index_high == b.index_high &&
         a.index_low == b.index_low;
}

bool IsPlainFileKind(std::uint32_t attributes, std::uint32_t reparse_tag) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 && reparse_tag == 0;
}

bool CheckRegularSingleLinkFile(HANDLE file, FileIdentity* identity, std::wstring* message) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag))) {
    *message = L"Dosya türü doğrulanamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  if (!IsPlainFileKind(tag.FileAttributes, tag.ReparseTag)) {
    *message = L"Açılan nesne normal bir dosya değil; güvenlik için işlem durduruldu.";
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) {
    *message = L"Dosya bağlantı bilgisi okunamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  if (info.nNumberOfLinks != 1) {
    *message = L"Dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.";
    return false;
  }
  if (identity != nullptr) {
    identity->volume_serial = info.dwVolumeSerialNumber;
    identity->index_high = info.nFileIndexHigh;
    identity->index_low = info.nFileIndexLow;
    identity->valid = true;
  }
  return true;
}

bool Sha256OpenFile(HANDLE file, std::wstring* digest, std::wstring* message, std::uint32_t* win32_error) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
    const DWORD error = ::GetLastError();
    StoreError(win32_error, error);
    *message = L"Dosya okuma konumu ayarlanamadı: " + WindowsErrorText(error);
    return false;
  }
  Sha256Context context;
  if (!context.Open(message)) return false;

  std::vector<std::uint8_t> buffer(kReadBlockSize, 0);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer.data(), kReadBlockSize, &read, nullptr)) {
      const DWORD error = ::GetLastError();
      StoreError(win32_error, error);
      *message = L"Dosya okunurken hata oluştu: " + WindowsErrorText(error);
      return false;
    }
    if (read == 0) break;
    if (!context.Update(buffer.data(), read)) {
      *message = L"Dosyanın SHA-256 özeti hesaplanamadı.";
      return false;
    }
  }
  return context.Finish(digest, message);
}

bool Sha256Memory(const void* data, std::uint32_t length, std::wstring* digest, std::wstring* message) {
  Sha256Context context;
  if (!context.Open(message)) return false;
  if (!context.Update(data, length)) {
    *message = L"Gömülü dosyanın SHA-256 özeti hesaplanamadı.";
    return false;
  }
  return context.Finish(digest, message);
}

HANDLE OpenFileForInspection(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool Sha256FilePath(const std::wstring& path, std::wstring* digest, std::wstring* message, std::uint32_t* win32_error) {
  UniqueHandle file(OpenFileForInspection(path));
  if (!file) {
    const DWORD error = ::GetLastError();
    StoreError(win32_error, error);
    *message = L"Dosya okunamadı: " + WindowsErrorText(error);
    return false;
  }
  if (!CheckRegularSingleLinkFile(file.get(), nullptr, message)) {
    StoreError(win32_error, kErrorNotRegularSingleLinkFile);
    return false;
  }
  return Sha256OpenFile(file.get(), digest, message, win32_error);
}

}  // namespace tavlun
