#!/usr/bin/env bash
# Installs what the Linux i386 build and its tests need, on Debian 12 (x86-64 or i386),
# and only what is missing: the 32-bit C++ toolchain, CMake, GoogleTest's sources and
# gnuplot for the stats tool's chart.
set -euo pipefail
exec "$(dirname "$0")/install-missing.sh" g++-multilib cmake googletest gnuplot-nox
