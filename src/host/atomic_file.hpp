// A result file written whole or not at all: the content goes into a temporary file beside
// the target, which is renamed over it once complete. A failure leaves the target as it
// was and no temporary file behind.
#pragma once

#include <string>

// "" when written; else one line saying what went wrong.
std::string write_file_atomically(const std::string& target, const std::string& content);
