// Our table of microarchitectures by family and model. Small on purpose: the processors
// this tool's users meet, each model number as the vendors' manuals and the Linux kernel's
// model lists give it. A model missing here is "" (the context says so), never a guess
// from its neighbours.
#include "processor/processor.hpp"

#include <iterator>

namespace {

struct ModelRange {
    unsigned family, first_model, last_model;
    const char* name;
};

// AMD's Zen generations, by family and model range.
constexpr ModelRange AMD_MODELS[] = {
    {23, 0x00, 0x07, "Zen"},    // Naples, Summit Ridge
    {23, 0x08, 0x0F, "Zen+"},   // Pinnacle Ridge
    {23, 0x10, 0x17, "Zen"},    // Raven Ridge
    {23, 0x18, 0x1F, "Zen+"},   // Picasso
    {23, 0x20, 0x2F, "Zen"},    // Dali
    {23, 0x30, 0xAF, "Zen 2"},  // Rome, Castle Peak, Renoir, Lucienne, Matisse, Van Gogh, Mendocino
    {25, 0x00, 0x0F, "Zen 3"},  // Milan
    {25, 0x10, 0x1F, "Zen 4"},  // Genoa, Storm Peak
    {25, 0x20, 0x5F, "Zen 3"},  // Vermeer, Rembrandt (Zen 3+), Cezanne
    {25, 0x60, 0x7F, "Zen 4"},  // Raphael, Phoenix, Hawk Point
    {25, 0xA0, 0xAF, "Zen 4"},  // Bergamo, Siena (Zen 4c)
    {26, 0x00, 0x4F, "Zen 5"},  // Turin, Strix Point, Granite Ridge
    {26, 0x60, 0x7F, "Zen 5"},  // Krackan Point, Strix Halo
};

struct Model {
    unsigned model;
    const char* name;
};

// Intel's family 6 cores: the client and server parts of each generation, and the small
// cores sold on their own.
constexpr Model INTEL_FAMILY_6[] = {
    {0x1A, "Nehalem"},        {0x1E, "Nehalem"},        {0x1F, "Nehalem"},
    {0x2E, "Nehalem"},        {0x25, "Westmere"},       {0x2C, "Westmere"},
    {0x2F, "Westmere"},       {0x2A, "Sandy Bridge"},   {0x2D, "Sandy Bridge"},
    {0x3A, "Ivy Bridge"},     {0x3E, "Ivy Bridge"},     {0x3C, "Haswell"},
    {0x3F, "Haswell"},        {0x45, "Haswell"},        {0x46, "Haswell"},
    {0x3D, "Broadwell"},      {0x47, "Broadwell"},      {0x4F, "Broadwell"},
    {0x56, "Broadwell"},      {0x4E, "Skylake"},        {0x5E, "Skylake"},
    {0x8E, "Kaby Lake"},      {0x9E, "Coffee Lake"},    {0xA5, "Comet Lake"},
    {0xA6, "Comet Lake"},     {0x66, "Cannon Lake"},    {0x7D, "Ice Lake"},
    {0x7E, "Ice Lake"},       {0x6A, "Ice Lake"},       {0x6C, "Ice Lake"},
    {0x8C, "Tiger Lake"},     {0x8D, "Tiger Lake"},     {0xA7, "Rocket Lake"},
    {0x97, "Alder Lake"},     {0x9A, "Alder Lake"},     {0xBE, "Gracemont"},
    {0xB7, "Raptor Lake"},    {0xBA, "Raptor Lake"},    {0xBF, "Raptor Lake"},
    {0x8F, "Sapphire Rapids"}, {0xCF, "Emerald Rapids"}, {0xAA, "Meteor Lake"},
    {0xAC, "Meteor Lake"},    {0xBD, "Lunar Lake"},     {0xC5, "Arrow Lake"},
    {0xC6, "Arrow Lake"},     {0xAD, "Granite Rapids"}, {0xAE, "Granite Rapids"},
    {0xAF, "Sierra Forest"},  {0x5C, "Goldmont"},       {0x7A, "Goldmont Plus"},
    {0x86, "Tremont"},        {0x96, "Tremont"},        {0x9C, "Tremont"},
};

}  // namespace

std::string microarchitecture_of(const std::string& vendor, unsigned family, unsigned model,
                                 unsigned stepping) {
    if (vendor == "AuthenticAMD") {
        for (const ModelRange& range : AMD_MODELS)
            if (range.family == family && model >= range.first_model && model <= range.last_model)
                return range.name;
        return "";
    }
    // Hygon's Dhyana is AMD's first Zen, licensed.
    if (vendor == "HygonGenuine") return family == 24 ? "Zen" : "";
    if (vendor != "GenuineIntel" || family != 6) return "";
    // One model number, three server generations: told apart by the stepping.
    if (model == 0x55) return stepping >= 10 ? "Cooper Lake" : stepping >= 5 ? "Cascade Lake" : "Skylake";
    for (const Model& entry : INTEL_FAMILY_6)
        if (entry.model == model) return entry.name;
    return "";
}
