#!/usr/bin/env bash
# Installs what the x86-64 builds and their tests need, on Debian 12 (x86-64), and only what
# is missing: the C++ toolchain, CMake, GoogleTest (the system's, and its sources for the
# Windows build), Google Benchmark with compare.py and SciPy, gnuplot for the chart, the
# MinGW-w64 x86-64 cross compilers and 64-bit Wine. Wine's recommendations (graphics and
# sound libraries) serve no console program.
set -euo pipefail
exec "$(dirname "$0")/install-missing.sh" --no-recommends g++ cmake googletest libgtest-dev \
    libbenchmark-dev libbenchmark-tools python3-scipy gnuplot-nox g++-mingw-w64-x86-64 wine \
    wine64
