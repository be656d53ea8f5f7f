// Whether this code runs on the processor itself or under an emulator that carries out its
// instructions in software. Under an emulator every tick figure is the emulator's: it says
// how fast the emulator's translation of a kernel ran, nothing about how this processor
// handles the kernel's branches. Each program asks this itself, since users run the
// programs directly.
#pragma once

#include <cstdint>

// The emulator's short name ("qemu-i386", "qemu-x86_64": qemu and the processor mode this
// build runs in), or nullptr when the code runs on the processor itself. The name lies in
// zero-filled static storage with at least three zero bytes after it, so it is a console
// text as well.
//
// Asked of the processor with CPUID, the same way on every platform. A hypervisor sets
// CPUID.1:ECX bit 31 and names itself at leaf 0x40000000; qemu's software emulator names
// itself "TCGTCGTCGTCG" there, in qemu-user as in a whole emulated machine, whatever
// processor model it presents. Hardware hypervisors ("KVMKVMKVM", "bhyve bhyve ",
// "Microsoft Hv", ...) run the code on the processor and are not emulators, and neither is
// Wine, which runs Windows code natively; i686 Wine under qemu-user is caught, as it is
// qemu that carries out its instructions. Older qemu without that leaf is recognised by
// the brand string of its default models, "QEMU TCG CPU ..."; "QEMU Virtual CPU", which
// hardware-accelerated guests report too, is not taken for emulation.
const char* running_emulator();

// The answers of CPUID that running_emulator() judges by, and the judgement itself, apart
// so that it is tested on answers of processors and emulators this machine is not.
struct CpuidAnswers {
    bool hypervisor;             // CPUID.1:ECX bit 31
    char hypervisor_vendor[13];  // leaf 0x40000000, EBX ECX EDX; "" without a hypervisor
    char brand[49];              // leaves 0x80000002 to 0x80000004; "" where missing
};
CpuidAnswers read_cpuid_answers();
const char* emulator_from_cpuid(const CpuidAnswers& answers);
