#!/usr/bin/env bash
# How repeatable jumpbench-stats is: runs it N times (default 15) at its default settings
# and prints, per benchmark, its headline figure's median over the invocations and the
# spread of the headline across them (MAD/median, in %), against the targets: 1.5 % for
# long-sample benchmarks, 2 % for short ones. Also the machine's load and each
# invocation's wall-clock time. It prints figures; it is not a test.
#
# usage: scripts/repeatability.sh [N] [TOOL [FLAG...]]
#        (default: 15 build/i386-linux/jumpbench-stats; flags are passed to every run)
set -euo pipefail

invocations=${1:-15}
if ! [[ $invocations =~ ^[0-9]+$ ]] || ((10#$invocations < 1)); then
    echo "repeatability: the count must be a whole number of invocations, 1 or more, not '$invocations'" >&2
    exit 2
fi
invocations=$((10#$invocations))
tool=${2:-build/i386-linux/jumpbench-stats}
shift $(($# > 2 ? 2 : $#))
[ -x "$tool" ] || { echo "repeatability: no tool at $tool (run make build)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((run = 1; run <= invocations; ++run)); do
    start=$(date +%s.%N)
    "$tool" --benchmark_format=json "$@" >"$work/run$run.json" 2>/dev/null
    end=$(date +%s.%N)
    echo "$start $end" >>"$work/times"
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$work" "$invocations" <<'EOF'
import json, statistics, sys
work, invocations = sys.argv[1], int(sys.argv[2])

times = [float(end) - float(start) for start, end in
         (line.split() for line in open(f"{work}/times"))]
print(f"{invocations} invocations, wall-clock per invocation: "
      f"median {statistics.median(times):.1f} s, longest {max(times):.1f} s")

headlines = {}  # benchmark -> (aggregate, [headline per invocation])
for run in range(1, invocations + 1):
    report = json.load(open(f"{work}/run{run}.json"))
    for entry in report["benchmarks"]:
        if entry.get("run_type") != "aggregate":
            continue
        name = entry["run_name"].removesuffix("/manual_time")
        wanted = "low_quarter" if "/short" in name else "min"
        if entry["aggregate_name"] == wanted:
            headlines.setdefault(name, (wanted, []))[1].append(entry["ticks"])

print()
print(f"| benchmark | headline | median ticks | lowest | highest | MAD/median | target |")
print(f"|---|---|---:|---:|---:|---:|---|")
for name, (aggregate, figures) in headlines.items():
    median = statistics.median(figures)
    mad = statistics.median(abs(figure - median) for figure in figures)
    spread = 100 * mad / median if median else float("nan")
    target = 2.0 if aggregate == "low_quarter" else 1.5
    verdict = "met" if spread <= target else "missed"
    print(f"| {name} | {aggregate} | {median:g} | {min(figures):g} | {max(figures):g} "
          f"| {spread:.2f} % | {target} %: {verdict} |")
EOF
