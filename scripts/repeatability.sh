#!/usr/bin/env bash
# How repeatable jumpbench-stats is: runs it N times (default 6) at its default settings
# and prints, for every paired ratio it reports (the A/A control's too), the median over
# the invocations, the spread across them (MAD/median), how many invocations' 95 %
# intervals contain that median, and the verdicts the invocations gave (contradicting
# ones are counted); then one line per invocation (its start, the load before it, its
# time, rounds, undisturbed and shared shares, the A/A control, the share of its intervals
# that contain the all-invocation medians); then each target against what was measured;
# then the per-copy headline's spread beside. It prints figures; it is not a test.
#
# The targets: every ratio's spread at most 1.5 %, their median at most 0.5 %; the
# invocations' intervals holding the all-invocation median for at least 93 % of the ratios
# on average and 85 % in each; no pair called faster in one invocation and slower in
# another; the A/A interval holding 1 in all but one invocation at most, with a noise band
# (delta) of at most 1 %; under half of the rounds on a shared core; each invocation at
# most 30 s.
#
# usage: scripts/repeatability.sh [N] [TOOL [FLAG...]]
#        (default: 6 build/x86_64-linux/jumpbench-stats; flags are passed to every run)
# With REPEATABILITY_KEEP=DIR the invocations' JSON reports are kept in DIR (run1.json ...).
set -euo pipefail

invocations=${1:-6}
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
    load=$(cut -d' ' -f1 /proc/loadavg)
    start=$(date +%s.%N)
    "$tool" --benchmark_format=json "$@" >"$work/run$run.json" 2>"$work/run$run.err" || {
        echo "repeatability: invocation $run failed:" >&2
        cat "$work/run$run.err" >&2
        exit 1
    }
    end=$(date +%s.%N)
    echo "$start $end $load" >>"$work/times"
    if [ -n "$keep" ]; then
        cp "$work/run$run.json" "$keep/" || exit 1
    fi
done
echo "uptime after:  $(uptime)"

python3 - "$work" "$invocations" <<'EOF'
import datetime, json, statistics, sys
work, invocations = sys.argv[1], int(sys.argv[2])

def spread(figures):
    median = statistics.median(figures)
    mad = statistics.median(abs(figure - median) for figure in figures)
    return median, 100 * mad / median if median else float("nan")

runs = [line.split() for line in open(f"{work}/times")]
times = [float(end) - float(start) for start, end, _ in runs]
reports = [json.load(open(f"{work}/run{run}.json")) for run in range(1, invocations + 1)]
context = reports[0]["context"]
print(f"{invocations} invocations, {context.get('architecture', '?')}, {context.get('num_cpus', '?')} "
      f"processors, tick rate {context.get('tick_rate', '?')}; wall-clock per invocation: median "
      f"{statistics.median(times):.1f} s, longest {max(times):.1f} s")

pairs = {}  # (first, second, kind) -> [pair of each invocation]
for report in reports:
    for pair in report.get("pairs", []):
        pairs.setdefault((pair["first"], pair["second"], pair["kind"]), []).append(pair)

def short(name):
    return name.removesuffix("/manual_time")

def label(key):
    if key[2] == "a/a":
        return f"A/A: {short(key[0])} against its twin" if key[1].endswith("/twin") else \
               f"A/A: {short(key[0])} measured twice"
    return f"{short(key[0])} / {short(key[1])}"

def verdict(pair):
    return pair.get("verdict", "unclear")

def holds(pair, value):
    return pair["low"] is not None and pair["low"] <= value <= pair["high"]

print()
print("| first / second | median ratio | lowest | highest | MAD/median | intervals holding the median "
      "| verdicts: faster, same, unclear, slower |")
