#!/usr/bin/env bash
# Installs what the Windows i686 build and its tests need, on Debian 12 (x86-64 or i386),
# and only what is missing: the MinGW-w64 cross compilers, CMake, GoogleTest's sources
# and Wine with its 32-bit part, for which dpkg must know the i386 architecture.
# Wine's recommendations (the 64-bit loader, graphics and sound libraries) serve no
# console program.
set -euo pipefail
exec "$(dirname "$0")/install-missing.sh" --i386 --no-recommends \
    g++-mingw-w64-i686 cmake googletest wine wine32:i386
