// stack_overrun [overrun]: copies 4 bytes, or with "overrun" 40 bytes, into an 8-byte stack buffer, through a
// length the compiler cannot see. Exit 0 after a copy that fits; an overrun must never come back.
#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

__attribute__((noinline)) int CopyIntoSmallBuffer(const char* bytes, std::size_t length) {
  char buffer[8];
  std::memcpy(buffer, bytes, length);
  return buffer[0] == 'A' ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  static const char kBytes[64] = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
  const bool overrun = argc > 1 && std::wcscmp(argv[1], L"overrun") == 0;
  // volatile: the length stays unknown to the compiler, so only the guard can catch the overrun.
  volatile std::size_t length = overrun ? 40 : 4;
  return CopyIntoSmallBuffer(kBytes, length);
}
