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
                     const EngineHooks* hooks, const std::wstring& work_area_moved) {
  std::string bytes;
  if (!ToUtf8(ComposeInstallLogText(outcome, ReadInstallLogContext(hooks, work_area_moved)), &bytes)) return false;

  UniqueSecurityDescriptor descriptor;
  std::wstring ignored;
  if (secure && !BuildSecureDescriptor(false, &descriptor, &ignored)) return false;
  SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};

  // The record is written under a staging name and gets its final name only once complete, flushed and
  // verified: no record name ever shows an empty or partial record.
  UniqueHandle file;
  std::uint32_t error = 0;
  bool created;
  {
    ScopedPrivilege restore(SE_RESTORE_NAME);  // the descriptor names Administrators as owner
    created = CreateStagingFile(log_folder, secure ? &security : nullptr, FILE_SHARE_READ, &file, &error);
  }
  if (!created) return false;
  RunHook(hooks, &EngineHooks::checkpoint, L"record created");
  if (!FillRecord(file.get(), bytes, secure)) return false;  // deleted on close: it is still marked
  RunHook(hooks, &EngineHooks::checkpoint, L"record flushed");
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    std::wstring token;
    if (!NextRandomToken(hooks, &token)) return false;
    const std::wstring path = JoinPath(log_folder, LogFileName(MakeTimestampName(hooks), token));
    if (PublishStagingFile(file.get(), path, &error)) {
      file.reset();
      RunHook(hooks, &EngineHooks::checkpoint, L"record written");
      return true;
    }
    if (error != ERROR_FILE_EXISTS) return false;  // a taken name is never overwritten: the next one is tried
  }
  return false;
}

}  // namespace tavlun
