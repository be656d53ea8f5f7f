#!/usr/bin/env bash
# How repeatable jumpbench-stats is: runs it N times (default 15) at its default settings
# and prints, for every paired ratio it reports, the median over the invocations, the
# spread across them (MAD/median, target at most 1.5 %), how many invocations' 95 %
# intervals contain that median, and the verdicts the invocations gave (contradicting
# ones are counted); then, per invocation, the share of its intervals that contain the
# all-invocation medians (target at least 90 %); then the per-copy headline's spread
# beside. Also the machine's load (uptime) and each invocation's wall-clock time. It
# prints figures; it is not a test.
#
# usage: scripts/repeatability.sh [N] [TOOL [FLAG...]]
#        (default: 15 build/x86_64-linux/jumpbench-stats; flags are passed to every run)
# With REPEATABILITY_KEEP=DIR the invocations' JSON reports are kept in DIR (run1.json ...).
set -euo pipefail

invocations=${1:-15}
if ! [[ $invocations =~ ^[0-9]+$ ]] || ((10#$invocations < 1)); then
    echo "repeatability: the count must be a whole number of invocations, 1 or more, not '$invocations'" >&2
    exit 2
fi
invocations=$((10#$invocations))
tool=${2:-build/x86_64-linux/jumpbench-stats}
shift $(($# > 2 ? 2 : $#))
[ -x "$tool" ] || { echo "repeatability: no tool at $tool (run make build)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
keep=${REPEATABILITY_KEEP:-}
if [ -n "$keep" ]; then
    mkdir -p "$keep" || exit 1
fi

echo "uptime before: $(uptime)"
for ((run = 1; run <= invocations; ++run)); do
    start=$(date +%s.%N)
    "$tool" --benchmark_format=json "$@" >"$work/run$run.json" 2>"$work/run$run.err" || {
        echo "repeatability: invocation $run failed:" >&2
        cat "$work/run$run.err" >&2
        exit 1
    }
    end=$(date +%s.%N)
    echo "$start $end" >>"$work/times"
    if [ -n "$keep" ]; then
        cp "$work/run$run.json" "$keep/" || exit 1
    fi
done
echo "uptime after:  $(uptime)"

python3 - "$work" "$invocations" <<'EOF'
import json, statistics, sys
work, invocations = sys.argv[1], int(sys.argv[2])

def spread(figures):
    median = statistics.median(figures)
    mad = statistics.median(abs(figure - median) for figure in figures)
    return median, 100 * mad / median if median else float("nan")

times = [float(end) - float(start) for start, end in
         (line.split() for line in open(f"{work}/times"))]
reports = [json.load(open(f"{work}/run{run}.json")) for run in range(1, invocations + 1)]
rounds = [report["context"].get("rounds", "?").split()[0] for report in reports]
print(f"{invocations} invocations, wall-clock per invocation: median {statistics.median(times):.1f} s, "
      f"longest {max(times):.1f} s; rounds per invocation: {', '.join(rounds)}")
print(f"architecture: {reports[0]['context'].get('architecture', '?')}")

pairs = {}  # (first, second) -> [pair of each invocation]
for report in reports:
    for pair in report.get("pairs", []):
        pairs.setdefault((pair["first"], pair["second"]), []).append(pair)

def short(name):
    return name.removesuffix("/manual_time")

def verdict(pair):
    if pair["high"] is not None and pair["high"] < 1:
        return "first"
    if pair["low"] is not None and pair["low"] > 1:
        return "second"
    return "none"

print()
print("| first / second | median ratio | lowest | highest | MAD/median | intervals holding the median "
      "| verdicts: first faster, none, second faster |")
print("|---|---:|---:|---:|---:|---:|---|")
overall = {}
within, contradicting = 0, 0
for key, found in pairs.items():
    medians = [pair["median"] for pair in found if pair["median"] is not None]
    median, relative = spread(medians)
    overall[key] = median
    holding = sum(1 for pair in found if pair["low"] is not None and pair["low"] <= median <= pair["high"])
    verdicts = [verdict(pair) for pair in found]
    counts = [verdicts.count(word) for word in ("first", "none", "second")]
    within += relative <= 1.5
    contradicting += counts[0] > 0 and counts[2] > 0
    print(f"| {short(key[0])} / {short(key[1])} | {median:.4f} | {min(medians):.4f} | {max(medians):.4f} "
          f"| {relative:.2f} % | {holding}/{len(found)} | {counts[0]}, {counts[1]}, {counts[2]}"
          f"{' CONTRADICTING' if counts[0] and counts[2] else ''} |")

print()
print(f"ratios with a spread of at most 1.5 %: {within} of {len(pairs)}")
print(f"ratios with contradicting verdicts: {contradicting} of {len(pairs)}")
shares = []
for report in reports:
    mine = report.get("pairs", [])
    holding = sum(1 for pair in mine if pair["low"] is not None
                  and pair["low"] <= overall[(pair["first"], pair["second"])] <= pair["high"])
    shares.append(100 * holding / len(mine) if mine else float("nan"))
print("share of each invocation's intervals holding the all-invocation median: "
      + ", ".join(f"{share:.0f} %" for share in shares)
      + f" (lowest {min(shares):.0f} %, target at least 90 %)")

headlines = {}  # copy -> [headline per invocation]
for report in reports:
    for entry in report["benchmarks"]:
        if entry.get("run_type") == "aggregate" and entry["aggregate_name"] == "undisturbed":
            headlines.setdefault(short(entry["run_name"]), []).append(entry["ticks"])
print()
print("| copy | headline (undisturbed median) median ticks | lowest | highest | MAD/median |")
print("|---|---:|---:|---:|---:|")
for name, figures in headlines.items():
    median, relative = spread(figures)
    print(f"| {name} | {median:g} | {min(figures):g} | {max(figures):g} | {relative:.2f} % |")
EOF
