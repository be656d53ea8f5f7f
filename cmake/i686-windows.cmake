# Windows i686 (32-bit x86), cross-built with MinGW-w64 on Debian and run under Wine.
#
# The posix thread flavour of the compilers: the win32 flavour's C++ library has no
# std::mutex, which GoogleTest needs. Every program links statically, so that it imports
# from KERNEL32.dll and msvcrt.dll only and runs on a bare Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_ASM_COMPILER i686-w64-mingw32-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(JUMPBENCH_PLATFORM windows)

# Tests and test discovery run the programs under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
