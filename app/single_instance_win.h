// One window per user session: a second start in window mode brings the first copy's window to the front and ends.
// Only window mode asks; the probe child, the self-test and the elevated installation never do.
#pragma once

#include <windows.h>

#include "core/unique_handle.h"

namespace tavlun {

// A fixed name in the session's own namespace: it carries nothing about the user or the machine.
inline constexpr wchar_t kSingleWindowMutexName[] = L"Local\\Korvan-Window-BC93FF87-83BA-49FC-A23D-69CF54F050C3";
// How long a second start waits for the first copy's window to appear (the first may have started a moment ago).
inline constexpr DWORD kFirstWindowWaitMs = 5000;
// The exit code of a second start whose work the first window took over.
inline constexpr int kExitFirstWindowShown = 0;

// True when this process opens its window; `claim` then holds the session's claim until the process ends. False
// when another copy's window was found and brought to the front: the caller ends. When the claim is held but no
// window of the other copy appears in time (it hangs, or a foreign program holds the name) the window still opens:
// a user is never left without one.
bool ClaimSingleWindow(UniqueHandle* claim);

}  // namespace tavlun
