#include "core/system_dlls.h"

#include <shlwapi.h>

#include <string>

#include "core/text.h"
#include "core/unique_handle.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace tavlun::sysdll {
namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& slot) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return slot != nullptr;
}

// DllGetVersion's major version, 0 when the module has none.
DWORD MajorVersionOf(HMODULE module) {
  if (module == nullptr) return 0;
  DLLGETVERSIONPROC get_version = nullptr;
  if (!Resolve(module, "DllGetVersion", get_version)) return 0;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof(info);
  return SUCCEEDED(get_version(&info)) ? info.dwMajorVersion : 0;
}

// Loads a system DLL while the activation context of the program's own manifest (resource 1) is active, so that
// side-by-side assemblies it names are chosen. nullptr when the program has no manifest or the load fails.
HMODULE LoadInOwnManifestContext(const wchar_t* name) {
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = ::GetModuleHandleW(nullptr);
  request.lpResourceName = MAKEINTRESOURCEW(1);
  UniqueActivationContext context(::CreateActCtxW(&request));
  if (!context) return nullptr;
  ActivatedContext active(context.get());
  if (!active) return nullptr;
  return LoadSystemDll(name);
}

}  // namespace

void HardenDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  // kernel32 is always loaded; Windows 7 without update KB2533623 lacks the export.
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  SetDefaultDllDirectoriesFn set_default = nullptr;
  if (kernel != nullptr) Resolve(kernel, "SetDefaultDllDirectories", set_default);
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemDll(const wchar_t* name) {
  HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // The search flags are unknown to this Windows: name the file in the system folder in full instead.
  wchar_t directory[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = JoinPath(std::wstring(directory, length), name);
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const BcryptApi& Bcrypt() {
  static const BcryptApi api = [] {
    BcryptApi a;
    HMODULE m = LoadSystemDll(L"bcrypt.dll");
    a.loaded = m != nullptr && Resolve(m, "BCryptOpenAlgorithmProvider", a.BCryptOpenAlgorithmProvider) &&
               Resolve(m, "BCryptCloseAlgorithmProvider", a.BCryptCloseAlgorithmProvider) &&
               Resolve(m, "BCryptGetProperty", a.BCryptGetProperty) &&
               Resolve(m, "BCryptCreateHash", a.BCryptCreateHash) && Resolve(m, "BCryptHashData", a.BCryptHashData) &&
               Resolve(m, "BCryptFinishHash", a.BCryptFinishHash) &&
               Resolve(m, "BCryptDestroyHash", a.BCryptDestroyHash) &&
               Resolve(m, "BCryptGenRandom", a.BCryptGenRandom);
    return a;
  }();
  return api;
}

const VersionApi& Version() {
  static const VersionApi api = [] {
    VersionApi a;
    HMODULE m = LoadSystemDll(L"version.dll");
    a.loaded = m != nullptr && Resolve(m, "GetFileVersionInfoSizeW", a.GetFileVersionInfoSizeW) &&
               Resolve(m, "GetFileVersionInfoW", a.GetFileVersionInfoW) &&
               Resolve(m, "VerQueryValueW", a.VerQueryValueW);
    return a;
  }();
  return api;
}

const WinscardApi& Winscard() {
  static const WinscardApi api = [] {
    WinscardApi a;
    HMODULE m = LoadSystemDll(L"winscard.dll");
    a.loaded = m != nullptr && Resolve(m, "SCardEstablishContext", a.SCardEstablishContext) &&
               Resolve(m, "SCardReleaseContext", a.SCardReleaseContext) &&
               Resolve(m, "SCardListReadersW", a.SCardListReadersW) &&
               Resolve(m, "SCardGetStatusChangeW", a.SCardGetStatusChangeW) &&
               Resolve(m, "SCardFreeMemory", a.SCardFreeMemory);
    return a;
  }();
  return api;
}

const Comctl32Api& Comctl32() {
  static const Comctl32Api api = [] {
    Comctl32Api a;
    HMODULE m = LoadSystemDll(L"comctl32.dll");
    DWORD major = MajorVersionOf(m);
    if (major < 6) {
      HMODULE v6 = LoadInOwnManifestContext(L"comctl32.dll");
      const DWORD v6_major = MajorVersionOf(v6);
      // Wine reports 5.81 from both of its copies: then the one the manifest chose is still the right one.
      if (v6 != nullptr && v6_major >= major) {
        m = v6;
        major = v6_major;
      }
    }
    a.module = m;
    a.major_version = major;
    a.loaded = m != nullptr && Resolve(m, "InitCommonControlsEx", a.InitCommonControlsEx) &&
               Resolve(m, "SetWindowSubclass", a.SetWindowSubclass) &&
               Resolve(m, "RemoveWindowSubclass", a.RemoveWindowSubclass) &&
               Resolve(m, "DefSubclassProc", a.DefSubclassProc);
    // Version 5 has no task dialog; callers fall back to a message box.
    if (m != nullptr) Resolve(m, "TaskDialogIndirect", a.TaskDialogIndirect);
    return a;
  }();
  return api;
}

const OleAut32Api& OleAut32() {
  static const OleAut32Api api = [] {
    OleAut32Api a;
    HMODULE m = LoadSystemDll(L"oleaut32.dll");
    a.loaded = m != nullptr && Resolve(m, "SysAllocString", a.SysAllocString) &&
               Resolve(m, "SysFreeString", a.SysFreeString);
    return a;
  }();
  return api;
}

UniqueBstr::UniqueBstr(const wchar_t* text) {
  if (OleAut32().loaded) value_ = OleAut32().SysAllocString(text);
}

UniqueBstr::~UniqueBstr() {
  if (value_ != nullptr) {
    LastErrorPreserver keep;
    OleAut32().SysFreeString(value_);
  }
}

const TrustApi& Trust() {
  static const TrustApi api = [] {
    TrustApi a;
    HMODULE wintrust = LoadSystemDll(L"wintrust.dll");
    HMODULE crypt32 = LoadSystemDll(L"crypt32.dll");
    a.loaded = wintrust != nullptr && crypt32 != nullptr && Resolve(wintrust, "WinVerifyTrust", a.WinVerifyTrust) &&
               Resolve(crypt32, "CryptQueryObject", a.CryptQueryObject) &&
               Resolve(crypt32, "CryptMsgGetParam", a.CryptMsgGetParam) &&
               Resolve(crypt32, "CryptMsgClose", a.CryptMsgClose) &&
               Resolve(crypt32, "CertCloseStore", a.CertCloseStore) &&
               Resolve(crypt32, "CertFindCertificateInStore", a.CertFindCertificateInStore) &&
               Resolve(crypt32, "CertFreeCertificateContext", a.CertFreeCertificateContext) &&
               Resolve(crypt32, "CertGetNameStringW", a.CertGetNameStringW) &&
               Resolve(crypt32, "CryptDecodeObject", a.CryptDecodeObject);
    return a;
  }();
  return api;
}

}  // namespace tavlun::sysdll
