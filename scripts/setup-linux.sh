#!/usr/bin/env bash
# Installs what the Linux i386 build and its tests need, on Debian 12 (x86-64 or i386),
# and only what is missing: the 32-bit C++ toolchain, CMake, GoogleTest for i386 and
# gnuplot for the stats tool's chart, Google Benchmark for i386 (the stats tool) with its
# compare.py and SciPy for compare.py's U test, nlohmann-json (header only, for
# jumpbench-compare), Capstone for i386 (the tools' x86 decoder) and, where it can be had,
# Unicorn for i386 (their x86 emulator). Then makes sure that i386
# programs start here (run-i386.sh), under qemu's emulator where the kernel cannot run them.
set -euo pipefail
here=$(dirname "$0")
"$here/install-missing.sh" --i386 g++-multilib cmake googletest libgtest-dev:i386 gnuplot-nox \
    libbenchmark-dev:i386 libbenchmark-tools python3-scipy nlohmann-json3-dev libcapstone-dev:i386
# Unicorn for i386, the profile's x86 emulator, where the package sources have it: without
# it the tools step under the processor's single-step trap, which counts the same, slower.
"$here/install-missing.sh" --i386 libunicorn-dev:i386 ||
    echo "setup-linux.sh: no libunicorn-dev:i386; the profile steps under the single-step trap" >&2
"$here/run-i386.sh" >/dev/null
