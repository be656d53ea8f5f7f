// The Windows operations the program uses: on Windows, the real kernel32 and msvcrt
// routines. The Linux build has a header of the same name with stand-ins for them; code
// outside src/platform/ includes "winapi.hpp" and never learns which one it got.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have defined it already
#endif
#include <windows.h>

#include <conio.h>

// Nothing to do on Windows: a write that cannot be made always fails with an error there.
// (On Linux, a closed pipe or a file-size limit would end the process by a signal.)
void ignore_write_signals();

// Input that is no console (a pipe, a file, the NUL device, or no standard input at all)
// can never deliver a key press, so the key wait needs these two as well.

// True when `input` is a console input handle.
bool input_is_console(HANDLE input);
// True when `output` is a terminal (a console screen buffer on Windows): where a line
// of progress may rewrite itself.
bool output_is_terminal(HANDLE output);
// Discards the bytes already waiting, then waits for the next byte or the end of input.
// Gives the byte, or -1 at the end of input or on an error.
int await_input_byte(HANDLE input);
