#include "profile/emulated_step.hpp"

#include <unicorn/unicorn.h>

#include <string>
#include <vector>

#include "platform/mapped_memory.hpp"

namespace {

constexpr bool LONG_MODE = sizeof(void*) == 8;

// The state the code hook shares with emulate_through.
struct Emulation {
    std::uintptr_t stop;
    StepVisitor visit;
    void* context;
    StepOutcome outcome = StepOutcome::faulted;
    std::uintptr_t last = 0;  // the address of the instruction shown last
};

// Runs before each instruction. uc_emu_stop from here ends the run before the instruction.
void on_instruction(uc_engine* engine, std::uint64_t address, std::uint32_t, void* user) {
    Emulation& emulation = *static_cast<Emulation*>(user);
    const auto at = static_cast<std::uintptr_t>(address);
    emulation.last = at;
    if (at == emulation.stop) {
        emulation.outcome = StepOutcome::reached_stop;
        uc_emu_stop(engine);
        return;
    }
    std::uint32_t eflags = 0;
    uc_reg_read(engine, UC_X86_REG_EFLAGS, &eflags);
    if (!emulation.visit(emulation.context, at, eflags)) {
        emulation.outcome = StepOutcome::visitor_stopped;
        uc_emu_stop(engine);
    }
}

// Every readable range of the process, at its own address, writable where the process may
// write it: the emulated code's writes land in the process's memory, as they would on the
// processor, and a write the process could not make is the emulator's fault, not the
// host's. Every range may be run: the stepper refuses any instruction outside the stepped
// code before it runs, and under qemu's user-mode emulator (the i386 build on a kernel
// without 32-bit support) the process's own list shows its code as not executable.
bool map_own_memory(uc_engine* engine, std::uintptr_t entry) {
    bool entry_mapped = false;
    for (const MappedRange& range : readable_ranges()) {
        std::uint32_t protection = UC_PROT_READ | UC_PROT_EXEC;
        if (range.writable) protection |= UC_PROT_WRITE;
        const uc_err mapped = uc_mem_map_ptr(engine, range.start, range.end - range.start,
                                             protection, reinterpret_cast<void*>(range.start));
        if (mapped == UC_ERR_OK && range.start <= entry && entry < range.end) entry_mapped = true;
    }
    return entry_mapped;
}

}  // namespace

StepOutcome emulate_through(const unsigned char* entry, const unsigned char* stop,
                            StepVisitor visit, void* context, std::uint32_t& esi,
                            std::string& fault) {
    esi = 0;
    fault.clear();
    // The stepped code's stack, its own (it was allocated before the memory is mapped, so
    // it is among the ranges): a kernel copy uses none, a call of code of its own does.
    std::vector<std::uint64_t> stack(8192);
    const auto entry_address = reinterpret_cast<std::uintptr_t>(entry);

    uc_engine* engine = nullptr;
    if (uc_open(UC_ARCH_X86, LONG_MODE ? UC_MODE_64 : UC_MODE_32, &engine) != UC_ERR_OK)
        return StepOutcome::unavailable;
    if (!map_own_memory(engine, entry_address)) {
        uc_close(engine);
        fault = "the emulator could not map the code at " + address_text(entry_address);
        return StepOutcome::faulted;
    }
    // As the trap's trampoline enters: the entry's address in EAX, the stack pointer 16-byte
    // aligned with room above it.
    std::uint64_t entry_register = entry_address;
    std::uint64_t stack_top =
        (reinterpret_cast<std::uintptr_t>(stack.data() + stack.size()) - 512) & ~std::uintptr_t{15};
    uc_reg_write(engine, LONG_MODE ? UC_X86_REG_RAX : UC_X86_REG_EAX, &entry_register);
    uc_reg_write(engine, LONG_MODE ? UC_X86_REG_RSP : UC_X86_REG_ESP, &stack_top);

    Emulation emulation{reinterpret_cast<std::uintptr_t>(stop), visit, context};
    uc_hook hook;
    uc_hook_add(engine, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(on_instruction), &emulation,
                1, 0);
    const uc_err ran = uc_emu_start(engine, entry_address, 0, 0, 0);
    std::uint64_t last_esi = 0;
    uc_reg_read(engine, UC_X86_REG_ESI, &last_esi);
    esi = static_cast<std::uint32_t>(last_esi);
    if (ran != UC_ERR_OK) {
        emulation.outcome = StepOutcome::faulted;
        fault = "the instruction at " + address_text(emulation.last) + " faulted: " + uc_strerror(ran);
    } else if (emulation.outcome == StepOutcome::faulted) {
        fault = "the emulator stopped after the instruction at " + address_text(emulation.last);
    }
    uc_close(engine);
    return emulation.outcome;
}

bool emulator_built() { return true; }

std::string emulator_name() {
    unsigned int major = 0, minor = 0;
    uc_version(&major, &minor);
    return "Unicorn " + std::to_string(major) + "." + std::to_string(minor);
}
