# Cross-compiles the 32-bit Windows program with the MinGW-w64 posix-thread compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TAVLUN_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TAVLUN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVLUN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TAVLUN_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVLUN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The 64-bit stand-in DLL needs the x64 compiler as well.
set(TAVLUN_X64_C_COMPILER x86_64-w64-mingw32-gcc-posix CACHE STRING "C compiler for the 64-bit stand-in DLL")
set(TAVLUN_X64_RC_COMPILER x86_64-w64-mingw32-windres CACHE STRING "Resource compiler for the 64-bit stand-in DLL")
