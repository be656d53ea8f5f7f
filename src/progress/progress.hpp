// A line of progress on standard error while long work runs, for the host tools: at a
// terminal it rewrites itself in place (a carriage return, the line, blanks over what is
// left of a longer one before it); where standard error is a pipe or a file nothing at
// all is written, so that logs and captured output hold only the tools' own lines.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct Progress {
    bool enabled = false;
    std::size_t shown = 0;  // the width of the line on the terminal now, 0 when none
    std::chrono::steady_clock::time_point last_shown{};
};

// Progress for standard error: enabled where it is a terminal.
Progress progress_on_standard_error();

// Shows `line` in place of the one shown before: at most five times a second, unless
// `now` is set (a new stage), so that a tight loop may call it freely.
void show_progress(Progress& progress, std::string_view line, bool now = false);

// Clears the line, so that what is written next starts at the left margin.
void end_progress(Progress& progress);

// The line while code is stepped: `line` ("jumpbench-profile: stepping few_jumps over long
// (1 of 9)"), then the instructions stepped so far. show_stepping has the form of the
// stepper's progress callback (profile/scan_profile.hpp's StepWatch), with a Stepping as
// its context: it is called from inside the trap handler, which interrupts only the
// stepped code.
struct Stepping {
    Progress* progress;
    std::string line;
};
void show_stepping(void* stepping, std::uint64_t instructions);

// What is written to show `line` over a line `shown` characters wide.
std::string progress_frame(std::string_view line, std::size_t shown);
