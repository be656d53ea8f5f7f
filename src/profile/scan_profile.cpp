#include "profile/scan_profile.hpp"

#include <algorithm>

#include "profile/single_step.hpp"
#include "profile/x86_decoder.hpp"

namespace {

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

// Where execution may go after the instruction run last.
enum class Next {
    anywhere,     // the entry, or after an indirect jump, call or return: any address inside
    expected,     // exactly `expected`
    either,       // `expected` (the fall-through) or `target`: a loop or jecxz, decided by ECX
};

// The most copies whose front-end counts one stepping follows.
constexpr std::size_t MAX_COPIES = 8;

// The state of one stepping. Each instruction is checked against the one before: it must
// lie where that one said execution goes next, so a trap that was missed or came twice
// shows as an error, never as a wrong count.
struct Stepper {
    std::uintptr_t entry;
    std::uintptr_t stop;
    ScanProfile* profile;
    StepWatch watch;
    // Each instruction decoded once, at its offset from the entry; length 0: not yet.
    std::vector<Instruction> decoded;
    // The other copies' entries, whose line and window changes are counted beside the
    // stepped copy's (index 0 is the stepped copy itself).
    std::uintptr_t bases[MAX_COPIES] = {};
    std::uint64_t line_changes[MAX_COPIES] = {};
    std::uint64_t window_changes[MAX_COPIES] = {};
    std::size_t base_count = 1;
    Next next = Next::anywhere;
    std::uintptr_t expected = 0;
    std::uintptr_t target = 0;       // for Next::either
    std::size_t pending_offset = 0;  // the loop or jecxz whose outcome the next address tells
    std::size_t previous = 0;        // the offset of the instruction run last
    // Calls stepped and not yet returned from. The code is entered by a jump, so a return
    // at depth 0 would take whatever lies on the stack as its target: refused before it
    // runs, since a target that is no address at all faults at the return itself.
    std::uint64_t call_depth = 0;
};

std::string where(const Stepper& stepper, std::uintptr_t address) {
    return address_text(address) + " (entry + " + std::to_string(address - stepper.entry) + ")";
}

// Settles a loop or jecxz run last by where execution went: taken where it went to a
// target that is not also the fall-through.
void settle_pending(Stepper& stepper, std::uintptr_t address) {
    if (stepper.next != Next::either) return;
    if (address == stepper.target && stepper.target != stepper.expected) {
        ++stepper.profile->counts.conditional_taken;
        ++stepper.profile->taken[stepper.pending_offset];
    }
}

// Runs before each stepped instruction: in the emulator's hook, or in the trap handler, where
// the interrupted code is the stepped copy, never the C++ run-time library, so that the
// handler may decode and build its error texts with it.
bool visit(void* context, std::uintptr_t address, std::uint32_t eflags) {
    Stepper& stepper = *static_cast<Stepper*>(context);
    ScanProfile& profile = *stepper.profile;
    ScanCounts& counts = profile.counts;
    if (address < stepper.entry || address >= stepper.stop) {
        profile.error = "execution left the stepped code at " + address_text(address);
        return false;
    }
    if ((stepper.next == Next::expected && address != stepper.expected) ||
        (stepper.next == Next::either && address != stepper.expected &&
         address != stepper.target)) {
        profile.error = "execution went to " + where(stepper, address) + ", expected " +
                        where(stepper, stepper.expected);
        return false;
    }
    settle_pending(stepper, address);
    if (counts.instructions >= stepper.watch.step_limit) {
        profile.error = "runs away: no end after " + std::to_string(stepper.watch.step_limit) +
                        " instructions, at " + where(stepper, address);
        return false;
    }
    const std::size_t offset = address - stepper.entry;
    Instruction& instruction = stepper.decoded[offset];
    if (instruction.length == 0) {
        std::string error;
        const auto* code = reinterpret_cast<const unsigned char*>(address);
        if (!decode_instruction(code, stepper.stop - address, address, instruction, error)) {
            instruction.length = 0;
            profile.error = "cannot decode the instruction at " + where(stepper, address) + ": " +
                            error;
            return false;
        }
        if (instruction.kind == BranchKind::leaves) {
            instruction.length = 0;
            profile.error = "'" + instruction.text + "' at " + where(stepper, address) +
                            " would leave the stepped code or fault";
            return false;
        }
    }
    if (instruction.kind == BranchKind::ret && stepper.call_depth == 0) {
        profile.error = "'" + instruction.text + "' at " + where(stepper, address) +
                        " would return out of the stepped code: no call of its own before it";
        return false;
    }

    if (counts.instructions > 0) {
        for (std::size_t copy = 0; copy < stepper.base_count; ++copy) {
            const std::uintptr_t now = stepper.bases[copy] + offset;
            const std::uintptr_t before = stepper.bases[copy] + stepper.previous;
            stepper.line_changes[copy] += now / 64 != before / 64;
            stepper.window_changes[copy] += now / 32 != before / 32;
        }
    }
    stepper.previous = offset;
    ++counts.instructions;
    ++profile.runs[offset];
    if (stepper.watch.progress != nullptr && counts.instructions % PROGRESS_INTERVAL == 0)
        stepper.watch.progress(stepper.watch.context, counts.instructions);

    const std::uintptr_t next = address + instruction.length;
    const std::uintptr_t target = address + static_cast<std::uintptr_t>(instruction.target_offset);
    stepper.next = Next::expected;
    stepper.expected = next;
    switch (instruction.kind) {
        case BranchKind::none:
        case BranchKind::leaves:
            break;
        case BranchKind::conditional:
            ++counts.conditional_branches;
            if (instruction.condition < 0) {
                stepper.next = Next::either;
                stepper.target = target;
                stepper.pending_offset = offset;
            } else if (condition_holds(static_cast<unsigned>(instruction.condition), eflags)) {
                // The flags decide, not where execution goes next: a jcc with
                // displacement 0 lands on the same instruction taken or not.
                ++counts.conditional_taken;
                ++profile.taken[offset];
                stepper.expected = target;
            }
            break;
        case BranchKind::unconditional:
            ++counts.unconditional_jumps;
            ++profile.taken[offset];
            stepper.expected = target;
            break;
        case BranchKind::indirect:
        case BranchKind::call:
        case BranchKind::ret:
            if (instruction.kind == BranchKind::indirect) ++counts.indirect_jumps;
            if (instruction.kind == BranchKind::call) {
                ++counts.calls;
                ++stepper.call_depth;
            }
            if (instruction.kind == BranchKind::ret) {
                ++counts.returns;
                --stepper.call_depth;
            }
            ++profile.taken[offset];
            if (instruction.has_target) {
                stepper.expected = target;
            } else {
                stepper.next = Next::anywhere;  // anywhere inside the stepped code will do
            }
            break;
    }
    return true;
}

// A branch whose bytes cross a 32-byte boundary or end on one, at `address`.
bool on_boundary(std::uintptr_t address, std::size_t length) {
    const std::uintptr_t last = address + length - 1;
    return address / 32 != last / 32 || last % 32 == 31;
}

// Steps [entry, stop) once with the front-end counts followed at each of `bases`, and
// gives the stepped profile with the decoded instructions along the trace.
ScanProfile step(const unsigned char* entry, const unsigned char* stop,
                 std::span<const std::uintptr_t> bases, const StepWatch& watch,
                 std::vector<Instruction>& decoded,
                 std::vector<std::uint64_t>* line_changes = nullptr,
                 std::vector<std::uint64_t>* window_changes = nullptr) {
    ScanProfile profile;
    const std::size_t size = static_cast<std::size_t>(stop - entry);
    profile.runs.assign(size, 0);
    profile.taken.assign(size, 0);
    Stepper stepper{reinterpret_cast<std::uintptr_t>(entry), reinterpret_cast<std::uintptr_t>(stop),
                    &profile, watch, std::vector<Instruction>(size)};
    stepper.bases[0] = stepper.entry;
    for (std::size_t index = 1; index < bases.size() && index < MAX_COPIES; ++index)
        stepper.bases[stepper.base_count++] = bases[index];

    const StepOutcome outcome = step_through(entry, stop, visit, &stepper, watch.engine);
    if (outcome == StepOutcome::unavailable) {
        profile.error = watch.engine == StepEngine::trap
                            ? "the single-step trap handler could not be installed"
                            : "the emulator could not be set up";
    } else if (outcome == StepOutcome::faulted && profile.error.empty()) {
        profile.error = step_fault();
    } else if (outcome == StepOutcome::reached_stop && profile.counts.instructions == 0) {
        profile.error = "nothing was stepped: the entry " + address_text(stepper.entry) +
                        " is the stop address";
    } else if (outcome == StepOutcome::reached_stop) {
        if ((stepper.next == Next::expected && stepper.expected != stepper.stop) ||
            (stepper.next == Next::either && stepper.expected != stepper.stop &&
             stepper.target != stepper.stop)) {
            profile.error = "reached the stop address " + address_text(stepper.stop) +
                            " where execution should have gone to " +
                            where(stepper, stepper.expected);
        } else {
            settle_pending(stepper, stepper.stop);
            profile.scan_length = stepped_esi();
        }
    }
    if (profile.error.empty() && outcome != StepOutcome::reached_stop)
        profile.error = "stepping stopped before the stop address";
    profile.counts.line_changes = stepper.line_changes[0];
    profile.counts.window_changes = stepper.window_changes[0];
    if (line_changes != nullptr) {
        line_changes->assign(stepper.line_changes, stepper.line_changes + stepper.base_count);
        window_changes->assign(stepper.window_changes, stepper.window_changes + stepper.base_count);
    }
    decoded = std::move(stepper.decoded);
    return profile;
}

// The branches run, counted where their bytes meet a 32-byte boundary at `entry`.
std::uint64_t boundary_jumps(const ScanProfile& profile, const std::vector<Instruction>& decoded,
                             std::uintptr_t entry) {
    std::uint64_t count = 0;
    for (std::size_t offset = 0; offset < decoded.size(); ++offset) {
        const Instruction& instruction = decoded[offset];
        if (instruction.length == 0 || instruction.kind == BranchKind::none) continue;
        if (on_boundary(entry + offset, instruction.length)) count += profile.runs[offset];
    }
    return count;
}

// Why the copy at `entry` cannot share the trace of the stepped one, or "".
std::string differs_along_trace(const unsigned char* entry, const unsigned char* stop,
                                const std::vector<Instruction>& decoded,
                                const std::vector<std::uint32_t>& runs) {
    const auto base = reinterpret_cast<std::uintptr_t>(entry);
    for (std::size_t offset = 0; offset < decoded.size(); ++offset) {
        const Instruction& stepped = decoded[offset];
        if (stepped.length == 0 || runs[offset] == 0) continue;
        Instruction own;
        std::string error;
        const bool ok = decode_instruction(entry + offset, static_cast<std::size_t>(stop - entry) - offset,
                                           base + offset, own, error);
        if (!ok || own.length != stepped.length || own.kind != stepped.kind ||
            own.condition != stepped.condition || own.has_target != stepped.has_target ||
            own.target_offset != stepped.target_offset) {
            return "its instruction at entry + " + std::to_string(offset) + " (" +
                   (ok ? own.text : error) + ") differs from the stepped copy's (" + stepped.text +
                   "), whose trace it would share";
        }
    }
    return "";
}

}  // namespace

