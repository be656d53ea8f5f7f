// Every meter instance the project lays out, read back byte by byte against the meter's
// instruction sequence: each variable's address field (absolute, or RIP-relative in 64-bit
// mode) resolved to its static variable, each call to its routine, both loop heads on
// 16-byte boundaries behind filler that does nothing (up to the next boundary, or to the
// kernel's entry where it is placed further on), the loop control in the instance's form
// (short or near), the calling convention's frame and the caller's x87 control word kept
// around the division.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "case_lists.hpp"
#include "encodings.hpp"
#include "meter/cycle_meter.hpp"
#include "meter_frame_encodings.hpp"
#include "meter_instances.hpp"
#include "platform/winapi.hpp"

namespace {

// The sequence of one instance. Tokens: a hex byte; [variable] the 32-bit address field of
// a static variable, its absolute address in 32-bit mode and its distance from the end of
// the row's instruction in 64-bit mode (RIP-relative); #runs the instance's run count,
// 32-bit (the benchmark's LOOP_COUNT, or the stats copies' own); #divisor its divisor
// (its run count, or 1 for the stats copies); <routine> a call's 32-bit
// displacement to it; "filler" instructions without effect up to the next 16-byte
// boundary (before "kernel": up to the copy's entry, which must lie on one);
// "@calibration" marks the calibration loop's head there; "kernel" the instance's kernel
// copy and exit step (their bytes are the kernel tables' to check); "jne head" the jump
// back in the instance's form, 75 rel8 or 0F 85 rel32. The frame, the priority calls and
// the result's store are the calling convention's (meter_frame_encodings.hpp).
// With runs_from, the loop counter is set from stats_long_runs (8B 05, 89 05: no
// accumulator forms) instead of an immediate.
std::vector<Encoding> meter_steps(bool runs_from) {
    const MeterFrame& frame = METER_FRAME;
    std::vector<Encoding> steps = frame.prologue;
    const auto add = [&steps](const std::vector<Encoding>& rows) {
        steps.insert(steps.end(), rows.begin(), rows.end());
    };
    add({{"C7 05 [loop_count] #divisor", "mov dword [loop_count], divisor"}});
    add(frame.priority_high);
    add({
        {"33 C0 0F A2 0F 31", "xor eax, eax; cpuid; rdtsc (t0)"},
        {"52 50", "push edx; push eax"},
        {"counter", "the loop counter set"},
        {"33 C0 0F A2", "xor eax, eax; cpuid"},
        {"filler @calibration", "filler up to the calibration loop's head"},
        {"83 2D [loop_counter] 01", "sub dword [loop_counter], 1"},
        {"jne calibration", "jne calibration loop head"},
        {"33 C0 0F A2 0F 31", "xor eax, eax; cpuid; rdtsc (t1)"},
        {"59 2B C1 59 1B D1", "pop ecx; sub eax, ecx; pop ecx; sbb edx, ecx (t1 - t0)"},
        {"52 50", "push edx; push eax (the overhead)"},
        {"33 C0 0F A2 0F 31", "xor eax, eax; cpuid; rdtsc (t2)"},
        {"52 50", "push edx; push eax"},
        {"counter", "the loop counter set"},
        {"33 C0 0F A2", "xor eax, eax; cpuid"},
        {"filler kernel", "filler up to the kernel's entry, the kernel copy and its exit step"},
        {"83 2D [loop_counter] 01", "sub dword [loop_counter], 1"},
        {"jne entry", "jne kernel entry"},
        {"33 C0 0F A2 0F 31", "xor eax, eax; cpuid; rdtsc (t3)"},
        {"59 2B C1 59 1B D1", "pop ecx; sub eax, ecx; pop ecx; sbb edx, ecx (t3 - t2)"},
        {"59 2B C1 59 1B D1", "pop ecx; sub eax, ecx; pop ecx; sbb edx, ecx (minus the overhead)"},
    });
    // The two settings of the loop counter, as the instance makes them.
    const std::vector<Encoding> counter =
        runs_from ? std::vector<Encoding>{{"8B 05 [stats_long_runs]", "mov eax, [stats_long_runs]"},
                                          {"89 05 [loop_counter]", "mov [loop_counter], eax"}}
                  : std::vector<Encoding>{{"C7 05 [loop_counter] #runs", "mov dword [loop_counter], runs"}};
    for (std::size_t index = 0; index < steps.size(); ++index) {
        if (std::string_view(steps[index].bytes) != "counter") continue;
        steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(index));
        steps.insert(steps.begin() + static_cast<std::ptrdiff_t>(index), counter.begin(), counter.end());
    }
    add(frame.result_store);
    add(frame.priority_normal);
    add(frame.scratch_slot);
    add({
        {"D9 3C 24", "fnstcw [esp] (the caller's control word)"},
        {"9B DB E3", "finit"},
        {"DF 2D [meter_result]", "fild qword [meter_result]"},
        {"DB 05 [loop_count]", "fild dword [loop_count]"},
        {"DE F9", "fdivp st(1), st"},
        {"DF 3D [meter_result]", "fistp qword [meter_result]"},
        {"D9 2C 24", "fldcw [esp] (the caller's control word back)"},
    });
    add(frame.scratch_free);
    add({{"89 F0", "mov eax, esi (scan_length)"}});
    add(frame.epilogue);
    return steps;
}

