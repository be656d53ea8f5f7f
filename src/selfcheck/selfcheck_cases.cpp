#include "selfcheck/selfcheck_cases.hpp"

#include "meter/cycle_meter.hpp"
#include "run/console.hpp"

// The routines and labels that the assembly lays out, one set per kernel copy.
METER_COPY_SYMBOLS(empty_kernel)
METER_COPY_SYMBOLS(add_chain_500)
METER_COPY_SYMBOLS(add_chain_1000)
METER_COPY_SYMBOLS(add_chain_2000)

namespace {

// The chain lengths are right-aligned so that the rows line up.
constexpr Text EMPTY_LABEL{"\tticks  empty kernel, "};
constexpr Text CHAIN_500_LABEL{"\tticks   500 adds, "};
constexpr Text CHAIN_1000_LABEL{"\tticks  1000 adds, "};
constexpr Text CHAIN_2000_LABEL{"\tticks  2000 adds, "};

}  // namespace

#define SELFCHECK_ROW(label, copy, chain_length) \
    {label.bytes, measure_##copy, &copy##_code_bytes, copy##_entry, chain_length}

const SelfcheckCase selfcheck_cases[] = {
    SELFCHECK_ROW(EMPTY_LABEL, empty_kernel, 0),
    SELFCHECK_ROW(CHAIN_500_LABEL, add_chain_500, 500),
    SELFCHECK_ROW(CHAIN_1000_LABEL, add_chain_1000, 1000),
    SELFCHECK_ROW(CHAIN_2000_LABEL, add_chain_2000, 2000),
};
