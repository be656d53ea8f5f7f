// The Windows operations the program uses, provided on Linux by our own stand-ins
// (winapi.cpp beside this file). The Windows build has a header of the same name that
// declares the real kernel32 and msvcrt routines; code outside src/platform/ includes
// "winapi.hpp" and never learns which one it got.
//
// On i386 the stand-ins keep the Windows calling convention (stdcall: the callee pops its
// arguments) so that the meter's assembly calls GetCurrentProcess and SetPriorityClass
// the same way on both targets. Handles are file descriptors.
#pragma once

#include <cstdint>

// x86-64 has one calling convention, System V's, and the meter's assembly calls the
// stand-ins by it (kernels/x86_mode.inc).
#if defined(__i386__)
#define WINAPI __attribute__((stdcall))
#else
#define WINAPI
#endif

using HANDLE = void*;
using DWORD = std::uint32_t;
using BOOL = int;
using UINT = unsigned int;

inline constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
inline constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
inline constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
inline constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
inline constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;

extern "C" {
// Standard input, output and error as file descriptors 0, 1 and 2; any other handle is
// invalid (-1).
HANDLE WINAPI GetStdHandle(DWORD which);
// write(2) once, retried on EINTR; FALSE on an error (SIGPIPE and SIGXFSZ are ignored, so
// a closed pipe or a file-size limit is an error here and not the end of the process).
BOOL WINAPI WriteFile(HANDLE file, const void* bytes, DWORD count, DWORD* written,
                      void* overlapped);
// At a terminal: turns off echo and line buffering until _getch has taken the key, and
// discards what was typed before. Ctrl-C, Ctrl-\, SIGTERM and SIGHUP restore the terminal
// before they end the process; Ctrl-Z (SIGTSTP), SIGTTIN and SIGTTOU before it stops, and
// on SIGCONT the wait sets it up again and discards what was typed meanwhile.
BOOL WINAPI FlushConsoleInputBuffer(HANDLE input);
void WINAPI Sleep(DWORD milliseconds);
// Restores the terminal if a wait left it changed, then ends the process.
[[noreturn]] void WINAPI ExitProcess(UINT exit_code);
HANDLE WINAPI GetCurrentProcess();
// The process nice value: -10 for HIGH_PRIORITY_CLASS, 0 for NORMAL_PRIORITY_CLASS.
// Raising it needs privilege; unprivileged, the call fails and the run goes on.
BOOL WINAPI SetPriorityClass(HANDLE process, DWORD priority_class);
// Nonzero when a key is waiting at the terminal; does not take it. Zero while the job is
// in the background, where what is typed is the shell's.
int _kbhit();
// Takes one key press; a key that sends several bytes (an arrow key) is taken whole.
int _getch();
}

// A write to a closed pipe or past the file-size limit (ulimit -f) fails with an error from
// here on instead of ending the process with SIGPIPE or SIGXFSZ, so that a program that
// writes through the C library can count it as a failed write. WriteFile does this itself.
void ignore_write_signals();

// Input that is no console (a pipe, a file, /dev/null, or no standard input at all)
// can never deliver a key press, so the key wait needs these two as well.
bool input_is_console(HANDLE input);
// True when `output` is a terminal (a console screen buffer on Windows): where a line
// of progress may rewrite itself.
bool output_is_terminal(HANDLE output);
// Discards the bytes already waiting (as many as were there when it began, or 64 KiB where
// the input cannot tell, as at /dev/zero), then waits for the next byte or the end of
// input. Gives the byte, or -1 at the end of input or on an error.
int await_input_byte(HANDLE input);
