#include "meter/emulation.hpp"

#include <cpuid.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "meter/architecture.hpp"

namespace {

constexpr std::size_t NAME_STORAGE = 24;

constexpr std::array<char, NAME_STORAGE> emulator_name(std::string_view emulator) {
    std::array<char, NAME_STORAGE> name{};
    std::size_t length = 0;
    for (const std::string_view part : {emulator, std::string_view("-"),
                                        std::string_view(ARCHITECTURE_NAME)})
        for (const char c : part) name[length++] = c;
    return name;
}

constexpr std::array<char, NAME_STORAGE> QEMU_NAME = emulator_name("qemu");
static_assert(QEMU_NAME[NAME_STORAGE - 4] == 0, "the name keeps a zero tail of 3 bytes");

void store_registers(char* to, unsigned first, unsigned second, unsigned third) {
    std::memcpy(to, &first, 4);
    std::memcpy(to + 4, &second, 4);
    std::memcpy(to + 8, &third, 4);
}

}  // namespace

CpuidAnswers read_cpuid_answers() {
    CpuidAnswers answers{};
    unsigned eax, ebx, ecx, edx;
    // __get_cpuid checks that the leaf exists (and, in 32-bit mode, that CPUID does).
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) answers.hypervisor = (ecx >> 31) & 1u;
    if (answers.hypervisor) {
        // Hypervisor leaves lie outside the ranges __get_cpuid knows; they exist when the
        // hypervisor bit is set.
        __cpuid(0x40000000, eax, ebx, ecx, edx);
        store_registers(answers.hypervisor_vendor, ebx, ecx, edx);
    }
    if (__get_cpuid_max(0x80000000, nullptr) >= 0x80000004) {
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            __cpuid(0x80000002 + leaf, eax, ebx, ecx, edx);
            char* const part = answers.brand + 16 * leaf;
            std::memcpy(part, &eax, 4);
            store_registers(part + 4, ebx, ecx, edx);
        }
    }
    return answers;
}

const char* emulator_from_cpuid(const CpuidAnswers& answers) {
    const bool tcg_leaf = answers.hypervisor &&
                          std::memcmp(answers.hypervisor_vendor, "TCGTCGTCGTCG", 12) == 0;
    const bool tcg_brand = std::string_view(answers.brand).starts_with("QEMU TCG CPU");
    return tcg_leaf || tcg_brand ? QEMU_NAME.data() : nullptr;
}

const char* running_emulator() { return emulator_from_cpuid(read_cpuid_answers()); }
