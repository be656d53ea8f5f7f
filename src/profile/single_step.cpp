#include "profile/single_step.hpp"

#include <cstdio>

#include "platform/step_trap.hpp"
#include "profile/emulated_step.hpp"
#include "profile/step_trampoline.hpp"

// Where the trampoline keeps the stepped code's ESI when stepping ends (step_trampoline.S).
extern "C" std::uint32_t step_landing_esi;

namespace {

// The stepping in progress; read and written only by step_through and the trap handler,
// which runs in the same thread while step_through waits in step_from.
struct Stepping {
    std::uintptr_t entry;
    std::uintptr_t stop;
    StepVisitor visit;
    void* context;
    bool entered;  // the entry has been reached
    StepOutcome outcome;
};

Stepping stepping;

// The last stepping's ESI and fault, whichever engine ran it.
std::uint32_t last_esi = 0;
std::string last_fault;

TrapAction on_step_trap(std::uintptr_t address, std::uint32_t eflags) {
    if (!stepping.entered) {
        // A trap in the trampoline's jump, before the entry: pass it over.
        if (address == reinterpret_cast<std::uintptr_t>(step_from_jump)) return TrapAction::step_on;
        stepping.entered = true;
    }
    if (address == stepping.stop) {
        stepping.outcome = StepOutcome::reached_stop;
        return TrapAction::land;
    }
    if (!stepping.visit(stepping.context, address, eflags)) {
        stepping.outcome = StepOutcome::visitor_stopped;
        return TrapAction::land;
    }
    return TrapAction::step_on;
}

}  // namespace

StepEngine default_step_engine() {
    return emulator_built() ? StepEngine::emulator : StepEngine::trap;
}

const char* step_engine_name(StepEngine engine) {
    return engine == StepEngine::emulator ? "emulator" : "trap";
}

std::string step_engine_text(StepEngine engine) {
    return engine == StepEngine::emulator ? "in an x86 emulator (" + emulator_name() + ")"
                                          : "under the processor's single-step trap";
}

StepOutcome step_through(const unsigned char* entry, const unsigned char* stop,
                         StepVisitor visit, void* context, StepEngine engine) {
    last_esi = 0;
    last_fault.clear();
    if (engine == StepEngine::emulator)
        return emulate_through(entry, stop, visit, context, last_esi, last_fault);
    stepping = {reinterpret_cast<std::uintptr_t>(entry), reinterpret_cast<std::uintptr_t>(stop),
                visit, context, false, StepOutcome::unavailable};
    if (!install_step_handler(on_step_trap, step_landing)) return StepOutcome::unavailable;
    step_from(entry);
    remove_step_handler();
    last_esi = step_landing_esi;
    return stepping.outcome;
}

std::uint32_t stepped_esi() { return last_esi; }

const std::string& step_fault() { return last_fault; }

std::string address_text(std::uintptr_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llx", static_cast<unsigned long long>(address));
    return text;
}