ScanProfile profile_code(const unsigned char* entry, const unsigned char* stop,
                         const StepWatch& watch) {
    std::vector<Instruction> decoded;
    ScanProfile profile = step(entry, stop, {}, watch, decoded);
    profile.counts.boundary_jumps =
        boundary_jumps(profile, decoded, reinterpret_cast<std::uintptr_t>(entry));
    return profile;
}

ScanProfile profile_case(const BenchCase& bench_case, const StepWatch& watch) {
    return profile_code(bench_case.entry, bench_case.exit + EXIT_STEP_SIZE, watch);
}

std::vector<ScanProfile> profile_copies(std::span<const BenchCase* const> copies,
                                        const StepWatch& watch) {
    std::vector<ScanProfile> profiles(copies.size());
    for (std::size_t start = 0; start < copies.size(); start += MAX_COPIES) {
        const std::size_t end = std::min(copies.size(), start + MAX_COPIES);
        const BenchCase& first = *copies[start];
        std::vector<std::uintptr_t> bases;
        for (std::size_t index = start; index < end; ++index)
            bases.push_back(reinterpret_cast<std::uintptr_t>(copies[index]->entry));
        std::vector<Instruction> decoded;
        std::vector<std::uint64_t> line_changes, window_changes;
        const ScanProfile stepped = step(first.entry, first.exit + EXIT_STEP_SIZE, bases, watch,
                                         decoded, &line_changes, &window_changes);
        for (std::size_t index = start; index < end; ++index) {
            const BenchCase& copy = *copies[index];
            ScanProfile& profile = profiles[index];
            if (!stepped.error.empty()) {
                profile.error = index == start ? stepped.error
                                               : std::string("its stepped twin ") + first.name +
                                                     " failed: " + stepped.error;
                continue;
            }
            if (*copy.code_bytes != *first.code_bytes) {
                profile.error = std::to_string(*copy.code_bytes) + " code bytes where " +
                                first.name + ", whose trace it would share, has " +
                                std::to_string(*first.code_bytes);
                continue;
            }
            if (index != start) {
                profile.error = differs_along_trace(copy.entry, copy.exit + EXIT_STEP_SIZE,
                                                    decoded, stepped.runs);
                if (!profile.error.empty()) continue;
            }
            profile = stepped;
            profile.counts.line_changes = line_changes[index - start];
            profile.counts.window_changes = window_changes[index - start];
            profile.counts.boundary_jumps =
                boundary_jumps(stepped, decoded, reinterpret_cast<std::uintptr_t>(copy.entry));
        }
    }
    return profiles;
}

bool is_branch_at(const unsigned char* code, std::size_t available) {
    Instruction instruction;
    std::string error;
    return decode_instruction(code, available, reinterpret_cast<std::uintptr_t>(code), instruction,
                              error) &&
           instruction.kind != BranchKind::none;
}
