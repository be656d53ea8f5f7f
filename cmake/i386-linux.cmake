# Linux i386, built natively on an x86-64 (or i386) Debian machine with g++-multilib.
#
# The program must be 32-bit and must not be position-independent: the kernels carry the
# sample addresses and the meter its variables' addresses as absolute 32-bit immediates,
# which a PIE would turn into text relocations. CMake's own PIE switch only touches the
# link step, so every compile and the link get the flags here.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_ASM_COMPILER gcc)

set(CMAKE_C_FLAGS_INIT "-m32 -fno-pie")
set(CMAKE_CXX_FLAGS_INIT "-m32 -fno-pie")
set(CMAKE_ASM_FLAGS_INIT "-m32 -fno-pie")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -no-pie")

# Libraries and their CMake packages from Debian's i386 packages (multiarch), never the
# machine's own 64-bit ones.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(JUMPBENCH_PLATFORM linux)
