// Imports bcrypt and winscard statically, as a careless program would. Placed next to look-alikes of both, it
// shows that the loader takes them from the program's folder, so a test that sees no marker from the real
// program proves something.
#include <windows.h>
#include <bcrypt.h>
#include <winscard.h>

int wmain() {
  unsigned char buffer[4] = {};
  const NTSTATUS random_status = ::BCryptGenRandom(nullptr, buffer, sizeof(buffer), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  SCARDCONTEXT context = 0;
  const LONG scard_status = ::SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
  if (scard_status == SCARD_S_SUCCESS) ::SCardReleaseContext(context);
  // The values do not matter; calling keeps both imports in the table.
  return (random_status == 0 ? 0 : 1) | (scard_status == SCARD_S_SUCCESS ? 0 : 2);
}
