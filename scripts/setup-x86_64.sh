#!/usr/bin/env bash
# Installs what the Linux x86-64 build and its tests need, on Debian 12 (x86-64), and only
# what is missing: the C++ toolchain, CMake, GoogleTest, Google Benchmark with compare.py
# and SciPy, gnuplot for the chart, nlohmann-json for jumpbench-compare, Capstone (the
# tools' x86 decoder) and, where it can be had, Unicorn (their x86 emulator: without it
# they step under the single-step trap, which counts the same, slower). The Windows x86-64
# build's: setup-windows.sh x86_64.
set -euo pipefail
here=$(dirname "$0")
"$here/install-missing.sh" --no-recommends g++ cmake libgtest-dev \
    libbenchmark-dev libbenchmark-tools python3-scipy gnuplot-nox nlohmann-json3-dev \
    libcapstone-dev
"$here/install-missing.sh" --no-recommends libunicorn-dev ||
    echo "setup-x86_64.sh: no libunicorn-dev; the profile steps under the single-step trap" >&2
