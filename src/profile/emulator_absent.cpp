// A build without the x86 emulator (emulated_step.hpp): the stepping is the trap's alone.
#include "profile/emulated_step.hpp"

bool emulator_built() { return false; }

StepOutcome emulate_through(const unsigned char*, const unsigned char*, StepVisitor, void*,
                            std::uint32_t& esi, std::string& fault) {
    esi = 0;
    fault.clear();
    return StepOutcome::unavailable;
}

std::string emulator_name() { return "not in this build"; }
