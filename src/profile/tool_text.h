// The most text bytes the tools take from a file (--text), before its terminator: 1 MiB.
// Shared by the assembly (tool_text.S) and the C++.
#ifndef PROFILE_TOOL_TEXT_H
#define PROFILE_TOOL_TEXT_H
#define TOOL_TEXT_MAX_BYTES 1048576
#endif
