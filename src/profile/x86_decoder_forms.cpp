// The profile's decoder where the build has no Capstone (a Windows cross-build whose set-up
// could not make it: scripts/setup-capstone-mingw.sh): the instruction forms the built-in
// scan kernels use, and no other. An instruction of any other form is refused with the
// list of the forms it knows, so that a layout that uses one fails in its own row.
#include "profile/x86_decoder.hpp"

#include <cstdio>
#include <string_view>

namespace {

// A form: its leading bytes (opcode, and ModRM where one opcode has other forms too), its
// whole length, its branch class and its text.
struct Form {
    std::string_view lead;
    std::uint8_t length;
    BranchKind kind;
    const char* text;
};

constexpr Form FORMS[] = {
    {"\xBE", 5, BranchKind::none, "mov esi, imm32"},
    {"\x81\xEE", 6, BranchKind::none, "sub esi, imm32"},
    {"\x8A\x06", 2, BranchKind::none, "mov al, [esi]"},
    {"\x8A\xC4", 2, BranchKind::none, "mov al, ah"},
    {"\x0F\xB6\x06", 3, BranchKind::none, "movzx eax, byte [esi]"},
    {"\x0F\xB7\x06", 3, BranchKind::none, "movzx eax, word [esi]"},
    {"\x8B\xC0", 2, BranchKind::none, "mov eax, eax"},
    {"\xFF\xC6", 2, BranchKind::none, "inc esi"},
    {"\x3C", 2, BranchKind::none, "cmp al, imm8"},
    {"\x83\xF8", 3, BranchKind::none, "cmp eax, imm8"},
    {"\x84\xC0", 2, BranchKind::none, "test al, al"},
    {"\x0C", 2, BranchKind::none, "or al, imm8"},
    {"\xEB", 2, BranchKind::unconditional, "jmp rel8"},
    {"\x8B\x04\x85", 7, BranchKind::none, "mov eax, [eax*4 + disp32]"},
    {"\x8A\x80", 6, BranchKind::none, "mov al, [eax + disp32]"},
    {"\xFF\xE0", 2, BranchKind::indirect, "jmp eax"},
};

// 46 is inc esi in 32-bit mode only: a REX prefix in 64-bit mode.
constexpr Form INC_ESI_32 = {"\x46", 1, BranchKind::none, "inc esi"};

std::string known_forms() {
    std::string text = "jcc rel8";
    for (const Form& form : FORMS) text += std::string(", ") + form.text;
    return text;
}

}  // namespace

bool decode_instruction(const unsigned char* code, std::size_t available, std::uintptr_t address,
                        Instruction& instruction, std::string& error) {
    (void)address;
    instruction = {};
    const Form* found = nullptr;
    if (available >= 2 && (code[0] & 0xF0) == 0x70) {
        instruction.length = 2;
        instruction.kind = BranchKind::conditional;
        instruction.condition = code[0] & 0x0F;
        instruction.text = "jcc rel8";
    } else {
        if (sizeof(void*) == 4 && available >= 1 && code[0] == 0x46) found = &INC_ESI_32;
        for (const Form& form : FORMS) {
            if (found != nullptr) break;
            if (form.lead.size() <= available &&
                std::string_view(reinterpret_cast<const char*>(code), form.lead.size()) == form.lead)
                found = &form;
        }
        if (found == nullptr || found->length > available) {
            char bytes[16];
            std::snprintf(bytes, sizeof bytes, "%02x %02x %02x", code[0],
                          available > 1 ? code[1] : 0, available > 2 ? code[2] : 0);
            error = std::string("bytes ") + bytes + " are none of the forms this build knows " +
                    "(it was built without Capstone): " + known_forms();
            return false;
        }
        instruction.length = found->length;
        instruction.kind = found->kind;
        instruction.text = found->text;
    }
    if (instruction.kind == BranchKind::conditional || instruction.kind == BranchKind::unconditional) {
        instruction.has_target = true;
        instruction.target_offset = instruction.length + static_cast<std::int8_t>(code[1]);
    }
    return true;
}

std::string decoder_name() { return "the built-in kernels' instruction forms (no Capstone)"; }
