// The screen DPI used by all layout code.
#pragma once

namespace tavlun {

// Set once in window mode before any window exists (and kept current by the window on DPI changes);
// 96 until then.
extern int g_dpi;

// GetDeviceCaps(LOGPIXELSX) of the screen, or 96 when there is no screen DC.
int ReadScreenDpi();

}  // namespace tavlun
