# Hardening and reproducibility of every build. The elevated copy runs with administrator rights, so the image
# takes every protection the toolchain offers; and two builds of one commit give the same bytes wherever they
# are made (no time stamp, no build path), so that anyone can check a release against its sources.
#
# MinGW-w64 (GCC 12, Debian 12): ASLR and DEP (binutils' defaults, stated anyway); the stack protector with its
# runtime linked statically, so the import table stays as it was; _FORTIFY_SOURCE=2 where the MinGW headers
# implement it. Control Flow Guard and SafeSEH tables cannot be made by this toolchain; the image says it has no SEH
# handlers instead (--no-seh).
# MSVC: the /GS cookie is on by default; Control Flow Guard and SafeSEH are added here.
include(CheckCXXSourceCompiles)

if(MSVC)
  target_compile_options(tavlun_options INTERFACE /guard:cf)
  target_link_options(tavlun_options INTERFACE /guard:cf /DYNAMICBASE /NXCOMPAT /SAFESEH /Brepro)
  return()
endif()

# The stack protector's runtime: ours (core/stack_guard_win.c), linked ahead of GCC's libssp, whose guard set-up
# would load DLLs before the entry restricts the DLL search. Built without the protector itself.
add_library(tavlun_stack_guard STATIC ${CMAKE_SOURCE_DIR}/core/stack_guard_win.c)
target_compile_options(tavlun_stack_guard PRIVATE -fno-stack-protector -Wall -Wextra
  $<$<BOOL:${TAVLUN_WERROR}>:-Werror>)
target_link_libraries(tavlun_options INTERFACE tavlun_stack_guard)

target_compile_options(tavlun_options INTERFACE
  -fstack-protector-strong
  # Build paths never reach the image (file names in assertions and debug sections).
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
  -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
target_link_options(tavlun_options INTERFACE
  -fstack-protector-strong
  -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp
  # GCC's i686 code unwinds with DWARF tables and registers no SEH handler; the NO_SEH flag tells Windows so,
  # and without SafeSEH tables it is what keeps a handler planted on the stack from being called.
  -Wl,--no-seh)

set(CMAKE_REQUIRED_FLAGS "-O2 -D_FORTIFY_SOURCE=2")
check_cxx_source_compiles([=[
#include <string.h>
#if !defined(__MINGW_FORTIFY_LEVEL) || __MINGW_FORTIFY_LEVEL < 2
#error "no fortified string functions in these headers"
#endif
int main() { return 0; }
]=] TAVLUN_MINGW_HAS_FORTIFY)
unset(CMAKE_REQUIRED_FLAGS)
if(TAVLUN_MINGW_HAS_FORTIFY)
  # Only optimised code is fortified; the headers ignore the macro elsewhere.
  target_compile_definitions(tavlun_options INTERFACE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
