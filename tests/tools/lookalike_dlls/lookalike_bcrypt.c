/* A planted "bcrypt.dll": exports what the control program imports and leaves a marker when loaded. */
#include "marker.h"

LONG WINAPI BCryptGenRandom(void* algorithm, unsigned char* buffer, ULONG size, ULONG flags) {
  (void)algorithm;
  (void)buffer;
  (void)size;
  (void)flags;
  return (LONG)0xC0000001L; /* STATUS_UNSUCCESSFUL */
}
