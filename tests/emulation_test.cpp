// The emulation judgement on CPUID answers of emulators and hypervisors this machine is not
// (how this process runs is checked in program_test.cpp, against the kernel's word).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "meter/architecture.hpp"
#include "meter/emulation.hpp"

namespace {

CpuidAnswers answers(bool hypervisor, const char* vendor, const char* brand) {
    CpuidAnswers a{};
    a.hypervisor = hypervisor;
    std::memcpy(a.hypervisor_vendor, vendor, std::strlen(vendor));
    std::memcpy(a.brand, brand, std::strlen(brand));
    return a;
}

}  // namespace

// qemu's software emulator by its hypervisor leaf, whatever model it presents, or by the
// brand of its default models; never a hardware hypervisor, also one that presents qemu's
// "QEMU Virtual CPU" model, and never a processor without a hypervisor.
TEST(Emulation, OnlyQemusSoftwareEmulatorIsAnEmulator) {
    const std::string qemu = std::string("qemu-") + ARCHITECTURE_NAME;
    const struct {
        CpuidAnswers answers;
        const char* expected;
    } cases[] = {
        {answers(true, "TCGTCGTCGTCG", "QEMU TCG CPU version 2.5+"), qemu.c_str()},
        {answers(true, "TCGTCGTCGTCG", "Intel Core Processor (Skylake)"), qemu.c_str()},
        {answers(false, "", "QEMU TCG CPU version 2.5+"), qemu.c_str()},
        {answers(true, "KVMKVMKVM", "QEMU Virtual CPU version 2.5+"), nullptr},
        {answers(true, "KVMKVMKVM", "AMD EPYC Processor"), nullptr},
        {answers(true, "bhyve bhyve ", "Oxide Virtual Turin-like Processor"), nullptr},
        {answers(true, "Microsoft Hv", "Intel(R) Xeon(R) Platinum 8272CL CPU @ 2.60GHz"), nullptr},
        {answers(true, "VMwareVMware", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"), nullptr},
        // No hypervisor: leaf 0x40000000 is not asked, whatever it would give.
        {answers(false, "TCGTCGTCGTCG", "Intel(R) Core(TM) i5-4590 CPU @ 3.30GHz"), nullptr},
        {answers(false, "", ""), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.answers.hypervisor_vendor) + " / " + c.answers.brand);
        const char* const emulator = emulator_from_cpuid(c.answers);
        if (c.expected == nullptr) {
            EXPECT_EQ(emulator, nullptr) << emulator;
        } else {
            ASSERT_NE(emulator, nullptr);
            EXPECT_EQ(std::string(emulator), c.expected);
            // A console text: three zero bytes after the name.
            const std::size_t length = std::strlen(emulator);
            for (std::size_t tail = 1; tail <= 3; ++tail) EXPECT_EQ(emulator[length + tail], 0);
        }
    }
}
