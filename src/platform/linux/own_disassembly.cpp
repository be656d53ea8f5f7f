// The annotated listing's disassembly on Linux: objdump run on the program's own file,
// found through /proc/self/exe. The program is not position-independent, so the
// addresses in the file are the addresses the code runs at.
#include "platform/own_disassembly.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {

// `text` in single quotes for the shell.
std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string hex(const unsigned char* address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(address)));
    return text;
}

}  // namespace

bool own_disassembly(const unsigned char* start, const unsigned char* stop, std::string& text,
                     std::string& error) {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        error = "cannot find the program's own file through /proc/self/exe";
        return false;
    }
    path[length] = '\0';
    const std::string command = "objdump -d -M intel --start-address=" + hex(start) +
                                " --stop-address=" + hex(stop) + " " + shell_quoted(path);
    FILE* output = popen(command.c_str(), "r");
    if (output == nullptr) {
        error = "cannot start objdump";
        return false;
    }
    text.clear();
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, output)) > 0;)
        text.append(buffer, got);
    if (pclose(output) != 0) {
        error = "objdump failed on " + std::string(path) + " (binutils installed?)";
        return false;
    }
    return true;
}
