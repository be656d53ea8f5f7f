#include "processor/processor.hpp"

#include <cpuid.h>

#include <cstdio>
#include <cstring>

#include "meter/emulation.hpp"

namespace {

// The registers' bytes in order, NULs dropped and outer blanks trimmed: vendor strings
// are padded with either, and brand strings are often right-aligned with blanks.
std::string text_of(const std::uint32_t* registers, std::size_t count) {
    std::string text;
    for (std::size_t index = 0; index < count; ++index)
        for (int byte = 0; byte < 4; ++byte) {
            const char c = static_cast<char>((registers[index] >> (8 * byte)) & 0xFF);
            if (c != '\0') text += c;
        }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

CpuidLeaves read_cpuid_leaves() {
    CpuidLeaves leaves{};
    unsigned eax, ebx, ecx, edx;
    // __get_cpuid checks that the leaf exists (and, in 32-bit mode, that CPUID does).
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        leaves.vendor[0] = ebx;
        leaves.vendor[1] = edx;
        leaves.vendor[2] = ecx;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        leaves.signature = eax;
        leaves.features_ecx = ecx;
    }
    if (__get_cpuid_max(0x80000000, nullptr) >= 0x80000004)
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            __cpuid(0x80000002 + leaf, eax, ebx, ecx, edx);
            leaves.brand[4 * leaf] = eax;
            leaves.brand[4 * leaf + 1] = ebx;
            leaves.brand[4 * leaf + 2] = ecx;
            leaves.brand[4 * leaf + 3] = edx;
        }
    // The hypervisor leaves lie outside the ranges __get_cpuid knows; they exist when the
    // hypervisor bit is set, and on bare metal give whatever the highest basic leaf gives.
    if ((leaves.features_ecx >> 31) & 1u) {
        __cpuid(0x40000000, eax, ebx, ecx, edx);
        leaves.hypervisor_vendor[0] = ebx;
        leaves.hypervisor_vendor[1] = ecx;
        leaves.hypervisor_vendor[2] = edx;
    }
    return leaves;
}

ProcessorIdentity decode_processor(const CpuidLeaves& leaves) {
    ProcessorIdentity processor{};
    processor.vendor = text_of(leaves.vendor, 3);
    const unsigned base_family = (leaves.signature >> 8) & 0xF;
    const unsigned base_model = (leaves.signature >> 4) & 0xF;
    processor.stepping = leaves.signature & 0xF;
    // The extended family counts only on top of base family 15 (AMD's families 16 and on),
    // the extended model on top of base family 6 or 15 (Intel's rule; AMD's says 15 only,
    // and its family 6 processors leave the extended model 0, so one rule serves both).
    processor.family = base_family == 0xF ? base_family + ((leaves.signature >> 20) & 0xFF) : base_family;
    processor.model = base_family == 0x6 || base_family == 0xF
                          ? (((leaves.signature >> 16) & 0xF) << 4) + base_model
                          : base_model;
    processor.name = text_of(leaves.brand, 12);
    processor.hypervisor = (leaves.features_ecx >> 31) & 1u;
    if (processor.hypervisor) processor.hypervisor_vendor = text_of(leaves.hypervisor_vendor, 3);
    processor.microarchitecture =
        microarchitecture_of(processor.vendor, processor.family, processor.model, processor.stepping);
    return processor;
}

std::vector<std::pair<std::string, std::string>> processor_context(
    const ProcessorIdentity& processor, const Native32bit& native_32bit, const TickFigures& ticks) {
    const char* const answers[] = {"yes", "no", "unknown"};
    return {
        {"processor_vendor", processor.vendor.empty() ? "unknown" : processor.vendor},
        {"processor_family", std::to_string(processor.family)},
        {"processor_model", std::to_string(processor.model)},
        {"processor_stepping", std::to_string(processor.stepping)},
        {"processor_name", processor.name.empty() ? "not given (no brand string)" : processor.name},
        {"microarchitecture",
         processor.microarchitecture.empty() ? "not in this tool's table" : processor.microarchitecture},
        {"hypervisor", !processor.hypervisor ? "no"
                       : processor.hypervisor_vendor.empty()
                           ? "yes (it gives no name)"
                           : "yes (" + processor.hypervisor_vendor + ")"},
        {"runs_32bit_natively", std::string(answers[native_32bit.answer]) + " (" + native_32bit.how + ")"},
        {"tick_rate", ticks.ticks_per_second > 0 ? fixed(ticks.ticks_per_second / 1e6, 1) + " MHz" : "unknown"},
        {"ticks_per_cycle",
         ticks.ticks_per_cycle > 0
             ? fixed(ticks.ticks_per_cycle, 4) +
                   (ticks.ticks_per_cycle_how.empty() ? "" : " (" + ticks.ticks_per_cycle_how + ")")
             : "unknown"},
    };
}

std::vector<std::pair<std::string, std::string>> this_processor_context(const TickFigures& ticks) {
    const bool emulated = running_emulator() != nullptr;
    return processor_context(decode_processor(read_cpuid_leaves()), runs_32bit_natively(emulated), ticks);
}
