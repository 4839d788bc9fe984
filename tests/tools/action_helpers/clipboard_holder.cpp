// clipboard_holder <ready event>
// Opens the clipboard, signals the named event and keeps the clipboard open until it is ended (at most 60 s).
// Exit 2 when the clipboard or the event cannot be had.
#include <windows.h>

#include "core/unique_handle.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  tavlun::OpenedClipboard clipboard(nullptr);
  tavlun::UniqueHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]));
  if (!clipboard || !ready) return 2;
  ::SetEvent(ready.get());
  ::Sleep(60000);
  return 0;
}
