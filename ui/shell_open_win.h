// Opening an official web page in the user's browser without handing it administrator rights.
#pragma once

#include <windows.h>

#include <string>

namespace tavlun {

// The process token is elevated or holds the Administrators group: a browser started from here would run web
// content with those rights.
bool IsProcessElevated();

// Asks the desktop shell (Explorer, running with the user's normal rights) to open the address, through its
// automation interface (IShellWindows, IShellDispatch2). False when there is no desktop shell or it refused.
bool OpenThroughDesktopShell(const std::wstring& url);

}  // namespace tavlun