// Instructions without effect that the assembler fills a gap with (register-to-itself
// moves and address loads, the no-operation forms).
const Encoding FILLERS[] = {
    {"66 66 2E 0F 1F 84 00 00 00 00 00", "data16 nop word cs:[eax + eax + 0]"},
    {"66 2E 0F 1F 84 00 00 00 00 00", "nop word cs:[eax + eax + 0]"},
    {"66 0F 1F 84 00 00 00 00 00", "nop word [eax + eax + 0]"},
    {"0F 1F 84 00 00 00 00 00", "nop dword [eax + eax + 0]"},
    {"0F 1F 80 00 00 00 00", "nop dword [eax + 0]"},
    {"8D B4 26 00 00 00 00", "lea esi, [esi + 0]"},
    {"8D BC 27 00 00 00 00", "lea edi, [edi + 0]"},
    {"8D B6 00 00 00 00", "lea esi, [esi + 0]"},
    {"8D BF 00 00 00 00", "lea edi, [edi + 0]"},
    {"66 0F 1F 44 00 00", "nop word [eax + eax + 0]"},
    {"0F 1F 44 00 00", "nop dword [eax + eax + 0]"},
    {"8D 74 26 00", "lea esi, [esi + 0]"},
    {"0F 1F 40 00", "nop dword [eax + 0]"},
    {"8D 76 00", "lea esi, [esi + 0]"},
    {"8D 7F 00", "lea edi, [edi + 0]"},
    {"0F 1F 00", "nop dword [eax]"},
    {"89 F6", "mov esi, esi"},
    {"66 90", "xchg ax, ax"},
    {"90", "nop"},
};

