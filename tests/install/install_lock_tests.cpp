// The global installation lock: created with its own descriptor, verified before it is trusted, never waited for.
#include <gtest/gtest.h>

#include "install/install_lock.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

std::wstring UniqueName(const wchar_t* kind) {
  static int serial = 0;
  return std::wstring(L"Global\\Korvan-Test-") + kind + L"-" + DecimalText(static_cast<std::uint32_t>(::GetCurrentProcessId())) +
         L"-" + DecimalText(static_cast<std::uint32_t>(++serial));
}

// lock_holder.exe holding a mutex in its own process until the object ends (or Quit is called).
class LockHolder {
 public:
  LockHolder(const std::wstring& name, const wchar_t* mode, bool abandon = false) {
    const std::wstring base = L"Local\\tavlun-lock-holder-" + DecimalText(static_cast<std::uint32_t>(::GetCurrentProcessId()));
    const std::wstring ready_name = base + L"-ready";
    const std::wstring quit_name = base + L"-quit";
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
    quit_.reset(::CreateEventW(nullptr, TRUE, FALSE, quit_name.c_str()));
    std::wstring command = testing_support::QuoteArgument(testing_support::ToolPath(L"lock_holder.exe")) + L" " +
                           name + L" " + ready_name + L" " + quit_name + L" " + mode + (abandon ? L" abandon" : L"");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return;
    process_.reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    HANDLE waits[2] = {ready_.get(), process_.get()};
    ready_ok_ = ::WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
  }
  ~LockHolder() { Quit(); }
  bool ready() const { return ready_ok_; }
  DWORD Quit() {
    DWORD code = 999;
    if (!process_) return code;
    ::SetEvent(quit_.get());
    ::WaitForSingleObject(process_.get(), 30000);
    ::GetExitCodeProcess(process_.get(), &code);
    process_.reset();
    return code;
  }

 private:
  UniqueHandle ready_;
  UniqueHandle quit_;
  UniqueHandle process_;
  bool ready_ok_ = false;
};

TEST(InstallLock, IsCreatedVerifiedAndReleased) {
  const std::wstring name = UniqueName(L"fresh");
  std::wstring message;
  std::uint32_t error = 0;
  {
    InstallLock lock;
    ASSERT_TRUE(AcquireInstallLock(&lock, &message, &error, name.c_str())) << Utf8(message);
    EXPECT_TRUE(lock.owned);
    EXPECT_TRUE(VerifyInstallLockSecurity(lock.mutex.get(), &message)) << Utf8(message);
    ReleaseInstallLock(&lock);
    EXPECT_FALSE(lock.owned);
    EXPECT_FALSE(lock.mutex);
    ReleaseInstallLock(&lock);  // nothing held: nothing happens
  }
  // The real name works the same way.
  InstallLock lock;
  ASSERT_TRUE(AcquireInstallLock(&lock, &message, &error)) << Utf8(message);
  EXPECT_TRUE(lock.owned);
}

TEST(InstallLock, AnotherObjectTypeHoldingTheNameStopsTheRun) {
  const std::wstring name = UniqueName(L"event");
  UniqueHandle squatter(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
  ASSERT_TRUE(squatter);
  InstallLock lock;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(AcquireInstallLock(&lock, &message, &error, name.c_str()));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(message, L"Kurulum kilidi oluşturulamadı: " + WindowsErrorText(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(lock.owned);
}

TEST(InstallLock, SquattedMutexWithDefaultDescriptorIsRefused) {
  const std::wstring name = UniqueName(L"squat");
  LockHolder squatter(name, L"default");
  ASSERT_TRUE(squatter.ready());
  InstallLock lock;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(AcquireInstallLock(&lock, &message, &error, name.c_str()));
  EXPECT_FALSE(lock.owned);
  if (error == ERROR_ACCESS_DENIED) {
    EXPECT_EQ(message, L"Global kurulum kilidine erişim reddedildi; ad güvenilmeyen bir işlem tarafından önceden "
                       L"alınmış olabilir.");
  } else {
    EXPECT_EQ(error, 1338u);
    EXPECT_TRUE(StartsWith(message, L"Önceden var olan global kurulum kilidi güvenilir değil: Kurulum kilidinin "))
        << Utf8(message);
  }
  EXPECT_EQ(squatter.Quit(), 0u);
}

TEST(InstallLock, ProtectedMutexHeldByAnotherProcessIsBusy) {
  const std::wstring name = UniqueName(L"busy");
  LockHolder other(name, L"protected");
  ASSERT_TRUE(other.ready());
  InstallLock lock;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(AcquireInstallLock(&lock, &message, &error, name.c_str()));
  EXPECT_EQ(error, 170u);
  EXPECT_EQ(message, L"Başka bir AKİS DLL kurulumu zaten çalışıyor.");
  EXPECT_FALSE(lock.owned);
  EXPECT_TRUE(lock.mutex) << "the handle stays in the lock until it is released";
  EXPECT_EQ(other.Quit(), 0u);
  // Released by the other installer: free again.
  ASSERT_TRUE(AcquireInstallLock(&lock, &message, &error, name.c_str())) << Utf8(message);
  EXPECT_TRUE(lock.owned);
}

TEST(InstallLock, AbandonedLockIsTakenOver) {
  const std::wstring name = UniqueName(L"abandoned");
  UniqueHandle keep_alive;
  {
    LockHolder crashed(name, L"protected", true);
    ASSERT_TRUE(crashed.ready());
    keep_alive.reset(::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    ASSERT_TRUE(keep_alive);
    EXPECT_EQ(crashed.Quit(), 0u);
  }
  InstallLock lock;
  std::wstring message;
  std::uint32_t error = 0;
  ASSERT_TRUE(AcquireInstallLock(&lock, &message, &error, name.c_str())) << Utf8(message);
  EXPECT_TRUE(lock.owned);
}

}  // namespace
}  // namespace tavlun
