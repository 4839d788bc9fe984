// A look-alike bcrypt.dll or winscard.dll in the program's folder is never loaded, in any run mode.
//
// Windows searches the program's own folder first for every DLL that is not a KnownDLL. Wine normally prefers
// its built-in system DLLs; the override "native,builtin" for bcrypt and winscard (what WINEDLLOVERRIDES=
// "bcrypt,winscard=n,b" says, set here per program in Wine's AppDefaults registry key, because Wine passes a
// WINE* variable from a Windows environment block on to no child) makes it search like Windows does for these
// two. On Windows the key means nothing. A control program that imports both statically shows, in every
// fixture, that the look-alikes are found and leave their marker; the program, started from the same folder,
// must leave none.
//
// version.dll and uxtheme.dll are not planted: Wine's own user32 imports them while any process starts, before
// the program's first instruction, so a marker would say nothing about the program. For those the import-table
// test is the proof.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/text.h"
#include "install/work_area.h"
#include "tests/app/child_process.h"
#include "tests/support/test_support.h"
#include "ui/main_window.h"

namespace tavlun {
namespace {

using namespace testing_support;

constexpr DWORD kRunTimeoutMs = 120000;

// The installed files and work folders an elevated run may create in the prefix, put back as they were.
class InstallationRestorer {
 public:
  InstallationRestorer() {
    wchar_t windows[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring root(windows, length);
    wchar_t system[MAX_PATH];
    const UINT system_length = ::GetSystemDirectoryW(system, MAX_PATH);
    Remember(JoinPath(std::wstring(system, system_length), L"akisp11.dll"));
    Remember(JoinPath(JoinPath(root, L"Sysnative"), L"akisp11.dll"));
    Remember(JoinPath(JoinPath(root, L"System32"), L"akisp11.dll"));
    PWSTR program_data = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &program_data))) {
      work_folder_ = JoinPath(program_data, kWorkAreaFolderName);
      work_folder_existed_ = FileExists(work_folder_);
    }
    ::CoTaskMemFree(program_data);
  }
  ~InstallationRestorer() {
    for (const SavedFile& saved : files_) {
      if (saved.existed) {
        if (ReadBytes(saved.path) != saved.bytes) WriteBytes(saved.path, saved.bytes);
      } else if (FileExists(saved.path)) {
        ::SetFileAttributesW(saved.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(saved.path.c_str());
      }
    }
    if (!work_folder_.empty() && !work_folder_existed_) RemoveTree(work_folder_);
  }
  InstallationRestorer(const InstallationRestorer&) = delete;
  InstallationRestorer& operator=(const InstallationRestorer&) = delete;

 private:
  struct SavedFile {
    std::wstring path;
    bool existed;
    std::vector<std::uint8_t> bytes;
  };
  void Remember(const std::wstring& path) {
    const bool existed = FileExists(path);
    files_.push_back(SavedFile{path, existed, existed ? ReadBytes(path) : std::vector<std::uint8_t>()});
  }
  std::vector<SavedFile> files_;
  std::wstring work_folder_;
  bool work_folder_existed_ = true;
};

// Per-program DLL overrides in HKCU\Software\Wine\AppDefaults\<program>\DllOverrides, removed again at the end.
class NativeFirstOverrides {
 public:
  explicit NativeFirstOverrides(const std::vector<std::wstring>& programs) {
    for (const std::wstring& program : programs) {
      const std::wstring app_key = L"Software\\Wine\\AppDefaults\\" + program;
      UniqueRegKey existing;
      const bool existed =
          ::RegOpenKeyExW(HKEY_CURRENT_USER, app_key.c_str(), 0, KEY_READ, existing.put()) == ERROR_SUCCESS;
      if (!existed) created_.push_back(app_key);
      UniqueRegKey overrides;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, (app_key + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, overrides.put(), nullptr) != ERROR_SUCCESS) {
        ok_ = false;
        continue;
      }
      static const wchar_t kOrder[] = L"native,builtin";
      for (const wchar_t* dll : {L"bcrypt", L"winscard"}) {
        ok_ = ok_ && ::RegSetValueExW(overrides.get(), dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder),
                                      sizeof(kOrder)) == ERROR_SUCCESS;
      }
    }
  }
  ~NativeFirstOverrides() {
    for (const std::wstring& key : created_) ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  NativeFirstOverrides(const NativeFirstOverrides&) = delete;
  NativeFirstOverrides& operator=(const NativeFirstOverrides&) = delete;
  bool ok() const { return ok_; }

 private:
  std::vector<std::wstring> created_;
  bool ok_ = true;
};