std::uintptr_t address_of(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

std::uint32_t read_u32(const std::uint8_t* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// A 32-bit displacement, sign-extended to an address difference.
std::intptr_t read_displacement(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(read_u32(bytes));
}

std::uintptr_t variable_address(const std::string& name) {
    if (name == "[loop_count]") return address_of(&loop_count);
    if (name == "[loop_counter]") return address_of(&loop_counter);
    if (name == "[meter_result]") return address_of(&meter_result);
    if (name == "[meter_result+4]") return address_of(&meter_result) + 4;
    if (name == "[stats_long_runs]") return address_of(&stats_long_runs);
    ADD_FAILURE() << "no variable " << name;
    return 0;
}

// Where a call to `target` ends up: through an import thunk (jmp [slot]: FF 25 and the
// slot's absolute address in 32-bit mode, its RIP-relative distance in 64-bit mode) where
// the routine lives in a system library.
std::uintptr_t call_destination(std::uintptr_t target) {
    const auto* code = reinterpret_cast<const std::uint8_t*>(target);
    if (code[0] != 0xFF || code[1] != 0x25) return target;
    const std::uintptr_t slot = MODE_64 ? target + 6 + read_displacement(code + 2)
                                        : read_u32(code + 2);
    std::uintptr_t destination;
    std::memcpy(&destination, reinterpret_cast<const void*>(slot), sizeof destination);
    return destination;
}

std::uintptr_t routine_address(const std::string& name) {
    if (name == "<GetCurrentProcess>")
        return call_destination(address_of(reinterpret_cast<const void*>(&GetCurrentProcess)));
    if (name == "<SetPriorityClass>")
        return call_destination(address_of(reinterpret_cast<const void*>(&SetPriorityClass)));
    ADD_FAILURE() << "no routine " << name;
    return 0;
}

// The length of a row of plain bytes, variables and calls: where its instruction ends.
std::size_t row_length(const char* row) {
    std::istringstream tokens(row);
    std::size_t length = 0;
    for (std::string token; tokens >> token;)
        length += token.front() == '[' || token.front() == '<' || token.front() == '#' ? 4 : 1;
    return length;
}

// Steps over one filler instruction at `at`; false when none stands there.
bool skip_filler(const std::uint8_t*& at) {
    for (const Encoding& filler : FILLERS) {
        const std::vector<std::uint8_t> bytes = encoded_bytes(filler.bytes);
        if (std::memcmp(at, bytes.data(), bytes.size()) == 0) {
            at += bytes.size();
            return true;
        }
    }
    return false;
}

// Walks the instance's code along METER_STEPS; gives "" when every byte is as listed,
// or what differs, naming the step.
std::string meter_mismatch(const MeterInstance& instance) {
    const BenchCase& copy = *instance.copy;
    const auto* start = reinterpret_cast<const std::uint8_t*>(copy.measure_cycles);
    const std::uint8_t* at = start;
    const std::uint8_t* calibration_head = nullptr;
    for (const Encoding& step : meter_steps(instance.runs_from)) {
        const std::uint8_t* const row_start = at;
        std::ostringstream where;
        where << "at offset " << (at - start) << ", step '" << step.instruction << "': ";
        std::istringstream tokens(step.bytes);
        for (std::string token; tokens >> token;) {
            if (token == "filler") {
                // Before the kernel the filler may run on to a placed copy's entry.
                const bool to_entry = std::string(step.bytes).find("kernel") != std::string::npos;
                while (to_entry ? at < copy.entry : address_of(at) % 16 != 0)
                    if (!skip_filler(at)) return where.str() + "an instruction that is no filler";
                if (address_of(at) % 16 != 0) return where.str() + "a loop head off its 16-byte boundary";
            } else if (token == "@calibration") {
                calibration_head = at;
            } else if (token == "kernel") {
                if (at != copy.entry) return where.str() + "the kernel's entry is elsewhere";
                at += *copy.code_bytes + EXIT_STEP_BYTES;
            } else if (token == "jne") {
                tokens >> token;
                const std::uint8_t* head = token == "entry" ? copy.entry : calibration_head;
                std::intptr_t displacement;
                if (instance.near_loop_back) {
                    if (at[0] != 0x0F || at[1] != 0x85) return where.str() + "no 0F 85 rel32";
                    displacement = read_displacement(at + 2);
                    at += 6;
                } else {
                    if (at[0] != 0x75) return where.str() + "no 75 rel8";
                    displacement = static_cast<std::int8_t>(at[1]);
                    at += 2;
                }
                if (address_of(at) + displacement != address_of(head))
                    return where.str() + "the jump goes elsewhere than the loop head";
            } else if (token.front() == '[') {
                const std::uintptr_t field =
                    MODE_64 ? address_of(row_start + row_length(step.bytes)) + read_displacement(at)
                            : read_u32(at);
                if (field != variable_address(token)) return where.str() + token + " differs";
                at += 4;
            } else if (token == "#runs") {
                if (read_u32(at) != instance.runs) return where.str() + "another run count";
                at += 4;
            } else if (token == "#divisor") {
                if (read_u32(at) != instance.divisor) return where.str() + "another divisor";
                at += 4;
            } else if (token.front() == '<') {
                const std::uintptr_t target = address_of(at + 4) + read_displacement(at);
                if (call_destination(target) != routine_address(token))
                    return where.str() + "the call goes elsewhere than " + token;
                at += 4;
            } else {
                const auto expected = static_cast<std::uint8_t>(std::stoul(token, nullptr, 16));
                if (*at != expected) {
                    std::ostringstream what;
                    what << std::hex << std::uppercase << "byte " << int{*at} << " instead of "
                         << int{expected};
                    return where.str() + what.str();
                }
                ++at;
            }
        }
    }
    return "";
}

TEST(MeterBytes, EveryInstanceIsTheMeterSequence) {
    const std::vector<MeterInstance> instances = all_meter_instances();
    for (const MeterInstance& instance : instances)
        EXPECT_EQ(meter_mismatch(instance), "") << instance.copy->name;
}

}  // namespace
