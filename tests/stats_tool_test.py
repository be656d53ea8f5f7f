#!/usr/bin/env python3
"""jumpbench-stats as a user runs it: its console table and JSON for a short filtered run,
the chart, and how it refuses bad flags and files. No figure is judged: they are timings.

usage: stats_tool_test.py TOOL PROFILE_CSV [unittest arguments]
"""
import json
import os
import re
import stat
import subprocess
import sys
import tempfile
import unittest

TOOL = sys.argv.pop(1)
# The profile's exact counts per copy, worked out by hand (profile_test.cpp): a long-sample
# benchmark's "taken" counter is its copy's taken branches, conditional and unconditional.
with open(sys.argv.pop(1)) as profile_csv:
    TAKEN = {(row[0], row[1]): int(row[4]) + int(row[5])
             for row in (line.strip().split(",") for line in profile_csv.readlines()[1:])}

# The layouts' code sizes and the samples' scan lengths (the kernel tables and samples). In
# a 64-bit program each inc esi takes one byte more (FF C6 for 46); ELF's class byte says
# which the tool is.
with open(TOOL, "rb") as tool_file:
    IS_64_BIT = tool_file.read(5)[4] == 2
INC_ESI_COUNT = {"few_jumps": 1, "many_jumps": 1, "pair_step": 2, "elseif": 1, "switch": 1}
CODE_BYTES = {layout: size + (INC_ESI_COUNT[layout] if IS_64_BIT else 0)
              for layout, size in
              {"few_jumps": 66, "many_jumps": 66, "pair_step": 78, "elseif": 78, "switch": 79}.items()}
SCAN_LENGTH = {"long": 500, "short": 10}
COUNTERS = {"ticks", "cycles", "len", "code_bytes"}
AGGREGATES = {"mean", "median", "stddev", "cv", "min", "low_quarter"}

# Copies of both samples at two offsets, two measurements each: quick, and it still has
# aggregates.
FILTER = "--benchmark_filter=^(few_jumps|switch)/[a-z]+/offset:(0|48)/"
COPIES = [layout_sample + "/offset:" + offset
          for layout_sample in ("few_jumps/long", "switch/long", "few_jumps/short")
          for offset in ("0", "48")]
QUICK = [FILTER, "--benchmark_repetitions=2"]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def run(*arguments, env=None):
    return subprocess.run([TOOL, *arguments], capture_output=True, timeout=120, env=env)


def benchmark_name(copy):
    # Google Benchmark marks a benchmark timed by hand in its name.
    return copy + "/manual_time"


