# Windows x86-64, cross-built with MinGW-w64 on Debian and run under Debian's 64-bit Wine,
# which runs it natively on an x86-64 processor.
#
# The kernels carry the sample addresses as 32-bit immediates, so the program's data must
# lie below 2 GiB: the image is linked at a low base (the default for PE32+ lies above
# 4 GiB) and without address randomisation, which would move it up again. The posix
# thread flavour and a static link, as for i686.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_ASM_COMPILER x86_64-w64-mingw32-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--image-base=0x400000,--disable-dynamicbase,--disable-high-entropy-va")

set(JUMPBENCH_PLATFORM windows)

# Tests and test discovery run the programs under 64-bit Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEARCH=win64
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
