#include "selfcheck/selfcheck_cases.hpp"

#include "console/console.hpp"

// The routines and labels that the assembly lays out, one set per kernel copy.
#define SELFCHECK_CASE(row, copy, kernel, loop_back, chain_length, label) \
    METER_COPY_SYMBOLS(copy)
#include "selfcheck/selfcheck_cases.def"
#undef SELFCHECK_CASE

namespace {

#define SELFCHECK_CASE(row, copy, kernel, loop_back, chain_length, label) \
    constexpr Text copy##_label{label};
#include "selfcheck/selfcheck_cases.def"
#undef SELFCHECK_CASE

}  // namespace

const SelfcheckCase selfcheck_cases[] = {
#define SELFCHECK_CASE(row, copy, kernel, loop_back, chain_length, label) \
    {METER_CASE(copy##_label, #copy, copy), chain_length},
#include "selfcheck/selfcheck_cases.def"
#undef SELFCHECK_CASE
};
