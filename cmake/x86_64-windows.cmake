# Windows x86-64, cross-built with MinGW-w64 on Debian and run under Debian's 64-bit Wine,
# which runs it natively on an x86-64 processor.
#
# The kernels carry the sample addresses as 32-bit immediates, so the program's data must
# lie below 2 GiB: the image is linked at a low base (the default for PE32+ lies above
# 4 GiB) and without address randomisation, which would move it up again.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(MINGW_LINK_FLAGS "-Wl,--image-base=0x400000,--disable-dynamicbase,--disable-high-entropy-va")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Tests and test discovery run the programs under 64-bit Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEARCH=win64
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
