#include <windows.h>

#include "app/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // The command line is re-read inside the entry, never taken from the argument.
  return tavlun::RunEntry(instance, show_command);
}
