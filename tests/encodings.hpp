// The rows of the tests' encoding tables: an instruction's bytes in hex beside what it is,
// for the reader who checks the table against the code.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// The tests are built for the mode the code under test runs in: 64-bit when pointers are.
inline constexpr bool MODE_64 = sizeof(void*) == 8;

struct Encoding {
    const char* bytes;        // hex bytes; "imm32" stands for a 32-bit immediate
    const char* instruction;  // the mnemonic, and what the instruction is for
};

// The bytes of an encoding, with `immediate` little-endian where it says imm32.
inline std::vector<std::uint8_t> encoded_bytes(const char* text, std::uint32_t immediate = 0) {
    std::vector<std::uint8_t> bytes;
    std::istringstream fields(text);
    for (std::string field; fields >> field;) {
        if (field == "imm32") {
            for (int shift = 0; shift < 32; shift += 8) bytes.push_back((immediate >> shift) & 0xFF);
        } else {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(field, nullptr, 16)));
        }
    }
    return bytes;
}
