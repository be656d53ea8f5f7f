// The annotated listing's disassembly on Windows: not made. It comes from binutils'
// objdump run on the program's own file, which the Linux build does; a Windows machine
// has no objdump to run.
#include "platform/own_disassembly.hpp"

bool own_disassembly(const unsigned char*, const unsigned char*, std::string&, std::string& error) {
    error = "--annotate needs binutils' objdump on the program's own file: Linux build only";
    return false;
}
