// Verdicts in three words, against the run's own noise floor.
//
// Two copies of the same layout, laid at independent places and paired like any two
// layouts (the A/A control), differ only by what the tool cannot tell from nothing: their
// places, the host, the rounds drawn. How far the farther bound of their interval lies
// from 1 is the run's noise floor δ. A pair whose interval lies wholly below 1 - δ is
// faster, wholly above 1 + δ slower, wholly within 1 ± δ the same; an interval across
// either edge of that band is unclear, and more rounds or a quieter machine would move it
// to one side. A pair never reads "no difference" for want of rounds: without an
// interval it is unclear, and says so.
#pragma once

#include <optional>
#include <string>

#include "stats/statistics.hpp"

enum class Verdict { faster, slower, same, unclear };

// The verdict's word, as the console and the JSON give it.
const char* verdict_word(Verdict verdict);

// The floor under δ. Below it a difference is not one that a layout decision can rest on:
// the report gives ratios to a tenth of a per cent, and the A/A interval of a short run may
// be narrower than the drift between two runs an hour apart (docs/stats-measurements.md).
inline constexpr double LEAST_NOISE_FLOOR = 0.002;

// The run's noise floor δ from the A/A control's ratio: the distance from 1 of its
// interval's farther bound, at least LEAST_NOISE_FLOOR. None without an interval.
std::optional<double> noise_floor(const MedianInterval& aa);

// The verdict on first / second, given δ: faster where the whole interval lies below
// 1 - δ, slower where it lies above 1 + δ, same where it lies within 1 ± δ, else (or
// without an interval) unclear.
Verdict judge(const MedianInterval& ratio, double delta);

// For an unclear verdict: why, and what would settle it, in a clause.
std::string what_would_settle(const MedianInterval& ratio, double delta);
