// The processor's context from made-up CPUID registers: both vendors' signatures with the
// extended family and model, the brand and vendor strings as registers hold them, the
// table's entries at the edges of their ranges, and the context's keys and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "processor/processor.hpp"

namespace {

// A signature as leaf 1's EAX lays it out.
std::uint32_t signature(unsigned extended_family, unsigned extended_model, unsigned base_family,
                        unsigned base_model, unsigned stepping) {
    return extended_family << 20 | extended_model << 16 | base_family << 8 | base_model << 4 | stepping;
}

// Text into registers the way CPUID fills them: four bytes each, the first byte lowest.
void pack(std::uint32_t* registers, std::size_t count, const char* text) {
    char bytes[48] = {};
    std::memcpy(bytes, text, std::min(std::strlen(text), count * 4));
    std::memcpy(registers, bytes, count * 4);
}

CpuidLeaves leaves(const char* vendor, std::uint32_t eax, const char* brand,
                   const char* hypervisor = nullptr) {
    CpuidLeaves l{};
    // Leaf 0 gives the vendor in EBX, EDX, ECX; the struct keeps that order.
    pack(l.vendor, 3, vendor);
    l.signature = eax;
    pack(l.brand, 12, brand);
    if (hypervisor != nullptr) {
        l.features_ecx = 1u << 31;
        pack(l.hypervisor_vendor, 3, hypervisor);
    }
    return l;
}

}  // namespace

