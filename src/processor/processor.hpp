// The processor a run measured, for the report's context: what CPUID says it is (vendor,
// family, model, stepping, its name), the microarchitecture where our table knows the
// model, whether a hypervisor is present, whether the system runs 32-bit code natively,
// and the tick figures the caller measured.
//
// Reading CPUID is the one impure step (read_cpuid_leaves); the decoding works on the
// registers alone, so that it is tested on processors this machine is not. Under an
// emulator CPUID is the emulator's answer: the model it presents, not the machine's.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/native_32bit.hpp"

// The raw answers, register by register, 0 where a leaf is missing.
struct CpuidLeaves {
    std::uint32_t vendor[3];             // leaf 0: EBX, EDX, ECX ("Genu" "ineI" "ntel")
    std::uint32_t signature;             // leaf 1: EAX (stepping, model, family)
    std::uint32_t features_ecx;          // leaf 1: ECX (bit 31: a hypervisor is present)
    std::uint32_t brand[12];             // leaves 0x80000002..4: EAX EBX ECX EDX each
    std::uint32_t hypervisor_vendor[3];  // leaf 0x40000000: EBX, ECX, EDX
};

CpuidLeaves read_cpuid_leaves();

struct ProcessorIdentity {
    std::string vendor;  // as CPUID spells it: "AuthenticAMD", "GenuineIntel"
    unsigned family;     // with the extended family added where the base family is 15
    unsigned model;      // with the extended model on top where the vendor's rule says so
    unsigned stepping;
    std::string name;               // the brand string, outer blanks dropped; "" if none
    std::string microarchitecture;  // "" where our table does not know the model
    bool hypervisor;                // CPUID.1:ECX bit 31
    std::string hypervisor_vendor;  // "KVMKVMKVM", "Microsoft Hv", ...; "" without one
};

ProcessorIdentity decode_processor(const CpuidLeaves& leaves);

// The microarchitecture of a vendor's family and model: AMD's Zen generations (families
// 23, 25, 26), Intel's family 6 cores from Nehalem on. "" where the table has no entry.
std::string microarchitecture_of(const std::string& vendor, unsigned family, unsigned model,
                                 unsigned stepping);

// What the caller measured of the time-stamp counter: its rate, and its ticks per core
// cycle with a few words on how that was found. A figure of 0 or below is unknown.
struct TickFigures {
    double ticks_per_second = 0;
    double ticks_per_cycle = 0;
    std::string ticks_per_cycle_how;  // e.g. "1000-add chain, lowest of 7"
};

// The context lines in order, keys in lower_snake_case: processor_vendor,
// processor_family, processor_model, processor_stepping, processor_name,
// microarchitecture, hypervisor, runs_32bit_natively, tick_rate, ticks_per_cycle.
std::vector<std::pair<std::string, std::string>> processor_context(
    const ProcessorIdentity& processor, const Native32bit& native_32bit, const TickFigures& ticks);

// The same for this machine: CPUID read here, the platform asked about 32-bit code.
std::vector<std::pair<std::string, std::string>> this_processor_context(const TickFigures& ticks);
