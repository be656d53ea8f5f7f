// The Windows calls the programs use, on every target, and the three routines the key
// wait needs beside them. Code above the platform layer includes this header and never
// learns which target it got.
//
// The calls themselves are declared per target (windows_calls.hpp in the target's folder):
// on Windows they are the system's own, from <windows.h> and <conio.h>, whose declarations
// carry import attributes and types of their own (DWORD is unsigned long there), which a
// second declaration here could only repeat or contradict; on Linux they are our stand-ins
// (linux/winapi.cpp), with the same names and meanings over 32-bit types. What every
// target must provide is checked below, by the way the programs call it.
#pragma once

#include <type_traits>

#include "windows_calls.hpp"

static_assert(std::is_invocable_r_v<HANDLE, decltype(GetStdHandle), DWORD>);
static_assert(std::is_invocable_r_v<BOOL, decltype(WriteFile), HANDLE, const void*, DWORD,
                                    DWORD*, std::nullptr_t>);
static_assert(std::is_invocable_r_v<BOOL, decltype(FlushConsoleInputBuffer), HANDLE>);
static_assert(std::is_invocable_r_v<void, decltype(Sleep), DWORD>);
static_assert(std::is_invocable_r_v<void, decltype(ExitProcess), UINT>);
static_assert(std::is_invocable_r_v<HANDLE, decltype(GetCurrentProcess)>);
static_assert(std::is_invocable_r_v<BOOL, decltype(SetPriorityClass), HANDLE, DWORD>);
static_assert(std::is_invocable_r_v<int, decltype(_kbhit)> &&
              std::is_invocable_r_v<int, decltype(_getch)>);
static_assert(STD_INPUT_HANDLE != STD_OUTPUT_HANDLE && STD_OUTPUT_HANDLE != STD_ERROR_HANDLE &&
              HIGH_PRIORITY_CLASS != NORMAL_PRIORITY_CLASS);

// A write to a closed pipe or past the file-size limit (ulimit -f) fails with an error from
// here on instead of ending the process with SIGPIPE or SIGXFSZ, so that a program that
// writes through the C library can count it as a failed write. WriteFile does this itself.
// Nothing to do on Windows, where such a write always fails with an error.
void ignore_write_signals();

// Input that is no console (a pipe, a file, the NUL device or /dev/null, or no standard
// input at all) can never deliver a key press, so the key wait needs these two as well.

// True when `input` is a console (a terminal on Linux).
bool input_is_console(HANDLE input);
// True when `output` is a terminal (a console screen buffer on Windows): where a line of
// progress may rewrite itself.
bool output_is_terminal(HANDLE output);
// Discards the bytes already waiting (on Linux as many as were there when it began, or
// 64 KiB where the input cannot tell, as at /dev/zero), then waits for the next byte or the
// end of input. Gives the byte, or -1 at the end of input or on an error.
int await_input_byte(HANDLE input);
