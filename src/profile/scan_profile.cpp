#include "profile/scan_profile.hpp"

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "profile/single_step.hpp"

namespace {

enum class Kind { plain, conditional, unconditional, indirect };

// An instruction form the kernels use: its leading bytes (opcode, and ModRM where one
// opcode has other forms too) and its whole length.
struct Form {
    std::string_view lead;
    std::uint32_t length;
    Kind kind;
};

// The forms of the scan kernels (kernels/scan_kernels.inc). A branch is told by its
// opcode alone; 70..7F are the sixteen conditions of jcc rel8 and are matched apart.
constexpr Form FORMS[] = {
    {"\xBE", 5, Kind::plain},          // mov esi, imm32
    {"\x81\xEE", 6, Kind::plain},      // sub esi, imm32
    {"\x8A\x06", 2, Kind::plain},      // mov al, [esi]
    {"\x8A\xC4", 2, Kind::plain},      // mov al, ah
    {"\x0F\xB6\x06", 3, Kind::plain},  // movzx eax, byte [esi]
    {"\x0F\xB7\x06", 3, Kind::plain},  // movzx eax, word [esi]
    {"\x8B\xC0", 2, Kind::plain},      // mov eax, eax
    {"\x46", 1, Kind::plain},          // inc esi
    {"\xFF\xC6", 2, Kind::plain},      // inc esi, the form of 64-bit mode (46 is a REX prefix)
    {"\x3C", 2, Kind::plain},          // cmp al, imm8
    {"\x83\xF8", 3, Kind::plain},      // cmp eax, imm8
    {"\x84\xC0", 2, Kind::plain},      // test al, al
    {"\x0C", 2, Kind::plain},          // or al, imm8
    {"\xEB", 2, Kind::unconditional},  // jmp rel8
    // The table layouts' (kernels/layouts/jump_table.inc, class_table.inc).
    {"\x8B\x04\x85", 7, Kind::plain},  // mov eax, [eax*4 + disp32]
    {"\x8A\x80", 6, Kind::plain},      // mov al, [eax + disp32]
    {"\xFF\xE0", 2, Kind::indirect},   // jmp eax (jmp rax in 64-bit mode)
};

const Form CONDITIONAL_REL8 = {"", 2, Kind::conditional};  // 70..7F: jcc rel8

const Form* form_at(const unsigned char* code) {
    if ((code[0] & 0xF0) == 0x70) return &CONDITIONAL_REL8;
    for (const Form& form : FORMS) {
        if (std::string_view(reinterpret_cast<const char*>(code), form.lead.size()) == form.lead)
            return &form;
    }
    return nullptr;
}

constexpr std::uint32_t CF = 1u << 0, PF = 1u << 2, ZF = 1u << 6, SF = 1u << 7, OF = 1u << 11;

// Whether jcc with condition code `condition` (the low four bits of 70..7F) jumps under
// `eflags`: even codes test a condition, odd ones its negation.
bool condition_holds(unsigned condition, std::uint32_t eflags) {
    const bool cf = eflags & CF, pf = eflags & PF, zf = eflags & ZF;
    const bool less = bool(eflags & SF) != bool(eflags & OF);
    bool holds = false;
    switch (condition >> 1) {
        case 0: holds = eflags & OF; break;  // jo
        case 1: holds = cf; break;           // jb
        case 2: holds = zf; break;           // je
        case 3: holds = cf || zf; break;     // jbe
        case 4: holds = eflags & SF; break;  // js
        case 5: holds = pf; break;           // jp
        case 6: holds = less; break;         // jl
        case 7: holds = less || zf; break;   // jle
    }
    return (condition & 1) ? !holds : holds;
}

std::string hex_address(std::uintptr_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(address));
    return text;
}

// The state of one profile while its code is stepped. Each instruction is checked
// against the one before: it must lie where that one said execution goes next, so a
// trap that was missed or came twice shows as an error, never as a wrong count.
struct Stepper {
    std::uintptr_t entry;
    std::uintptr_t stop;
    ScanProfile* profile;
    std::uintptr_t expected = 0;  // where the last instruction sends execution
    bool expected_known = false;  // not after an indirect jump, whose target is in EAX
    std::uintptr_t previous = 0;  // the address of the instruction run last
};

constexpr std::uint64_t STEP_LIMIT = 100'000'000;  // far beyond any scan of a sample

