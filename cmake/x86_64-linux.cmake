# Linux x86-64, built natively on an x86-64 Debian machine: the same kernels and meter laid
# out for 64-bit mode (src/kernels/x86_mode.inc).
#
# Not position-independent: the kernels carry the sample addresses as 32-bit immediates
# (mov esi, imm32 zero-extends into RSI), so the program's data must lie below 2 GiB, as a
# non-PIE program's does. CMake's own PIE switch only touches the link step, so every
# compile and the link get the flags here.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_ASM_COMPILER gcc)

set(CMAKE_C_FLAGS_INIT "-m64 -fno-pie")
set(CMAKE_CXX_FLAGS_INIT "-m64 -fno-pie")
set(CMAKE_ASM_FLAGS_INIT "-m64 -fno-pie")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m64 -no-pie")

set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)

set(JUMPBENCH_PLATFORM linux)
