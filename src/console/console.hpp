// Console routines: the text writer with its length routine and the key wait, shared by
// the benchmark and the self-check. Nothing here is timed; all of it runs between measurements.
#pragma once

#include <cstddef>
#include <cstdint>

// text_length reads whole 4-byte groups from a text's first byte on and may read up to
// three bytes past the terminator. Every text it measures is therefore stored with at
// least this many bytes after the terminator, inside the same object.
inline constexpr std::size_t TEXT_TAIL = 3;

// A NUL-terminated text with its readable tail, built at compile time from a literal.
template <std::size_t N>
struct Text {
    char bytes[N + TEXT_TAIL];

    consteval Text(const char (&text)[N]) : bytes{} {
        for (std::size_t i = 0; i < N; ++i) bytes[i] = text[i];
    }
};

// Bytes before the first NUL, found four bytes at a time.
std::uint32_t text_length(const char* text);

// Writes the text, terminator excluded, to standard output; goes on after a short write
// until all of it is written or a write fails. Gives the count written.
std::uint32_t write_text(const char* text);

// True once any write to standard output has failed.
bool write_failed();

// Writes the text, terminator excluded, to standard error. A failure there is not
// counted: there is nowhere left to report it.
void write_error_text(const char* text);

// Under an emulator, writes one line to standard error before anything is measured:
// "<program>: running under <emulator>, an emulator: the tick figures are the emulator's,
// not this processor's<consequence>" and CR LF. Gives the emulator's name, or nullptr when
// the code runs on the processor itself, and then writes nothing. Both texts are console
// texts; `consequence` may be empty.
const char* note_emulator(const char* program, const char* consequence);

// Discards pending input, then waits for one key press and gives its value. Where the
// input is no console, it waits for the next byte or the end of input instead.
std::uint32_t await_keypress();
