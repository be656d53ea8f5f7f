// The disassembly of this program's own code, as binutils' objdump prints it from the
// program's file (objdump -d -M intel), for the annotated listing. The Linux build reads
// its ELF file (linux/own_disassembly.cpp); the Windows build has no objdump to run.
#pragma once

#include <string>

// The lines objdump prints for the code from `start` up to `stop`, in `text`; false with
// a message in `error` when they could not be made.
bool own_disassembly(const unsigned char* start, const unsigned char* stop, std::string& text,
                     std::string& error);
