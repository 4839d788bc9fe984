#include <windows.h>

#include <string>

#include "core/native_architecture.h"
#include "core/scoped_privilege.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "install/engine_names.h"
#include "install/install_log.h"
#include "install/secure_object.h"
#include "install/temp_files.h"
#include "integrity/sha256.h"

namespace tavlun {
namespace {

bool ToUtf8(const std::wstring& text, std::string* utf8) {
  utf8->clear();
  if (text.empty()) return true;
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  utf8->resize(static_cast<std::size_t>(size));
  const int converted = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &(*utf8)[0],
                                              size, nullptr, nullptr);
  return converted == size;
}

// Checks, writes and re-checks a freshly created record; false leaves it to be deleted on close.
bool FillRecord(HANDLE file, const std::string& bytes, bool secure) {
  std::wstring ignored;
  std::uint32_t error = 0;
  return CheckRegularSingleLinkFile(file, nullptr, &ignored) && (!secure || VerifySecureObject(file, false, &ignored)) &&
         WriteAllAndFlush(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &error) &&
         (!secure || VerifySecureObject(file, false, &ignored));
}

}  // namespace

bool WriteInstallLog(const std::wstring& log_folder, const InstallOutcome& outcome, bool secure,
                     const EngineHooks* hooks) {
  // The documented values 0, 9 and 12; the upper half of the logged 32-bit field stays 0.
  const std::uint32_t architecture = NativeArchitecture();
  std::string bytes;
  if (!ToUtf8(ComposeInstallLogText(outcome, MakeTimestampName(hooks), architecture), &bytes)) return false;

  UniqueSecurityDescriptor descriptor;
  std::wstring ignored;
  if (secure && !BuildSecureDescriptor(false, &descriptor, &ignored)) return false;
  SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};

  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    std::wstring token;
    if (!NextRandomToken(hooks, &token)) return false;
    const std::wstring path = JoinPath(log_folder, LogFileName(MakeTimestampName(hooks), token));
    UniqueHandle file;
    DWORD create_error;
    {
      ScopedPrivilege restore(SE_RESTORE_NAME);  // the descriptor names Administrators as owner
      file.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL, FILE_SHARE_READ,
                               secure ? &security : nullptr, CREATE_NEW,
                               FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                               nullptr));
      create_error = ::GetLastError();
    }
    if (!file) {
      if (create_error == ERROR_FILE_EXISTS || create_error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    RunHook(hooks, &EngineHooks::checkpoint, L"record created");
    if (FillRecord(file.get(), bytes, secure)) {
      file.reset();
      RunHook(hooks, &EngineHooks::checkpoint, L"record written");
      return true;
    }
    MarkDeleteOnClose(file.get());  // a partly written record never remains
    return false;
  }
  return false;
}

}  // namespace tavlun
