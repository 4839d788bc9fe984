#include "install/backup_copy.h"

#include <windows.h>

#include <memory>

#include "core/scope_guard.h"
#include "core/scoped_privilege.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "install/engine_names.h"
#include "install/secure_object.h"
#include "install/temp_files.h"

namespace tavlun {
namespace {

struct alignas(32) CopyBuffer {
  std::uint8_t bytes[65536];
};

// Fills the message and code and reports failure.
bool Fail(std::wstring* message, std::uint32_t* error, std::wstring text, std::uint32_t code) {
  *message = std::move(text);
  *error = code;
  return false;
}

}  // namespace

bool CopyToNewFile(const std::wstring& source, const std::wstring& destination, bool secure, std::wstring* message,
                   std::uint32_t* error, FileIdentity* destination_identity, const EngineHooks* hooks) {
  // No write sharing: no writer can be active while the copy is made.
  UniqueHandle input(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
  if (!input) {
    const DWORD code = ::GetLastError();
    return Fail(message, error, L"Kaynak dosya açılamadı: " + WindowsErrorText(code), code);
  }
  if (!CheckRegularSingleLinkFile(input.get(), nullptr, message)) {
    *error = kErrorNotRegularSingleLinkFile;
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(input.get(), &size)) {
    const DWORD code = ::GetLastError();
    return Fail(message, error, L"Yedeklenecek dosyanın boyutu okunamadı: " + WindowsErrorText(code), code);
  }
  if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > kBackupSizeLimit) {
    return Fail(message, error, L"Yedeklenecek dosya boyutu güvenli sınırın dışında.", kErrorFileAboveBackupLimit);
  }

  UniqueSecurityDescriptor descriptor;
  if (secure && !BuildSecureDescriptor(false, &descriptor, message)) return false;
  SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
  // The copy is written under a staging name in the destination's folder and gets the destination's name only
  // once it is complete, flushed and verified: no name ever shows a partial or empty copy.
  const std::size_t slash = destination.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : destination.substr(0, slash);
  UniqueHandle output;
  std::uint32_t create_error = 0;
  bool created;
  {
    ScopedPrivilege restore(SE_RESTORE_NAME);  // the descriptor names Administrators as owner
    created = CreateStagingFile(folder, secure ? &security : nullptr, 0, &output, &create_error);
  }
  descriptor.reset();
  if (!created) {
    return Fail(message, error, L"Hedef dosya oluşturulamadı: " + WindowsErrorText(create_error), create_error);
  }
  // From here on every failure removes the partial copy through its own handle (it is marked from its creation;
  // the guard marks it again after a failed publication).
  auto remove_destination = MakeScopeGuard([&output] { MarkDeleteOnClose(output.get()); });
  RunHook(hooks, &EngineHooks::checkpoint, L"copy created");

  FileIdentity identity;
  if (!CheckRegularSingleLinkFile(output.get(), &identity, message) ||
      (secure && !VerifySecureObject(output.get(), false, message))) {
    *error = kErrorNewFileNotVerified;
    return false;
  }

  auto buffer = std::make_unique<CopyBuffer>();
  std::uint64_t copied = 0;
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(input.get(), buffer->bytes, sizeof(buffer->bytes), &read, nullptr)) {
      const DWORD code = ::GetLastError();
      return Fail(message, error, L"Kaynak dosya okunamadı: " + WindowsErrorText(code), code);
    }
    if (read == 0) break;
    copied += read;
    if (copied > kBackupSizeLimit) {
      return Fail(message, error, L"Yedeklenecek dosya boyutu güvenli sınırın dışında.", kErrorFileAboveBackupLimit);
    }
    DWORD done = 0;
    while (done < read) {
      DWORD written = 0;
      if (!::WriteFile(output.get(), buffer->bytes + done, read - done, &written, nullptr) || written == 0) {
        const DWORD code = ::GetLastError();
        return Fail(message, error, L"Hedef dosya yazılamadı: " + WindowsErrorText(code), code);
      }
      done += written;
    }
  }
  if (!::FlushFileBuffers(output.get())) {
    const DWORD code = ::GetLastError();
    return Fail(message, error, L"Hedef dosya diske yazılamadı: " + WindowsErrorText(code), code);
  }
  if (secure && !VerifySecureObject(output.get(), false, message)) {
    *error = kErrorNewFileNotVerified;
    return false;
  }
  RunHook(hooks, &EngineHooks::checkpoint, L"copy flushed");
  std::uint32_t publish_error = 0;
  if (!PublishStagingFile(output.get(), destination, &publish_error)) {
    return Fail(message, error, L"Hedef dosya oluşturulamadı: " + WindowsErrorText(publish_error), publish_error);
  }
  remove_destination.Dismiss();
  if (destination_identity != nullptr) *destination_identity = identity;
  output.reset();
  RunHook(hooks, &EngineHooks::checkpoint, L"copy written");
  return true;
}

bool CreateRollbackCopy(const std::wstring& folder, const std::wstring& source, std::wstring* copy_path,
                        std::wstring* message, std::uint32_t* error, FileIdentity* copy_identity,
                        const EngineHooks* hooks) {
  const auto process_id = static_cast<std::uint32_t>(::GetCurrentProcessId());
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    const std::wstring candidate = JoinPath(folder, RollbackCopyName(process_id, NextTickCount(hooks), attempt));
    std::uint32_t code = 0;
    if (CopyToNewFile(source, candidate, false, message, &code, copy_identity, hooks)) {
      *copy_path = candidate;
      return true;
    }
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      *error = code;
      return false;
    }
  }
  *error = kErrorNoUniqueName;
  *message = L"Benzersiz geri alma dosyası oluşturulamadı.";
  return false;
}

}  // namespace tavlun
