/* The runtime of GCC's stack protector (-fstack-protector-strong), in place of GCC's libssp.
 *
 * libssp seeds its guard in a static constructor with CryptAcquireContext, which loads a cryptographic provider
 * and the DLLs it imports (bcrypt among them) with the ordinary search order, before the entry can restrict the
 * DLL search to System32: a look-alike bcrypt.dll next to the program would then run, as administrator in the
 * elevated copy. This runtime uses kernel32 alone. Linked ahead of libssp, it supplies every symbol libssp's ssp.o
 * would, so that member is never linked; the fortified string functions of libssp still are, and end here.
 *
 * Built without the stack protector: the seeding function changes the very value a protected frame compares.
 */
#include <windows.h>

#include <stdint.h>

uintptr_t __stack_chk_guard = (uintptr_t)0xBB40E64Eu;

/* The seed mixes the values that the MSVC cookie mixes: the time, the performance counter, the process and thread
 * ids and a stack address (randomised by ASLR). A zero guard would let a string copy end exactly on it. */
__attribute__((constructor)) static void SeedStackGuard(void) {
  FILETIME now;
  LARGE_INTEGER counter;
  uintptr_t seed = (uintptr_t)&now;
  GetSystemTimeAsFileTime(&now);
  QueryPerformanceCounter(&counter);
  seed ^= (uintptr_t)now.dwLowDateTime ^ (uintptr_t)now.dwHighDateTime;
  seed ^= (uintptr_t)counter.LowPart ^ ((uintptr_t)counter.HighPart << 7);
  seed ^= (uintptr_t)GetCurrentProcessId() << 11;
  seed ^= (uintptr_t)GetCurrentThreadId() << 19;
  seed ^= (uintptr_t)GetTickCount();
  if (seed == 0) seed = (uintptr_t)0xBB40E64Eu;
  __stack_chk_guard = seed;
}

/* The end of a process whose stack was overwritten: no handler of the damaged process may run. */
__attribute__((noreturn)) static void EndDamagedProcess(void) {
  if (IsProcessorFeaturePresent(23 /* PF_FASTFAIL_AVAILABLE */)) {
    __asm__ volatile("int $0x29" : : "c"(2 /* FAST_FAIL_STACK_COOKIE_CHECK_FAILURE */));
  }
  TerminateProcess(GetCurrentProcess(), 0xC0000409u /* STATUS_STACK_BUFFER_OVERRUN */);
  for (;;) {
  }
}

__attribute__((noreturn)) void __stack_chk_fail(void) { EndDamagedProcess(); }
__attribute__((noreturn)) void __stack_chk_fail_local(void) { EndDamagedProcess(); }
/* Called by the fortified string functions when a copy would overrun its destination. */
__attribute__((noreturn)) void __chk_fail(void) { EndDamagedProcess(); }
