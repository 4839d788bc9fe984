#include "ui/dpi.h"

#include <windows.h>

#include "core/unique_handle.h"

namespace tavlun {

int g_dpi = 96;

int ReadScreenDpi() {
  WindowDc screen(nullptr);
  if (!screen) return 96;
  return ::GetDeviceCaps(screen.get(), LOGPIXELSX);
}

}  // namespace tavlun
