// The profile's decoder: Capstone's, x86 in this build's mode, its own instruction groups
// telling the branches apart.
#include "profile/x86_decoder.hpp"

#include <capstone/capstone.h>

#include <cstdio>

namespace {

csh open_handle() {
    csh handle = 0;
    const cs_mode mode = sizeof(void*) == 8 ? CS_MODE_64 : CS_MODE_32;
    if (cs_open(CS_ARCH_X86, mode, &handle) != CS_ERR_OK) return 0;
    cs_option(handle, CS_OPT_SYNTAX, CS_OPT_SYNTAX_INTEL);
    cs_option(handle, CS_OPT_DETAIL, CS_OPT_ON);
    return handle;
}

// One handle for the process, opened at first use. Decoding runs inside the single-step
// trap handler, which interrupts only the stepped kernel copy, never the C library that
// Capstone's allocations go through.
csh handle() {
    static const csh opened = open_handle();
    return opened;
}

bool in_group(const cs_insn& insn, cs_group_type group) {
    const cs_detail& detail = *insn.detail;
    for (std::uint8_t index = 0; index < detail.groups_count; ++index)
        if (detail.groups[index] == group) return true;
    return false;
}

// The condition code of a jcc by its name: the order of 70..7F.
int condition_code(unsigned id) {
    switch (id) {
        case X86_INS_JO: return 0x0;
        case X86_INS_JNO: return 0x1;
        case X86_INS_JB: return 0x2;
        case X86_INS_JAE: return 0x3;
        case X86_INS_JE: return 0x4;
        case X86_INS_JNE: return 0x5;
        case X86_INS_JBE: return 0x6;
        case X86_INS_JA: return 0x7;
        case X86_INS_JS: return 0x8;
        case X86_INS_JNS: return 0x9;
        case X86_INS_JP: return 0xA;
        case X86_INS_JNP: return 0xB;
        case X86_INS_JL: return 0xC;
        case X86_INS_JGE: return 0xD;
        case X86_INS_JLE: return 0xE;
        case X86_INS_JG: return 0xF;
        default: return -1;  // loop, loope, loopne, jcxz, jecxz, jrcxz
    }
}

std::string hex_bytes(const unsigned char* code, std::size_t count) {
    std::string text;
    char byte[4];
    for (std::size_t index = 0; index < count; ++index) {
        std::snprintf(byte, sizeof byte, index == 0 ? "%02x" : " %02x", code[index]);
        text += byte;
    }
    return text;
}

}  // namespace

bool decode_instruction(const unsigned char* code, std::size_t available, std::uintptr_t address,
                        Instruction& instruction, std::string& error) {
    if (handle() == 0) {
        error = "Capstone's x86 decoder could not be opened";
        return false;
    }
    cs_insn* insn = nullptr;
    const std::size_t count = cs_disasm(handle(), code, available, address, 1, &insn);
    if (count == 0) {
        const std::size_t shown = available < 8 ? available : 8;
        error = available == 0 ? std::string("no bytes left to decode")
                               : "no instruction the decoder knows, or one that runs past the "
                                 "code's end: bytes " + hex_bytes(code, shown);
        return false;
    }
    const cs_insn& decoded = insn[0];
    instruction = {};
    instruction.length = static_cast<std::uint8_t>(decoded.size);
    instruction.text = decoded.mnemonic;
    if (decoded.op_str[0] != '\0') instruction.text += std::string(" ") + decoded.op_str;
    const cs_x86& x86 = decoded.detail->x86;
    const bool immediate = x86.op_count == 1 && x86.operands[0].type == X86_OP_IMM;
    // What would leave this code for the system or fault there: int, syscall, iret, the
    // privileged forms (hlt), the deliberately undefined ones (ud2), far transfers.
    if (in_group(decoded, CS_GRP_INT) || in_group(decoded, CS_GRP_IRET) ||
        in_group(decoded, CS_GRP_PRIVILEGE) || decoded.id == X86_INS_UD2 ||
        decoded.id == X86_INS_UD2B || decoded.id == X86_INS_UD0 || decoded.id == X86_INS_LJMP ||
        decoded.id == X86_INS_LCALL || decoded.id == X86_INS_RETF || decoded.id == X86_INS_RETFQ) {
        instruction.kind = BranchKind::leaves;
    } else if (in_group(decoded, CS_GRP_RET)) {
        instruction.kind = BranchKind::ret;
    } else if (in_group(decoded, CS_GRP_CALL)) {
        instruction.kind = BranchKind::call;
    } else if (in_group(decoded, CS_GRP_JUMP)) {
        if (decoded.id == X86_INS_JMP)
            instruction.kind = immediate ? BranchKind::unconditional : BranchKind::indirect;
        else
            instruction.kind = BranchKind::conditional;
        instruction.condition = condition_code(decoded.id);
    }
    if (instruction.kind != BranchKind::none && instruction.kind != BranchKind::leaves &&
        immediate && in_group(decoded, CS_GRP_BRANCH_RELATIVE)) {
        instruction.has_target = true;
        // Capstone gives the target as an address, wrapped to the mode's width.
        const std::uint64_t target = static_cast<std::uint64_t>(x86.operands[0].imm);
        const std::uint64_t mask = sizeof(void*) == 8 ? ~std::uint64_t{0} : 0xFFFF'FFFFu;
        instruction.target_offset = static_cast<std::int64_t>((target - address) & mask);
        if (sizeof(void*) == 4)
            instruction.target_offset = static_cast<std::int32_t>(instruction.target_offset);
    }
    cs_free(insn, count);
    return true;
}

std::string decoder_name() {
    int major = 0, minor = 0;
    cs_version(&major, &minor);
    return "Capstone " + std::to_string(major) + "." + std::to_string(minor);
}
