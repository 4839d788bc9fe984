#include "install/temp_files.h"

#include <cstring>
#include <vector>

#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "install/engine_names.h"

#ifndef BCRYPT_USE_SYSTEM_PREFERRED_RNG
#define BCRYPT_USE_SYSTEM_PREFERRED_RNG 0x00000002
#endif

namespace tavlun {

std::wstring MakeTimestampName(const EngineHooks* hooks) {
  if (hooks != nullptr && hooks->timestamp_name) return hooks->timestamp_name();
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return FormatTimestampName(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                             ::GetCurrentProcessId());
}

bool WriteAllAndFlush(HANDLE file, const void* bytes, std::uint32_t length, std::uint32_t* error) {
  const auto* next = static_cast<const std::uint8_t*>(bytes);
  std::uint32_t written_total = 0;
  while (written_total < length) {
    DWORD written = 0;
    if (!::WriteFile(file, next + written_total, length - written_total, &written, nullptr) || written == 0) break;
    written_total += written;
  }
  if (written_total == length && ::FlushFileBuffers(file)) return true;
  if (error != nullptr) *error = ::GetLastError();
  return false;
}

bool MarkDeleteOnClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

bool KeepOnClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = FALSE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

bool RenameOpenFile(HANDLE file, const std::wstring& destination, bool replace) {
  // FILE_RENAME_INFO with its name inline.
  const std::size_t name_bytes = destination.size() * sizeof(wchar_t);
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(rename->FileName, destination.c_str(), name_bytes);
  return ::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool CreateStagingFile(const std::wstring& folder, SECURITY_ATTRIBUTES* security, DWORD share, UniqueHandle* file,
                       std::uint32_t* error) {
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    std::wstring token;
    if (!RandomHexToken(&token)) {
      *error = ERROR_GEN_FAILURE;
      return false;
    }
    const std::wstring candidate = JoinPath(folder, RandomTempName(L"part", token));
    file->reset(::CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL, share, security,
                              CREATE_NEW, FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    if (!*file) {
      *error = ::GetLastError();
      if (*error == ERROR_FILE_EXISTS || *error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    if (MarkDeleteOnClose(file->get())) return true;
    *error = ::GetLastError();
    file->reset();  // not deleted: the mark itself failed, and the name is left to the next run
    return false;
  }
  *error = kErrorNoUniqueName;
  return false;
}

bool PublishStagingFile(HANDLE file, const std::wstring& destination, std::uint32_t* error) {
  if (KeepOnClose(file) && RenameOpenFile(file, destination, false)) return true;
  const DWORD code = ::GetLastError();
  *error = code == ERROR_ALREADY_EXISTS ? static_cast<DWORD>(ERROR_FILE_EXISTS) : code;
  MarkDeleteOnClose(file);
  return false;
}

bool ClearReadOnlyAttribute(HANDLE file) {
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic))) return false;
  if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  // Zero times leave the file's times as they are.
  basic.CreationTime.QuadPart = 0;
  basic.LastAccessTime.QuadPart = 0;
  basic.LastWriteTime.QuadPart = 0;
  basic.ChangeTime.QuadPart = 0;
  return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic)) != FALSE;
}

bool NextRandomToken(const EngineHooks* hooks, std::wstring* token) {
  if (hooks != nullptr && hooks->random_token) return hooks->random_token(token);
  return RandomHexToken(token);
}

std::uint64_t NextTickCount(const EngineHooks* hooks) {
  if (hooks != nullptr && hooks->tick_count) return hooks->tick_count();
  return ::GetTickCount64();
}

bool CreateVerifiedTempFile(const std::wstring& folder, const std::uint8_t* data, std::uint32_t size,
                            std::wstring* path, FileIdentity* identity, std::wstring* message, std::uint32_t* error,
                            const EngineHooks* hooks) {
  const auto process_id = static_cast<std::uint32_t>(::GetCurrentProcessId());
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    const std::wstring candidate = JoinPath(folder, TempInstallFileName(process_id, NextTickCount(hooks), attempt));
    // No sharing and no security attributes: the file takes the target folder's inherited DACL and nobody else
    // can open it until it is closed. A link planted under the name counts as taken (never followed).
    UniqueHandle file(::CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (!file) {
      const DWORD create_error = ::GetLastError();
      *error = create_error;
      if (create_error == ERROR_FILE_EXISTS || create_error == ERROR_ALREADY_EXISTS) continue;
      *message = L"Geçici kurulum dosyası oluşturulamadı: " + WindowsErrorText(create_error);
      return false;
    }
    // Marked for deletion until it is complete: a stopped write leaves no partial file under any name.
    if (!MarkDeleteOnClose(file.get())) {
      *error = ::GetLastError();
      *message = L"Geçici kurulum dosyası oluşturulamadı: " + WindowsErrorText(*error);
      return false;
    }
    RunHook(hooks, &EngineHooks::checkpoint, L"temporary file created");
    if (!WriteAllAndFlush(file.get(), data, size, error)) {
      *message = L"Geçici kurulum dosyası yazılamadı: " + WindowsErrorText(*error);
      return false;
    }
    FileIdentity written;
    if (!CheckRegularSingleLinkFile(file.get(), &written, message)) {
      *error = kErrorNotRegularSingleLinkFile;
      return false;
    }
    if (!KeepOnClose(file.get())) {
      *error = ::GetLastError();
      *message = L"Geçici kurulum dosyası yazılamadı: " + WindowsErrorText(*error);
      return false;
    }
    *path = candidate;
    *identity = written;
    file.reset();
    RunHook(hooks, &EngineHooks::checkpoint, L"temporary file written");
    return true;
  }
  *error = kErrorNoUniqueName;
  *message = L"Benzersiz geçici kurulum dosyası oluşturulamadı.";
  return false;
}

bool RandomHexToken(std::wstring* token) {
  const auto& bcrypt = sysdll::Bcrypt();
  if (!bcrypt.loaded) return false;
  unsigned char bytes[16];
  if (bcrypt.BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) return false;
  *token = HexUpper(bytes, sizeof(bytes));
  return true;
}

bool MakeSecureTempName(const std::wstring& folder, const std::wstring& label, std::wstring* path,
                        std::wstring* message, const EngineHooks* hooks) {
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    std::wstring token;
    if (!NextRandomToken(hooks, &token)) {
      *message = L"Güvenli rastgele dosya adı üretilemedi.";
      return false;
    }
    const std::wstring candidate = JoinPath(folder, RandomTempName(label, token));
    // Links are not followed by the attribute query: a planted link counts as an existing name.
    if (::GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    const DWORD lookup_error = ::GetLastError();
    if (lookup_error == ERROR_FILE_NOT_FOUND || lookup_error == ERROR_PATH_NOT_FOUND) {
      *path = candidate;
      return true;
    }
    *message = L"Güvenli geçici ad denetlenemedi: " + WindowsErrorText(lookup_error);
    return false;
  }
  *message = L"Benzersiz güvenli geçici ad üretilemedi.";
  return false;
}

bool WriteWholeFile(const std::wstring& path, const void* bytes, std::uint32_t length, std::wstring* message) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *message = WindowsErrorText(::GetLastError());
    return false;
  }
  std::uint32_t error = 0;
  if (!WriteAllAndFlush(file.get(), bytes, length, &error)) {
    *message = WindowsErrorText(error);
    return false;
  }
  return true;
}

}  // namespace tavlun
