#include "profile/annotate.hpp"

#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace {

// One instruction line of objdump: "  804a123:\tbe 00 f0 04 08      \tmov    esi,0x..."
struct ListedInstruction {
    std::uintptr_t address;
    std::string bytes;
    std::string instruction;
};

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::vector<ListedInstruction> instructions_of(std::string_view disassembly) {
    static const std::regex line(R"(^ *([0-9a-f]+):\t([^\t]*)(\t(.*))?$)");
    std::vector<ListedInstruction> listed;
    std::size_t start = 0;
    while (start < disassembly.size()) {
        std::size_t end = disassembly.find('\n', start);
        if (end == std::string_view::npos) end = disassembly.size();
        const std::string text(disassembly.substr(start, end - start));
        start = end + 1;
        std::smatch fields;
        if (!std::regex_match(text, fields, line)) continue;
        const std::string bytes = trimmed(fields[2]);
        if (!fields[3].matched && !listed.empty()) {
            // objdump continues a long encoding's bytes on a line of their own.
            listed.back().bytes += " " + bytes;
            continue;
        }
        listed.push_back({std::stoul(fields[1], nullptr, 16), bytes, fields[4]});
    }
    return listed;
}

// The instruction with its blanks squeezed and a jump target inside [entry, stop] given
// as its offset from the entry: "jmp    804a135 <few_jumps_long_entry+0x13>" -> "jmp 19".
std::string shown_instruction(const std::string& instruction, std::uintptr_t entry,
                              std::uintptr_t stop) {
    static const std::regex target(R"(([0-9a-f]+) <[^>]*>$)");
    static const std::regex blanks(" +");
    std::string shown = instruction;
    std::smatch match;
    if (std::regex_search(instruction, match, target)) {
        const std::uintptr_t address = std::stoul(match[1], nullptr, 16);
        if (address >= entry && address <= stop)
            shown = match.prefix().str() + std::to_string(address - entry);
    }
    return std::regex_replace(trimmed(shown), blanks, " ");
}

}  // namespace

std::string annotated_listing(std::string_view copy, const BenchCase& bench_case,
                              const ScanProfile& profile, std::string_view disassembly) {
    const auto entry = reinterpret_cast<std::uintptr_t>(bench_case.entry);
    const auto exit = reinterpret_cast<std::uintptr_t>(bench_case.exit);
    const std::uintptr_t stop = exit + EXIT_STEP_SIZE;

    std::string out = std::string(copy) + ": " + std::to_string(*bench_case.code_bytes) +
                      " bytes, entry at offset " +
                      std::to_string(reinterpret_cast<std::uintptr_t>(bench_case.entry) % 64) +
                      " of its 64-byte line\n";
    for (const ListedInstruction& listed : instructions_of(disassembly)) {
        if (listed.address < entry || listed.address >= stop) continue;
        const std::size_t offset = listed.address - entry;
        const std::string taken =
            is_branch_at(bench_case.entry + offset, stop - listed.address)
                ? std::to_string(profile.taken[offset])
                : "";
        char line[256];
        std::snprintf(line, sizeof line, "%7u %6s  %4zu  %-22s %s%s\n", profile.runs[offset],
                      taken.c_str(), offset, listed.bytes.c_str(),
                      shown_instruction(listed.instruction, entry, stop).c_str(),
                      listed.address == exit ? "   (exit step)" : "");
        out += line;
    }
    return out;
}
