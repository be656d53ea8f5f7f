// The annotated listing: a kernel copy's listing as scripts/listing.sh prints it (offsets
// from the entry, bytes, instruction, jump targets inside the copy as offsets), each line
// led by how often the instruction ran in one scan and, for a branch, how often it jumped.
#pragma once

#include <string>
#include <string_view>

#include "meter/bench_case.hpp"
#include "profile/scan_profile.hpp"

// The copy's lines from `disassembly`, objdump's output for the copy from its entry
// through its exit step, with the counts of `profile` beside them, under the name `copy`
// that its labels give it (few_jumps_short for few_jumps_short_entry).
std::string annotated_listing(std::string_view copy, const BenchCase& bench_case,
                              const ScanProfile& profile, std::string_view disassembly);
