# Cross build of the Windows program with mingw-w64 (Debian's
# g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The win32 thread model needs no winpthread DLL, so the program links into
# one self-contained .exe; its one worker thread is a Win32 thread.
# Built for release unless told otherwise: optimised and stripped.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type")

set(VALDORO_MINGW x86_64-w64-mingw32)
find_program(VALDORO_MINGW_CXX NAMES ${VALDORO_MINGW}-g++-win32 ${VALDORO_MINGW}-g++ REQUIRED)
set(CMAKE_CXX_COMPILER ${VALDORO_MINGW_CXX})
find_program(CMAKE_RC_COMPILER NAMES ${VALDORO_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VALDORO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests that need a Windows host run under wine (scripts/test_windows.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
