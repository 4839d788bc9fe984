// A DLL that calls one C runtime function, linked against a separately installed runtime (msvcr120 or the
// universal CRT): the payload import check must refuse it.
#include <windows.h>
#include <string.h>

__declspec(dllexport) size_t Measure(const char* text) { return strlen(text); }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
