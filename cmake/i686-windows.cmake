# Windows i686 (32-bit x86), cross-built with MinGW-w64 on Debian and run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
set(MINGW_LINK_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Tests and test discovery run the programs under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
