#include "app/single_instance_win.h"

#include <utility>

#include "ui/main_window.h"

namespace tavlun {
namespace {

struct Search {
  DWORD self = 0;
  HWND found = nullptr;
};

BOOL CALLBACK FindOtherMainWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  wchar_t class_name[64] = {};
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == search->self || !::IsWindowVisible(window) ||
      ::GetClassNameW(window, class_name, 64) == 0 || ::lstrcmpW(class_name, kMainWindowClass) != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

void BringToFront(HWND window) {
  // Asynchronous: a first copy that is busy must not hold this one up.
  if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
  // A dialog the first window has open (a question, the guide) is what the user must see.
  HWND popup = ::GetLastActivePopup(window);
  ::SetForegroundWindow(popup != nullptr && ::IsWindowVisible(popup) ? popup : window);
}

}  // namespace

bool ClaimSingleWindow(UniqueHandle* claim) {
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kSingleWindowMutexName));
  const DWORD error = ::GetLastError();
  // Access is denied when the first copy runs elevated (administrator): it exists all the same.
  if (!mutex && error != ERROR_ACCESS_DENIED) return true;
  *claim = std::move(mutex);
  if (*claim && error != ERROR_ALREADY_EXISTS) return true;
  constexpr DWORD kPollMs = 100;
  for (DWORD waited = 0; waited <= kFirstWindowWaitMs; waited += kPollMs) {
    Search search{::GetCurrentProcessId(), nullptr};
    ::EnumWindows(FindOtherMainWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      BringToFront(search.found);
      return false;
    }
    ::Sleep(kPollMs);
  }
  return true;
}

}  // namespace tavlun