print("|---|---:|---:|---:|---:|---:|---|")
overall, spreads = {}, []
contradicting = 0
for key, found in pairs.items():
    medians = [pair["median"] for pair in found if pair["median"] is not None]
    median, relative = spread(medians)
    overall[key] = median
    spreads.append(relative)
    holding = sum(1 for pair in found if holds(pair, median))
    verdicts = [verdict(pair) for pair in found]
    counts = [verdicts.count(word) for word in ("faster", "same", "unclear", "slower")]
    contradicting += counts[0] > 0 and counts[3] > 0
    print(f"| {label(key)} | {median:.4f} | {min(medians):.4f} | {max(medians):.4f} "
          f"| {relative:.2f} % | {holding}/{len(found)} | {counts[0]}, {counts[1]}, {counts[2]}, {counts[3]}"
          f"{' CONTRADICTING' if counts[0] and counts[3] else ''} |")

print()
print("| invocation | start (UTC) | load before | seconds | rounds | undisturbed | shared | A/A [interval] "
      "| delta | intervals holding the all-invocation median |")
print("|---:|---|---:|---:|---|---|---|---|---:|---:|")
shares, aa_holding, aa_count, deltas, shared_shares = [], 0, 0, [], []
for index, (report, (start, _, load), seconds) in enumerate(zip(reports, runs, times), 1):
    mine = report.get("pairs", [])
    holding = sum(1 for pair in mine if holds(pair, overall[(pair["first"], pair["second"], pair["kind"])]))
    shares.append(100 * holding / len(mine) if mine else float("nan"))
    aa = [pair for pair in mine if pair["kind"] == "a/a"]
    aa_text = ", ".join(f"{pair['median']:.4f} [{pair['low']:.4f}, {pair['high']:.4f}]"
                        if pair["low"] is not None else f"{pair['median']:.4f} [none]" for pair in aa)
    aa_count += len(aa)
    aa_holding += sum(1 for pair in aa if holds(pair, 1.0))
    ctx = report["context"]
    shared = ctx.get("shared", "?").split(" (")[0] + (" WHOLE RUN" if "processor_shared" in ctx else "")
    shared_shares.append(float(ctx.get("shared", "nan %").split(" %")[0]))
    delta = mine[0].get("delta") if mine else None
    deltas.append(delta if delta is not None else float("nan"))
    when = datetime.datetime.fromtimestamp(float(start), datetime.timezone.utc).strftime("%H:%M:%S")
    print(f"| {index} | {when} | {load} | {seconds:.1f} | {ctx.get('rounds', '?').split(' (')[0]} "
          f"| {ctx.get('undisturbed', '?').split(' (')[0]} | {shared} | {aa_text} "
          f"| {100 * deltas[-1]:.2f} % | {shares[-1]:.0f} % |")

within = sum(1 for relative in spreads if relative <= 1.5)
print()
print("| target | measured | met |")
print("|---|---|---|")
def target(what, measured, met):
    print(f"| {what} | {measured} | {'yes' if met else 'NO'} |")
target("every ratio's spread (MAD/median) at most 1.5 %", f"{within} of {len(spreads)}, worst "
       f"{max(spreads):.2f} %", within == len(spreads))
target("the median spread at most 0.5 %", f"{statistics.median(spreads):.2f} %",
       statistics.median(spreads) <= 0.5)
target("the intervals hold the all-invocation median for at least 93 % on average, 85 % in each",
       f"{statistics.mean(shares):.0f} % on average; " + ", ".join(f"{share:.0f} %" for share in shares),
       statistics.mean(shares) >= 93 and min(shares) >= 85)
target("no pair faster in one invocation and slower in another", f"{contradicting} of {len(pairs)} ratios",
       contradicting == 0)
target("the A/A interval holds 1 in all invocations but one at most", f"{aa_holding} of {aa_count}",
       aa_count > 0 and aa_holding >= aa_count - 1)
target("the noise band (delta) at most 1 %", ", ".join(f"{100 * delta:.2f} %" for delta in deltas),
       max(deltas) <= 0.01)
target("under half of the rounds shared in every invocation", ", ".join(f"{share:.0f} %" for share in shared_shares),
       max(shared_shares) < 50)
target("each invocation at most 30 s", f"longest {max(times):.1f} s", max(times) <= 30)

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
    print(f"| {name} | {median:.5g} | {min(figures):.5g} | {max(figures):.5g} | {relative:.2f} % |")
EOF
