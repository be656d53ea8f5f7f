// The two routines the key wait needs beside the Windows API itself. Nothing here uses
// stdio or the heap.
#include "platform/winapi.hpp"

namespace {

// Wine at a pseudo-terminal moves what is typed into the console input only once
// something has looked at the console input; on Windows a look changes nothing.
void look_at_console_input(HANDLE input) {
    INPUT_RECORD record;
    DWORD count;
    PeekConsoleInputA(input, &record, 1, &count);
}

// Looks once as the program starts, so that under Wine the keys typed before and during
// the measurements reach the console input, where the key wait discards them.
[[maybe_unused]] const bool console_input_looked_at = [] {
    look_at_console_input(GetStdHandle(STD_INPUT_HANDLE));
    return true;
}();

}  // namespace

void ignore_write_signals() {}

bool input_is_console(HANDLE input) {
    DWORD mode;
    if (!GetConsoleMode(input, &mode)) return false;
    look_at_console_input(input);
    return true;
}

bool output_is_terminal(HANDLE output) {
    DWORD mode;
    return output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode);
}

int await_input_byte(HANDLE input) {
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return -1;  // no standard input
    // Drop what is waiting already: what is in a pipe now, the rest of a file. The NUL
    // device and other character devices keep nothing waiting.
    switch (GetFileType(input)) {
    case FILE_TYPE_PIPE: {
        unsigned char waiting[256];
        DWORD available = 0;
        DWORD taken;
        // The peek fails once the writer has gone and the pipe is empty; the read below
        // then ends the wait. Under Wine it also fails on a pipe from the Linux side, whose
        // contents cannot be seen: there the next byte may be one sent earlier.
        while (PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            const DWORD chunk = available < sizeof waiting ? available : sizeof waiting;
            if (!ReadFile(input, waiting, chunk, &taken, nullptr) || taken == 0) return -1;
        }
        break;
    }
    case FILE_TYPE_DISK: {
        LARGE_INTEGER none = {};
        if (!SetFilePointerEx(input, none, nullptr, FILE_END)) return -1;
        break;
    }
    case FILE_TYPE_CHAR:
        break;
    default:
        return -1;
    }
    // Wait for the next byte. A read of no bytes is the end of a file or of the NUL
    // device (under Wine, of a pipe from the Linux side too); a pipe whose writer has gone
    // fails the read.
    unsigned char byte;
    DWORD got = 0;
    if (!ReadFile(input, &byte, 1, &got, nullptr) || got != 1) return -1;
    return byte;
}
