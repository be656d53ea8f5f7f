// The text the stats tool's long rows scan: the built-in long sample, or the user's file
// (--text=FILE), in the tools' own buffer (profile/tool_text.hpp), and the runs per call
// that keep a call's length in time. The processes that measure the rounds take the same
// text: the first process passes its file and hash on in their environment, and they refuse
// a file that has changed meanwhile.
#pragma once

#include <cstdint>

#include <map>

#include <string>
#include <vector>

#include "profile/tool_text.hpp"

// Lays the text into the buffer (the long sample where `path` is null) and sets the long
// rows' runs per call. "" when done, else a one-line reason that names the file.
std::string use_stats_text(const char* path, ToolText& text);

// For the measuring processes: sets their environment so that a process started from this
// one takes the same text (use_passed_text).
void pass_text_on(const ToolText& text, const char* path);

// In a measuring process: the text its first process passed on, or the long sample. "" when
// done, else the reason (a file that cannot be read, or another text than the first
// process measured).
std::string use_passed_text();

// The context line's value: the text's name, its length and its hash.
std::string text_context(const ToolText& text);

// Where the selected long-sample layouts' scans end in more than one place on the text
// (the switch also stops at a blank), the layouts whose scans end elsewhere than most, in
// Of the lengths the layouts' scans take, each with the layouts that take it: the one most
// of them take; of equally many, the longest, since a scan that ends early (at a blank,
// say) is the one that differs. Pairs are made and layouts ranked only among those.
std::uint32_t common_scan_length(const std::map<std::uint32_t, std::vector<std::string>>& layouts_by_length);

// words for the context: they are not paired with the others. "" where all agree.
struct StatsCase;
std::string uncompared_layouts(const std::vector<StatsCase>& cases, const std::vector<bool>& selected);
