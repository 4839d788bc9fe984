/* A planted "winscard.dll": exports what the control program imports and leaves a marker when loaded. */
#include "marker.h"

LONG WINAPI SCardEstablishContext(DWORD scope, const void* reserved1, const void* reserved2, ULONG_PTR* context) {
  (void)scope;
  (void)reserved1;
  (void)reserved2;
  if (context != NULL) *context = 0;
  return (LONG)0x8010001DL; /* SCARD_E_NO_SERVICE */
}