TEST(Processor, DecodesTheSignatureWithTheExtendedFields) {
    const struct {
        const char* vendor;
        std::uint32_t eax;
        unsigned family, model, stepping;
        const char* microarchitecture;
    } cases[] = {
        // AMD: base family 15 takes the extended family and model.
        {"AuthenticAMD", signature(0xA, 0x1, 0xF, 0x1, 1), 25, 0x11, 1, "Zen 4"},   // EPYC 9004
        {"AuthenticAMD", signature(0xA, 0x0, 0xF, 0x1, 1), 25, 0x01, 1, "Zen 3"},   // EPYC 7003
        {"AuthenticAMD", signature(0xA, 0x6, 0xF, 0x1, 2), 25, 0x61, 2, "Zen 4"},   // Ryzen 7000
        {"AuthenticAMD", signature(0xA, 0x2, 0xF, 0x1, 0), 25, 0x21, 0, "Zen 3"},   // Ryzen 5000
        {"AuthenticAMD", signature(0xB, 0x0, 0xF, 0x2, 0), 26, 0x02, 0, "Zen 5"},   // EPYC 9005
        {"AuthenticAMD", signature(0xB, 0x4, 0xF, 0x4, 0), 26, 0x44, 0, "Zen 5"},   // Ryzen 9000
        {"AuthenticAMD", signature(0x8, 0x3, 0xF, 0x1, 0), 23, 0x31, 0, "Zen 2"},   // EPYC 7002
        {"AuthenticAMD", signature(0x8, 0x0, 0xF, 0x8, 2), 23, 0x08, 2, "Zen+"},    // Ryzen 2000
        {"AuthenticAMD", signature(0x8, 0x0, 0xF, 0x1, 1), 23, 0x01, 1, "Zen"},     // EPYC 7001
        {"AuthenticAMD", signature(0x6, 0x0, 0xF, 0x1, 0), 21, 0x01, 0, ""},        // Bulldozer
        {"AuthenticAMD", signature(0xB, 0x5, 0xF, 0x0, 0), 26, 0x50, 0, ""},        // not in the table
        // AMD's base family below 15: neither extended field counts, whatever they hold.
        {"AuthenticAMD", signature(0x3, 0x2, 0x6, 0xA, 0), 6, 0x2A, 0, ""},
        {"AuthenticAMD", signature(0x3, 0x2, 0x5, 0x8, 0), 5, 0x08, 0, ""},
        // Intel: base family 6 takes the extended model, never the extended family.
        {"GenuineIntel", signature(0x0, 0x8, 0x6, 0xF, 8), 6, 0x8F, 8, "Sapphire Rapids"},
        {"GenuineIntel", signature(0x0, 0x5, 0x6, 0x5, 7), 6, 0x55, 7, "Cascade Lake"},
        {"GenuineIntel", signature(0x0, 0x5, 0x6, 0x5, 4), 6, 0x55, 4, "Skylake"},
        {"GenuineIntel", signature(0x0, 0x5, 0x6, 0x5, 11), 6, 0x55, 11, "Cooper Lake"},
        {"GenuineIntel", signature(0x0, 0x9, 0x6, 0xE, 10), 6, 0x9E, 10, "Coffee Lake"},
        {"GenuineIntel", signature(0x0, 0x3, 0x6, 0xC, 3), 6, 0x3C, 3, "Haswell"},
        {"GenuineIntel", signature(0x0, 0xB, 0x6, 0x7, 1), 6, 0xB7, 1, "Raptor Lake"},
        {"GenuineIntel", signature(0x0, 0x0, 0x6, 0xF, 1), 6, 0x0F, 1, ""},         // Core 2
        {"GenuineIntel", signature(0x1, 0x0, 0x6, 0x1, 0), 6, 0x01, 0, ""},         // ext. family ignored
        // Intel's base family 15 (Pentium 4) takes both.
        {"GenuineIntel", signature(0x0, 0x0, 0xF, 0x4, 3), 15, 0x04, 3, ""},
        {"GenuineIntel", signature(0x1, 0x1, 0xF, 0x0, 1), 16, 0x10, 1, ""},
        {"HygonGenuine", signature(0x9, 0x0, 0xF, 0x1, 1), 24, 0x01, 1, "Zen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.vendor) + " eax " + std::to_string(c.eax));
        const ProcessorIdentity p = decode_processor(leaves(c.vendor, c.eax, ""));
        EXPECT_EQ(p.vendor, c.vendor);
        EXPECT_EQ(p.family, c.family);
        EXPECT_EQ(p.model, c.model);
        EXPECT_EQ(p.stepping, c.stepping);
        EXPECT_EQ(p.microarchitecture, c.microarchitecture);
    }
}

// Every model of the AMD families in the table: Zen 3 and Zen 4 interleave in family 25, so
// each model's answer is checked against the ranges as the manuals list them.
TEST(Processor, SweepsAmdFamily25AndItsNeighbours) {
    for (unsigned model = 0; model < 256; ++model) {
        SCOPED_TRACE(model);
        const std::string zen25 = microarchitecture_of("AuthenticAMD", 25, model, 0);
        const bool zen4 = (model >= 0x10 && model <= 0x1F) || (model >= 0x60 && model <= 0x7F) ||
                          (model >= 0xA0 && model <= 0xAF);
        const bool zen3 = model <= 0x0F || (model >= 0x20 && model <= 0x5F);
        EXPECT_EQ(zen25, zen4 ? "Zen 4" : zen3 ? "Zen 3" : "");
        EXPECT_EQ(microarchitecture_of("GenuineIntel", 25, model, 0), "");
        EXPECT_EQ(microarchitecture_of("AuthenticAMD", 24, model, 0), "");
    }
}

TEST(Processor, ReadsBrandAndHypervisorFromTheirRegisters) {
    // Brand strings come padded: leading blanks (older Intel), trailing NULs.
    const ProcessorIdentity epyc = decode_processor(
        leaves("AuthenticAMD", signature(0xA, 0x1, 0xF, 0x1, 1), "AMD EPYC 9R14 96-Core Processor      ",
               "KVMKVMKVM"));
    EXPECT_EQ(epyc.name, "AMD EPYC 9R14 96-Core Processor");
    EXPECT_TRUE(epyc.hypervisor);
    EXPECT_EQ(epyc.hypervisor_vendor, "KVMKVMKVM");

    const ProcessorIdentity xeon = decode_processor(leaves(
        "GenuineIntel", signature(0, 0x3, 0x6, 0xF, 2), "       Intel(R) Xeon(R) CPU E5-2680 v3 @ 2.50GHz"));
    EXPECT_EQ(xeon.name, "Intel(R) Xeon(R) CPU E5-2680 v3 @ 2.50GHz");
    EXPECT_EQ(xeon.microarchitecture, "Haswell");
    EXPECT_FALSE(xeon.hypervisor);
    EXPECT_EQ(xeon.hypervisor_vendor, "");

    // The hypervisor bit alone decides: without it, leaf 0x40000000's registers are not
    // a hypervisor's name.
    CpuidLeaves bare = leaves("GenuineIntel", 0, "", "Microsoft Hv");
    bare.features_ecx = 0;
    EXPECT_EQ(decode_processor(bare).hypervisor_vendor, "");
    EXPECT_EQ(decode_processor(leaves("AuthenticAMD", 0, "", "Microsoft Hv")).hypervisor_vendor,
              "Microsoft Hv");
}

TEST(Processor, ContextHasItsKeysInOrderWithTheirTexts) {
    const ProcessorIdentity p = decode_processor(
        leaves("AuthenticAMD", signature(0xA, 0x1, 0xF, 0x1, 1), "AMD EPYC 9R14 96-Core Processor", "KVMKVMKVM"));
    const auto context = processor_context(p, {Native32bit::NO, "the kernel refuses i386 programs"},
                                           {2595123456.0, 1.00049, "1000-add chain, lowest of 7"});
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"processor_vendor", "AuthenticAMD"},
        {"processor_family", "25"},
        {"processor_model", "17"},
        {"processor_stepping", "1"},
        {"processor_name", "AMD EPYC 9R14 96-Core Processor"},
        {"microarchitecture", "Zen 4"},
        {"hypervisor", "yes (KVMKVMKVM)"},
        {"runs_32bit_natively", "no (the kernel refuses i386 programs)"},
        {"tick_rate", "2595.1 MHz"},
        {"ticks_per_cycle", "1.0005 (1000-add chain, lowest of 7)"},
    };
    EXPECT_EQ(context, expected);

    // What is not known says so, never a 0 or an empty text.
    const auto unknown = processor_context(decode_processor(CpuidLeaves{}),
                                           {Native32bit::UNKNOWN, "no i386 loader"}, {});
    ASSERT_EQ(unknown.size(), expected.size());
    for (std::size_t index = 0; index < unknown.size(); ++index) {
        EXPECT_EQ(unknown[index].first, expected[index].first);
        EXPECT_FALSE(unknown[index].second.empty()) << unknown[index].first;
    }
    EXPECT_EQ(unknown[0].second, "unknown");
    EXPECT_EQ(unknown[4].second, "not given (no brand string)");
    EXPECT_EQ(unknown[5].second, "not in this tool's table");
    EXPECT_EQ(unknown[6].second, "no");
    EXPECT_EQ(unknown[7].second, "unknown (no i386 loader)");
    EXPECT_EQ(unknown[8].second, "unknown");
    EXPECT_EQ(unknown[9].second, "unknown");
}

// This machine: the same keys, and a 32-bit answer that agrees with how this build runs.
TEST(Processor, ThisMachinesContext) {
    const auto context = this_processor_context({});
    ASSERT_EQ(context.size(), 10u);
    EXPECT_EQ(context[7].first, "runs_32bit_natively");
    const std::string answer = context[7].second;
    EXPECT_TRUE(answer.starts_with("yes (") || answer.starts_with("no (") ||
                answer.starts_with("unknown ("))
        << answer;
}
