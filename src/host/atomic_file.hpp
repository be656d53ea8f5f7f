// Result files written whole or not at all: each one's content goes into a temporary file
// beside its target, renamed over it once complete. A tool opens every temporary file
// first, so that a target that cannot be written stops it before any is replaced. A
// failure leaves the target as it was and no temporary file behind.
#pragma once

#include <string>

struct PendingFile {
    std::string target;     // as given
    std::string path;       // the target, a symbolic link resolved
    std::string temporary;  // beside it
    int descriptor = -1;
};

// Makes the temporary file; "" when done, else one line (the target is not a regular
// file, its folder cannot be written).
std::string open_pending_file(const std::string& target, PendingFile& file);

// Writes `content` and renames the file over its target; "" when done, else one line, the
// temporary file removed.
std::string commit_pending_file(PendingFile& file, const std::string& content);

// Removes the temporary file; the target stays as it was.
void abandon_pending_file(PendingFile& file);

// The three at once, for a tool with one file to write.
std::string write_file_atomically(const std::string& target, const std::string& content);
