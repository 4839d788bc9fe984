// System DLLs that the program uses but does not import statically, loaded from System32 only.
//
// How each system DLL reaches the program, and why:
// - Imported statically (cmake/SystemImports.cmake): kernel32, user32, gdi32, advapi32, shell32, shlwapi, ole32
//   and msvcrt. All are KnownDLLs on every supported Windows, so the loader never looks for them next to the
//   program, where anyone who can write to a Downloads folder could plant a copy that the elevated run would load.
// - Loaded here, each by its own name with LOAD_LIBRARY_SEARCH_SYSTEM32: bcrypt (hashing, random names), version
//   (file versions), winscard (the PC/SC probe), comctl32 (common controls, task dialogs, subclassing) and shcore
//   (monitor DPI), oleaut32 (strings for the desktop shell's automation interface); wintrust and crypt32 (the
//   offline signature check) through LoadSystemDll in integrity/authenticode_win.cpp. System32 holds comctl32 version 5, which has no task dialogs; version 6 is reached only through
//   the manifest's activation context, so Comctl32() checks the version it got and, below 6, loads the DLL again
//   inside the context of the program's own manifest.
// - Looked up in an already loaded KnownDLL with GetProcAddress: functions newer than Windows 7
//   (SetDefaultDllDirectories, the per-monitor DPI functions of user32).
// HardenDllSearch() is the first call of the entry; after it every later load, including the dependencies of
// these DLLs, searches System32 only.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <commctrl.h>
#include <winscard.h>
#include <oleauto.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace tavlun::sysdll {

// Restricts the DLL search of the whole process to System32 and drops the current folder from it.
void HardenDllSearch();

// Loads a system DLL by name from System32 only; nullptr with the last error set on failure. The module is
// kept loaded for the life of the process.
HMODULE LoadSystemDll(const wchar_t* name);

struct BcryptApi {
  bool loaded = false;
  decltype(&::BCryptOpenAlgorithmProvider) BCryptOpenAlgorithmProvider = nullptr;
  decltype(&::BCryptCloseAlgorithmProvider) BCryptCloseAlgorithmProvider = nullptr;
  decltype(&::BCryptGetProperty) BCryptGetProperty = nullptr;
  decltype(&::BCryptCreateHash) BCryptCreateHash = nullptr;
  decltype(&::BCryptHashData) BCryptHashData = nullptr;
  decltype(&::BCryptFinishHash) BCryptFinishHash = nullptr;
  decltype(&::BCryptDestroyHash) BCryptDestroyHash = nullptr;
  decltype(&::BCryptGenRandom) BCryptGenRandom = nullptr;
};

struct VersionApi {
  bool loaded = false;
  decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW = nullptr;
  decltype(&::GetFileVersionInfoW) GetFileVersionInfoW = nullptr;
  decltype(&::VerQueryValueW) VerQueryValueW = nullptr;
};

struct WinscardApi {
  bool loaded = false;
  decltype(&::SCardEstablishContext) SCardEstablishContext = nullptr;
  decltype(&::SCardReleaseContext) SCardReleaseContext = nullptr;
  decltype(&::SCardListReadersW) SCardListReadersW = nullptr;
  decltype(&::SCardGetStatusChangeW) SCardGetStatusChangeW = nullptr;
  decltype(&::SCardFreeMemory) SCardFreeMemory = nullptr;
};

struct Comctl32Api {
  bool loaded = false;
  decltype(&::InitCommonControlsEx) InitCommonControlsEx = nullptr;
  decltype(&::SetWindowSubclass) SetWindowSubclass = nullptr;
  decltype(&::RemoveWindowSubclass) RemoveWindowSubclass = nullptr;
  decltype(&::DefSubclassProc) DefSubclassProc = nullptr;
  // Only in version 6; declared by hand because the SDK hides it below Vista-level headers.
  using TaskDialogIndirectFn = HRESULT(WINAPI*)(const void* config, int* button, int* radio, BOOL* verification);
  TaskDialogIndirectFn TaskDialogIndirect = nullptr;
  // The module the functions come from and what its DllGetVersion reports (0 when it has none).
  HMODULE module = nullptr;
  DWORD major_version = 0;
};

struct OleAut32Api {
  bool loaded = false;
  decltype(&::SysAllocString) SysAllocString = nullptr;
  decltype(&::SysFreeString) SysFreeString = nullptr;
};

struct TrustApi {
  bool loaded = false;
  decltype(&::WinVerifyTrust) WinVerifyTrust = nullptr;
  decltype(&::CryptQueryObject) CryptQueryObject = nullptr;
  decltype(&::CryptMsgGetParam) CryptMsgGetParam = nullptr;
  decltype(&::CryptMsgClose) CryptMsgClose = nullptr;
  decltype(&::CertCloseStore) CertCloseStore = nullptr;
  decltype(&::CertFindCertificateInStore) CertFindCertificateInStore = nullptr;
  decltype(&::CertFreeCertificateContext) CertFreeCertificateContext = nullptr;
  decltype(&::CertGetNameStringW) CertGetNameStringW = nullptr;
  decltype(&::CryptDecodeObject) CryptDecodeObject = nullptr;
};

// Each loads its DLL on first use (thread-safe) and resolves every function; `loaded` is true only when the DLL
// and all of its functions were found.
const BcryptApi& Bcrypt();
const VersionApi& Version();
const WinscardApi& Winscard();
const Comctl32Api& Comctl32();
const OleAut32Api& OleAut32();
const TrustApi& Trust();

// A string allocated with SysAllocString (COM calls marshal it by its length prefix), freed when the owner ends.
class UniqueBstr {
 public:
  explicit UniqueBstr(const wchar_t* text);
  ~UniqueBstr();
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != nullptr; }

 private:
  BSTR value_ = nullptr;
};

}  // namespace tavlun::sysdll
