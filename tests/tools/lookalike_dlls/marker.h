/* Shared by the look-alike system DLLs: on load, append the loading program's path to "<own path>.loaded". */
#ifndef TAVLUN_LOOKALIKE_MARKER_H
#define TAVLUN_LOOKALIKE_MARKER_H

#include <windows.h>

static void LeaveLoadMarker(HINSTANCE self) {
  WCHAR path[MAX_PATH + 16];
  WCHAR program[MAX_PATH + 2];
  DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  DWORD program_length;
  DWORD written;
  HANDLE file;
  if (length == 0 || length >= MAX_PATH) return;
  lstrcpyW(path + length, L".loaded");
  program_length = GetModuleFileNameW(NULL, program, MAX_PATH);
  if (program_length >= MAX_PATH) program_length = 0;
  program[program_length++] = L'\n';
  file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  WriteFile(file, program, program_length * sizeof(WCHAR), &written, NULL);
  CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) LeaveLoadMarker(instance);
  return TRUE;
}

#endif