std::string where(const Stepper& stepper, std::uintptr_t address) {
    return hex_address(address) + " (entry + " + std::to_string(address - stepper.entry) + ")";
}

// Runs in the trap handler. The interrupted code is the stepped copy, never the C++
// run-time library, so the handler may build its error texts with it.
bool visit(void* context, std::uintptr_t address, std::uint32_t eflags) {
    Stepper& stepper = *static_cast<Stepper*>(context);
    ScanProfile& profile = *stepper.profile;
    if (address < stepper.entry || address >= stepper.stop) {
        profile.error = "execution left the stepped code at " + hex_address(address);
        return false;
    }
    if (stepper.expected_known && address != stepper.expected) {
        profile.error = "execution went to " + where(stepper, address) + ", expected " +
                        where(stepper, stepper.expected);
        return false;
    }
    if (profile.counts.instructions == STEP_LIMIT) {
        profile.error = "no end after " + std::to_string(STEP_LIMIT) + " instructions, at " +
                        where(stepper, address);
        return false;
    }
    const auto* code = reinterpret_cast<const unsigned char*>(address);
    const Form* form = form_at(code);
    if (form == nullptr) {
        char bytes[16];
        std::snprintf(bytes, sizeof bytes, "%02x %02x %02x", code[0], code[1], code[2]);
        profile.error = "unknown instruction at " + where(stepper, address) + ", bytes " + bytes;
        return false;
    }

    const std::size_t offset = address - stepper.entry;
    const std::uintptr_t next = address + form->length;
    const std::uintptr_t target = next + static_cast<std::int8_t>(code[1]);
    bool jumps = false;
    ScanCounts& counts = profile.counts;
    if (counts.instructions > 0) {
        if (address / 64 != stepper.previous / 64) ++counts.line_changes;
        if (address / 32 != stepper.previous / 32) ++counts.window_changes;
    }
    stepper.previous = address;
    if (form->kind != Kind::plain) {
        const std::uintptr_t last = address + form->length - 1;
        if (address / 32 != last / 32 || last % 32 == 31) ++counts.boundary_jumps;
    }
    ++counts.instructions;
    ++profile.runs[offset];
    if (form->kind == Kind::conditional) {
        // The flags decide, not where execution goes next: a jcc with displacement 0
        // lands on the same instruction taken or not.
        ++counts.conditional_branches;
        jumps = condition_holds(code[0] & 0x0F, eflags);
        if (jumps) ++counts.conditional_taken;
    } else if (form->kind == Kind::unconditional) {
        ++counts.unconditional_jumps;
        jumps = true;
    } else if (form->kind == Kind::indirect) {
        ++counts.indirect_jumps;
        ++profile.taken[offset];
        stepper.expected_known = false;  // anywhere inside the stepped code will do
        return true;
    }
    if (jumps) ++profile.taken[offset];
    stepper.expected = jumps ? target : next;
    stepper.expected_known = true;
    return true;
}

}  // namespace

bool is_branch_form(const unsigned char* code) {
    const Form* form = form_at(code);
    return form != nullptr && form->kind != Kind::plain;
}

ScanProfile profile_code(const unsigned char* entry, const unsigned char* stop) {
    ScanProfile profile;
    const std::size_t size = static_cast<std::size_t>(stop - entry);
    profile.runs.assign(size, 0);
    profile.taken.assign(size, 0);
    Stepper stepper{reinterpret_cast<std::uintptr_t>(entry), reinterpret_cast<std::uintptr_t>(stop),
                    &profile};
    const StepOutcome outcome = step_through(entry, stop, visit, &stepper);
    if (outcome == StepOutcome::unavailable) {
        profile.error = "the single-step trap handler could not be installed";
    } else if (outcome == StepOutcome::reached_stop && profile.counts.instructions > 0 &&
               stepper.expected_known && stepper.expected != stepper.stop) {
        profile.error = "reached the stop address " + hex_address(stepper.stop) +
                        " where execution should have gone to " + where(stepper, stepper.expected);
    } else if (outcome == StepOutcome::reached_stop && profile.counts.instructions == 0) {
        profile.error = "nothing was stepped: the entry " + hex_address(stepper.entry) +
                        " is the stop address";
    }
    return profile;
}

ScanProfile profile_case(const BenchCase& bench_case) {
    return profile_code(bench_case.entry, bench_case.exit + EXIT_STEP_SIZE);
}
