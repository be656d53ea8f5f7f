// The host tools' result files and standard output, written so that a failed or
// interrupted run never leaves a half-written file and never destroys one that was there:
// a file is written into a temporary file beside it, opened before the tool does anything
// lengthy (measuring, drawing) and before any file is written, and renamed over the target
// only when the whole content is written. After prepare_output, on SIGINT, SIGTERM or SIGHUP
// the temporary files are removed, a line on standard error says so, and the process ends
// with the signal's usual status. Linux host tools.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What the tool needs before it opens anything: the standard descriptors 0 to 2 taken by
// /dev/null, read only, where they were closed (so that no file of the tool becomes
// "standard output", and a write to a closed one still fails); SIGXFSZ ignored, so that a
// write beyond the file-size limit fails instead of ending the process; the handlers for
// SIGINT, SIGTERM and SIGHUP.
void prepare_output(const char* tool);

struct OutputFile {
    std::string target;     // as given
    std::string path;       // the target, its symbolic links resolved
    std::string temporary;  // beside it; empty when written directly
    int descriptor = -1;
};

// Opens the file that will become `target`: a new temporary file beside it, with the mode
// of the existing target if there is one. A target that exists and is not a regular file
// (a device, a pipe) is written directly if `special_allowed`, else refused. Gives "" when
// open, else what is wrong.
std::string open_output_file(const std::string& target, bool special_allowed, OutputFile& file);

// Opens the files for all `targets` before any is written, so that one that cannot be
// written stops the tool with every target as it was. "" when all are open; else what is
// wrong with the first that cannot be, and none is left open.
std::string open_output_files(const std::vector<std::string>& targets, bool special_allowed,
                              std::vector<OutputFile>& files);

// Writes `content`, closes the file and renames it over the target. Gives "" when done;
// else what went wrong, with the temporary file removed and the target as it was.
std::string commit_output_file(OutputFile& file, const std::string& content);

// Removes the temporary file (the target stays as it was) and closes the file.
void abandon_output_file(OutputFile& file);

// Opens, writes and commits at once, for a tool with one file to write.
std::string write_output_file(const std::string& target, const std::string& content);

// Writes all of `content` to standard output; "" when done, else what went wrong.
std::string write_standard_output(const std::string& content);

// Writes all of `size` bytes to `descriptor`, again after an interrupted or partial write;
// false with errno set when it fails. Safe in a signal handler.
bool write_all(int descriptor, const void* data, std::size_t size);
