// The Windows calls the programs use, as Windows has them: the system's own kernel32 and
// msvcrt routines. Included by ../winapi.hpp only.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have defined it already
#endif
#include <windows.h>

#include <conio.h>
