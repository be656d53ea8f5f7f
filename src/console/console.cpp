#include "console/console.hpp"

#include <cstring>
#include <initializer_list>

#include "meter/emulation.hpp"
#include "platform/winapi.hpp"

namespace {

bool output_failed = false;

std::uint32_t load_group(const char* position) {
    std::uint32_t group;
    std::memcpy(&group, position, sizeof group);  // one unaligned 32-bit load
    return group;
}

// Reads the 4-byte group at `position` and steps past it. Bit 7 of each byte of `mask`
// is set for a zero byte of the group; only the lowest set bit is exact (a borrow out of
// a zero byte can set bits above it).
bool group_has_zero(const char*& position, std::uint32_t& mask) {
    const std::uint32_t group = load_group(position);
    position += 4;
    mask = (group - 0x01010101u) & ~group & 0x80808080u;
    return mask != 0;
}

}  // namespace

std::uint32_t text_length(const char* text) {
    // The position runs four bytes ahead of the group it has read; base is text + 3 so
    // that position - base counts the bytes up to the last byte of the pair that holds
    // the zero, and the flag takes one off when the zero is the first of that pair.
    const char* const base = text + 3;
    const char* position = text;
    std::uint32_t mask = 0;
    for (;;) {  // four group tests, 16 bytes, per iteration
        if (group_has_zero(position, mask)) break;
        if (group_has_zero(position, mask)) break;
        if (group_has_zero(position, mask)) break;
        if (group_has_zero(position, mask)) break;
    }
    if ((mask & 0x8080u) == 0) {  // the zero is in the upper pair
        mask >>= 16;
        position += 2;
    }
    const std::uint32_t flag = (mask >> 7) & 1u;
    return static_cast<std::uint32_t>(position - base) - flag;
}

namespace {

// Writes all of the text to `output` unless a write fails; gives the count written.
std::uint32_t write_all(HANDLE output, const char* text) {
    const std::uint32_t count = text_length(text);
    std::uint32_t total = 0;
    while (total < count) {
        DWORD written = 0;
        if (!WriteFile(output, text + total, count - total, &written, nullptr) || written == 0)
            break;
        total += written;
    }
    return total;
}

constexpr Text EMULATED_TEXT{": running under "};
constexpr Text EMULATED_TAIL_TEXT{
    ", an emulator: the tick figures are the emulator's, not this processor's"};
constexpr Text ERROR_LINE_END{"\r\n"};

}  // namespace

std::uint32_t write_text(const char* text) {
    const std::uint32_t count = text_length(text);
    const std::uint32_t total = write_all(GetStdHandle(STD_OUTPUT_HANDLE), text);
    if (total != count) output_failed = true;  // the run goes on; the exit code tells
    return total;
}

bool write_failed() { return output_failed; }

void write_error_text(const char* text) { write_all(GetStdHandle(STD_ERROR_HANDLE), text); }

const char* note_emulator(const char* program, const char* consequence) {
    const char* const emulator = running_emulator();
    if (emulator == nullptr) return nullptr;
    for (const char* part : {program, EMULATED_TEXT.bytes, emulator, EMULATED_TAIL_TEXT.bytes,
                             consequence, ERROR_LINE_END.bytes})
        write_error_text(part);
    return emulator;
}

std::uint32_t await_keypress() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!input_is_console(input)) {
        // A pipe, a file or no input at all can never deliver a key press: waiting for
        // one would hang. Take the next byte, or the end of input, as the key instead.
        return static_cast<std::uint32_t>(await_input_byte(input));
    }
    FlushConsoleInputBuffer(input);  // keys pressed during the measurements do not count
    do {
        Sleep(1);
    } while (!_kbhit());
    return static_cast<std::uint32_t>(_getch());
}