class Output(unittest.TestCase):
    def test_json_has_every_run_and_aggregate_with_the_copys_facts(self):
        result = run(*QUICK, "--benchmark_format=json")
        self.assertEqual(result.returncode, 0, result.stderr)
        report = json.loads(result.stdout)
        self.assertIn("scheduling", report["context"])
        self.assertIn("ticks_per_cycle", report["context"])
        runs = report["benchmarks"]
        self.assertEqual(sorted({run["run_name"] for run in runs}),
                         sorted(benchmark_name(copy) for copy in COPIES))
        for copy in COPIES:
            layout, sample, _ = copy.split("/")
            mine = [run for run in runs if run["run_name"] == benchmark_name(copy)]
            self.assertEqual(len([r for r in mine if r["run_type"] == "iteration"]), 2, copy)
            self.assertEqual({r["aggregate_name"] for r in mine if r["run_type"] == "aggregate"},
                             AGGREGATES, copy)
            for measured in mine:
                self.assertTrue(COUNTERS <= measured.keys(), (copy, measured.keys()))
                if measured.get("aggregate_name") in (None, "mean", "median", "min", "low_quarter"):
                    self.assertEqual(measured["len"], SCAN_LENGTH[sample], copy)
                    self.assertEqual(measured["code_bytes"], CODE_BYTES[layout], copy)
                    if sample == "long":
                        self.assertEqual(measured["taken"], TAKEN[(layout, sample)], copy)
                if sample == "long":
                    self.assertTrue({"taken", "ticks_per_taken", "cycles_per_taken"}
                                    <= measured.keys(), copy)

    def test_console_table_is_one_headline_row_per_copy_then_the_placement_summary(self):
        # Two long-sample layouts at every offset, so that the summary compares them.
        result = run("--benchmark_filter=^(few_jumps/long|switch/long|many_jumps/short)/",
                     "--benchmark_repetitions=2")
        self.assertEqual(result.returncode, 0, result.stderr)
        output = result.stdout.decode()
        copies = [layout_sample + "/offset:" + offset
                  for layout_sample in ("few_jumps/long", "switch/long", "many_jumps/short")
                  for offset in ("0", "16", "32", "48")]
        headline = {"long": "_min", "short": "_low_quarter"}
        rows = [line.split()[0] for line in output.splitlines() if "/manual_time" in line]
        self.assertEqual(rows, [benchmark_name(copy) + headline[copy.split("/")[1]]
                                for copy in copies])
        self.assertRegex(output, r"code_bytes +cycles +len +ticks")
        self.assertRegex(output, r"\nPlacement: .*\ncopy +offset 0 +offset 16 +offset 32 +offset 48"
                                 r" +lowest +highest\nfew_jumps/long .*\nswitch/long .*\n"
                                 r"many_jumps/short .*\n")
        self.assertRegex(output, r"\n  few_jumps vs switch: .*\n\Z")
        self.assertRegex(result.stderr.decode(), r"scheduling: ")

    def test_json_and_csv_output_is_only_google_benchmarks(self):
        for format in ("json", "csv"):
            result = run(*QUICK, "--benchmark_format=" + format)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertNotIn(b"Placement", result.stdout, format)

    def test_realtime_off_is_said(self):
        result = run(*QUICK, "--benchmark_filter=few_jumps/short", "--realtime=false")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(b"scheduling: normal (--realtime=false)", result.stderr)

    def test_help_names_the_tools_flags_and_google_benchmarks(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        for flag in (b"--chart=", b"--realtime=", b"--benchmark_filter", b"--benchmark_format"):
            self.assertIn(flag, result.stdout)


class Chart(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)

    def fake_gnuplot(self, script):
        """A PATH whose gnuplot is `script`."""
        bin_directory = os.path.join(self.directory.name, "bin")
        os.mkdir(bin_directory)
        fake = os.path.join(bin_directory, "gnuplot")
        with open(fake, "w") as file:
            file.write("#!/bin/sh\n" + script + "\n")
        os.chmod(fake, stat.S_IRWXU)
        return dict(os.environ, PATH=bin_directory + os.pathsep + os.environ["PATH"])

    def test_chart_goes_into_the_named_file_only_whatever_its_name(self):
        # Quotes and a line end: gnuplot never sees the name, so nothing is run from it.
        name = os.path.join(self.directory.name, "it's \"a\"\nchart; !touch x.png")
        result = run(*QUICK, "--chart=" + name)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(name, "rb") as chart:
            self.assertEqual(chart.read(8), PNG_SIGNATURE)
        self.assertEqual(os.listdir(self.directory.name), [os.path.basename(name)])
        # Standard output holds the table and the summary, text only.
        self.assertIn("Placement:", result.stdout.decode("ascii"))

    def test_unwritable_chart_file_is_refused_before_measuring(self):
        for name in (os.path.join(self.directory.name, "missing", "chart.png"),
                     self.directory.name, "/dev/stdout", ""):
            result = run(*QUICK, "--chart=" + name)
            self.assertEqual(result.returncode, 2, name)
            self.assertEqual(result.stdout, b"", name)
            self.assertRegex(result.stderr, rb"jumpbench-stats: .*chart", name)

    def test_gnuplot_that_hangs_is_stopped_and_leaves_no_file(self):
        name = os.path.join(self.directory.name, "chart.png")
        result = run(*QUICK, "--chart=" + name, env=self.fake_gnuplot("exec sleep 300"))
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"gnuplot did not finish the chart within", result.stderr)
        self.assertFalse(os.path.exists(name))

    def test_gnuplot_that_fails_or_is_missing_leaves_no_file(self):
        name = os.path.join(self.directory.name, "chart.png")
        failing = run(*QUICK, "--chart=" + name, env=self.fake_gnuplot("cat >/dev/null; exit 3"))
        self.assertEqual(failing.returncode, 1)
        self.assertIn(b"gnuplot failed with exit code 3", failing.stderr)
        self.assertFalse(os.path.exists(name))
        missing = run(*QUICK, "--chart=" + name, env=dict(os.environ, PATH=self.directory.name))
        self.assertEqual(missing.returncode, 1)
        self.assertIn(b"cannot start gnuplot", missing.stderr)
        self.assertFalse(os.path.exists(name))


class BadFlags(unittest.TestCase):
    def test_bad_flags_say_why_and_exit_2_before_measuring(self):
        for arguments in (["--no_such_flag"], ["--realtime=maybe"], ["--benchmark_format=xml"],
                          ["--benchmark_repetitions=many"], ["stray"],
                          ["--benchmark_filter=no_such_copy"]):
            result = run(*arguments)
            self.assertEqual(result.returncode, 2, arguments)
            self.assertEqual(result.stdout, b"", arguments)
            self.assertNotEqual(result.stderr, b"", arguments)


if __name__ == "__main__":
    unittest.main()
