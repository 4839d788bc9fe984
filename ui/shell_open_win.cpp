#include "ui/shell_open_win.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlguid.h>

#include "core/system_dlls.h"
#include "core/unique_handle.h"
#include "target/dll_state.h"

namespace tavlun {

bool IsProcessElevated() {
  UniqueHandle token;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
        elevation.TokenIsElevated != 0) {
      return true;
    }
  }
  // Without UAC (or where the query fails) the Administrators group alone decides.
  return IsUserAdmin();
}

namespace {

bool TryDesktopShellOnce(const std::wstring& url) {
  ComApartment apartment;
  ComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void()))) {
    return false;
  }
  VARIANT location{};
  location.vt = VT_I4;
  location.lVal = CSIDL_DESKTOP;
  VARIANT root{};
  root.vt = VT_EMPTY;
  long desktop_window = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &desktop_window, SWFO_NEEDDISPATCH, desktop.put()) != S_OK ||
      !desktop) {
    return false;
  }
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folder_view;
  ComPtr<IDispatch> application;
  ComPtr<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.put_void())) ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) ||
      FAILED(browser->QueryActiveShellView(view.put())) || !view ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual, folder_view.put_void())) ||
      FAILED(folder_view->get_Application(application.put())) || !application ||
      FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void()))) {
    return false;
  }
  sysdll::UniqueBstr file(url.c_str());
  sysdll::UniqueBstr verb(L"open");
  if (!file || !verb) return false;
  VARIANT none{};
  none.vt = VT_EMPTY;
  VARIANT operation{};
  operation.vt = VT_BSTR;
  operation.bstrVal = verb.get();
  VARIANT show{};
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return SUCCEEDED(shell->ShellExecute(file.get(), none, none, operation, show));
}

}  // namespace

// The desktop shell answers from another process that may be busy a moment (measured under Wine: a second link
// right after the first was sometimes refused); a refusal is asked again twice before the address is shown.
bool OpenThroughDesktopShell(const std::wstring& url) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) ::Sleep(200);
    if (TryDesktopShellOnce(url)) return true;
  }
  return false;
}

}  // namespace tavlun
