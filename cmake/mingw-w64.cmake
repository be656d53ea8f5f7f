# What the MinGW-w64 toolchain files share: the includer sets MINGW_TRIPLE
# (i686-w64-mingw32, x86_64-w64-mingw32) and MINGW_LINK_FLAGS first.
#
# The posix thread flavour of the compilers: the win32 flavour's C++ library has no
# std::mutex, which GoogleTest needs. Every program links statically, so that it imports
# from KERNEL32.dll and msvcrt.dll only and runs on a bare Windows.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_ASM_COMPILER ${MINGW_TRIPLE}-gcc-posix)

# Debian's MinGW-w64 files, and Capstone as scripts/setup-capstone-mingw.sh cross-builds it.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE}
    ${CMAKE_CURRENT_LIST_DIR}/../build/capstone-${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static ${MINGW_LINK_FLAGS}")

set(JUMPBENCH_PLATFORM windows)