class PlantedDlls : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring dlls = JoinPath(TestBinDir(), L"dlls");
    ASSERT_TRUE(::CopyFileW(ProgramPath().c_str(), Program().c_str(), TRUE));
    ASSERT_TRUE(::CopyFileW(ToolPath(L"lookalike_control.exe").c_str(), Planted(L"lookalike_control.exe").c_str(), TRUE));
    ASSERT_TRUE(::CopyFileW(ToolPath(L"system_dll_loader.exe").c_str(), Planted(L"system_dll_loader.exe").c_str(), TRUE));
    ASSERT_TRUE(::CopyFileW(JoinPath(dlls, L"lookalike_bcrypt.dll").c_str(), Planted(L"bcrypt.dll").c_str(), TRUE));
    ASSERT_TRUE(::CopyFileW(JoinPath(dlls, L"lookalike_winscard.dll").c_str(), Planted(L"winscard.dll").c_str(), TRUE));
    ASSERT_TRUE(overrides_.ok());

    // The set-up works: a program that imports both from this folder loads the look-alikes.
    DWORD exit_code = 0;
    ASSERT_TRUE(Run(Planted(L"lookalike_control.exe"), L"", &exit_code));
    ASSERT_TRUE(FileExists(BcryptMarker())) << "the control program did not load the planted bcrypt.dll";
    ASSERT_TRUE(FileExists(WinscardMarker())) << "the control program did not load the planted winscard.dll";
    ASSERT_TRUE(::DeleteFileW(BcryptMarker().c_str()));
    ASSERT_TRUE(::DeleteFileW(WinscardMarker().c_str()));
  }

  std::wstring Planted(const std::wstring& name) const { return folder_.Child(name); }
  std::wstring Program() const { return Planted(L"TavlunYardimcisi.exe"); }
  std::wstring BcryptMarker() const { return Planted(L"bcrypt.dll.loaded"); }
  std::wstring WinscardMarker() const { return Planted(L"winscard.dll.loaded"); }

  bool Run(const std::wstring& program, const std::wstring& arguments, DWORD* exit_code) {
    ChildProcess child;
    if (!child.Start(program, arguments, false, folder_.path())) return false;
    child.Resume();
    return child.WaitForExit(kRunTimeoutMs, exit_code);
  }

  // Who loaded a look-alike: the marker holds the path of each program that did.
  void ExpectNoMarkers() const {
    for (const std::wstring& marker : {BcryptMarker(), WinscardMarker()}) {
      const std::vector<std::uint8_t> bytes = ReadBytes(marker);
      const std::wstring loaders(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
      EXPECT_FALSE(FileExists(marker)) << Utf8(marker) << " left by: " << Utf8(loaders);
    }
  }

  ScratchDir folder_{L"tavlun-planted"};
  NativeFirstOverrides overrides_{{L"TavlunYardimcisi.exe", L"lookalike_control.exe", L"system_dll_loader.exe"}};
};

TEST_F(PlantedDlls, WindowModeLoadsNoLookAlike) {
  ChildProcess child;
  ASSERT_TRUE(child.Start(Program(), L"", false, folder_.path()));
  child.Resume();
  HWND window = nullptr;
  for (int i = 0; i < 300 && window == nullptr; ++i) {
    PumpMessagesFor(50);
    window = FindProcessWindow(child.id(), kMainWindowClass);
  }
  ASSERT_NE(window, nullptr);
  PumpMessagesFor(500);  // let start-up work that follows the window finish
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exit_code = 999;
  ASSERT_TRUE(child.WaitForExit(kRunTimeoutMs, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  ExpectNoMarkers();
}

TEST_F(PlantedDlls, ProbeModeWithARealPipeLoadsNoLookAlike) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueHandle read_end;
  UniqueHandle write_end;
  ASSERT_TRUE(::CreatePipe(read_end.put(), write_end.put(), &inheritable, 0));
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  const auto value = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(write_end.get()));
  ChildProcess child;
  ASSERT_TRUE(child.Start(Program(), L"--pcsc-probe --pcsc-pipe=" + DecimalText(value), true, folder_.path()));
  write_end.reset();
  child.Resume();
  DWORD exit_code = 0;
  ASSERT_TRUE(child.WaitForExit(kRunTimeoutMs, &exit_code));
  EXPECT_NE(exit_code, 61u) << "the pipe should have been accepted";
  ExpectNoMarkers();
}

TEST_F(PlantedDlls, SelfTestLoadsNoLookAlike) {
  DWORD exit_code = 0;
  ASSERT_TRUE(Run(Program(), L"--self-test", &exit_code));
  ExpectNoMarkers();
}

TEST_F(PlantedDlls, ElevatedInstallLoadsNoLookAlike) {
  // The test runs with administrator rights under Wine, so the run may really install into the prefix.
  InstallationRestorer restore;
  DWORD exit_code = 0;
  ASSERT_TRUE(Run(Program(), L"--install-elevated", &exit_code));
  ExpectNoMarkers();
}

TEST_F(PlantedDlls, SystemDllLoaderTakesTheSystemCopies) {
  // Without the entry's process-wide restriction: the loader alone must pass over the program's folder.
  DWORD exit_code = 0;
  ASSERT_TRUE(Run(Planted(L"system_dll_loader.exe"), L"", &exit_code));
  EXPECT_EQ(exit_code, 0u) << "bit mask of system DLLs that did not load (1 bcrypt, 2 version, 4 winscard, 8 comctl32)";
  ExpectNoMarkers();
}

}  // namespace
}  // namespace tavlun
