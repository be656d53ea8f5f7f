#!/usr/bin/env python3
"""jumpbench-stats as a user runs it: its console tables and its JSON (runs and pairs) for a
short filtered run, the chart, and what it does when its output is lost, when a run fails
or is stopped with a result file already there, and with bad values. No figure is judged:
they are timings.

usage: stats_tool_test.py TOOL PROFILE_CSV [unittest arguments]
"""
import json
import os
import re
import resource
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

TOOL = sys.argv.pop(1)
# The profile's exact counts per copy, worked out by hand (profile_test.cpp): a long-sample
# benchmark's "taken" counter is its copy's taken branches: conditional, unconditional and
# indirect.
with open(sys.argv.pop(1)) as profile_csv:
    TAKEN = {(row[0], row[1]): int(row[4]) + int(row[5]) + int(row[6])
             for row in (line.strip().split(",") for line in profile_csv.readlines()[1:])}

# ELF's class byte says whether the tool is a 64-bit program.
with open(TOOL, "rb") as tool_file:
    IS_64_BIT = tool_file.read(5)[4] == 2


def code_bytes_of_build():
    """Each copy's code bytes as the build laid it out: its exit label less its entry label
    (few_jumps/long/offset:16 is few_jumps_long_at_16_entry to few_jumps_long_at_16_exit)."""
    symbols = {}
    for line in subprocess.run(["nm", TOOL], stdout=subprocess.PIPE, check=True,
                               text=True).stdout.splitlines():
        fields = line.split()
        if len(fields) == 3:
            symbols[fields[2]] = int(fields[0], 16)
    return {name[:-len("_entry")]: symbols[name[:-len("_entry")] + "_exit"] - address
            for name, address in symbols.items()
            if name.endswith("_entry") and name[:-len("_entry")] + "_exit" in symbols}


CODE_BYTES = code_bytes_of_build()
# Where a 32-bit program is handed to qemu by the kernel, the tool runs under it.
try:
    with open("/proc/sys/fs/binfmt_misc/qemu-i386") as handler:
        EMULATOR = "qemu-i386" if not IS_64_BIT and handler.readline().strip() == "enabled" else None
except OSError:
    EMULATOR = None
SCAN_LENGTH = {"long": 500, "short": 10}
COUNTERS = {"ticks", "cycles", "len", "code_bytes"}
AGGREGATES = {"mean", "median", "stddev", "cv", "min", "undisturbed"}

# Copies of both samples at two offsets, in 6 rounds: quick, and the fewest with an
# interval of a median.
FILTER = "--benchmark_filter=^(few_jumps|switch)/[a-z]+/offset:(0|48)/"
COPIES = [layout_sample + "/offset:" + offset
          for layout_sample in ("few_jumps/long", "switch/long", "few_jumps/short")
          for offset in ("0", "48")]
ROUNDS = 6
QUICK = [FILTER, f"--benchmark_repetitions={ROUNDS}"]
# The pairs of the quick run: its two long layouts at each offset, then each copy at 48
# against its layout's copy at 0, last the A/A control (few_jumps/long at 0 against its twin).
PAIRS = [("few_jumps/long/offset:0", "switch/long/offset:0", "layouts"),
         ("few_jumps/long/offset:48", "switch/long/offset:48", "layouts"),
         ("few_jumps/long/offset:48", "few_jumps/long/offset:0", "placement"),
         ("switch/long/offset:48", "switch/long/offset:0", "placement"),
         ("few_jumps/short/offset:48", "few_jumps/short/offset:0", "placement"),
         ("few_jumps/long/offset:0", "few_jumps/long/offset:0/twin", "a/a")]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def run(*arguments, env=None, **options):
    options.setdefault("stdout", subprocess.PIPE)
    return subprocess.run([TOOL, *arguments], stderr=subprocess.PIPE, timeout=120, env=env,
                          **options)


def benchmark_name(copy):
    # Google Benchmark marks a benchmark timed by hand in its name.
    return copy + "/manual_time"


class Output(unittest.TestCase):
    def test_json_has_the_aggregates_and_on_request_every_round(self):
        # Of a default run's thousands of rounds a report holds the aggregates only.
        result = run(*QUICK, "--benchmark_format=json")
        self.assertEqual(result.returncode, 0, result.stderr)
        runs = json.loads(result.stdout)["benchmarks"]
        self.assertEqual({run["run_type"] for run in runs}, {"aggregate"})
        self.assertEqual(len(runs), len(COPIES) * len(AGGREGATES))

    def test_json_has_every_round_and_aggregate_with_the_copys_facts(self):
        result = run(*QUICK, "--benchmark_format=json", "--benchmark_report_aggregates_only=false")
        self.assertEqual(result.returncode, 0, result.stderr)
        report = json.loads(result.stdout)
        context = report["context"]
        self.assertEqual(context["architecture"], "x86_64" if IS_64_BIT else "i386")
        self.assertEqual(context.get("emulated"), EMULATOR)
        # As many processes as rounds here, fewer than the default 10.
        self.assertTrue(context["rounds"].startswith(f"{ROUNDS} in {ROUNDS} processes "),
                        context["rounds"])
        self.assertTrue(context["intervals"].startswith(f"over the {ROUNDS} processes"))
        self.assertRegex(context["shared"], r"^\d+ % of the rounds ")
        self.assertIn("scheduling", context)
        self.assertIn("ticks_per_cycle", context)
        self.assertRegex(context["hardware_counters"], r"^(not available \(.+\)|available .*)$")
        self.assertRegex(context["undisturbed"], r"^\d+ % of the figures ")
        runs = report["benchmarks"]
        self.assertEqual(sorted({run["run_name"] for run in runs}),
                         sorted(benchmark_name(copy) for copy in COPIES))
        for copy in COPIES:
            layout, sample, _ = copy.split("/")
            mine = [run for run in runs if run["run_name"] == benchmark_name(copy)]
            # One repetition per round, each one iteration: one meter call's figure.
            rounds = [r for r in mine if r["run_type"] == "iteration"]
            self.assertEqual(len(rounds), ROUNDS, copy)
            self.assertEqual({r["iterations"] for r in rounds}, {1}, copy)
            self.assertEqual({r["aggregate_name"] for r in mine if r["run_type"] == "aggregate"},
                             AGGREGATES, copy)
            for measured in mine:
                if measured.get("error_occurred"):  # a figure left out says why
                    self.assertIn("the calibration cannot explain", measured["error_message"])
                    continue
                self.assertTrue(COUNTERS <= measured.keys(), (copy, measured.keys()))
                if measured.get("aggregate_name") in (None, "mean", "median", "min", "undisturbed"):
                    self.assertEqual(measured["len"], SCAN_LENGTH[sample], copy)
                    label = copy.replace("/offset:", "_at_").replace("/", "_")
                    self.assertEqual(measured["code_bytes"], CODE_BYTES[label], copy)
                    if sample == "long":
                        self.assertEqual(measured["taken"], TAKEN[(layout, sample)], copy)
                if sample == "long":
                    self.assertTrue({"taken", "ticks_per_taken", "cycles_per_taken", "line_changes",
                                     "window_changes", "boundary_jumps"} <= measured.keys(), copy)

    def check_pairs(self, pairs):
        self.assertEqual([(pair["first"], pair["second"], pair["kind"]) for pair in pairs],
                         [(benchmark_name(a), b if kind == "a/a" else benchmark_name(b), kind)
                          for a, b, kind in PAIRS])
        for pair in pairs:
            self.assertEqual(pair["sample"], pair["first"].split("/")[1])
            self.assertLessEqual(pair["rounds"], ROUNDS)
            # A process a round: a segment a round, a block where both copies' figures of
            # that round are undisturbed; rounds: the fewer undisturbed figures of the two.
            self.assertLessEqual(pair["blocks"], pair["rounds"])
            self.assertEqual(pair["interval_over"], "processes")
            if pair["blocks"] == ROUNDS:
                # Of 6 rounds the lowest and highest ratio, at 1 - 2/64.
                self.assertEqual(pair["confidence"], 0.96875)
                self.assertLessEqual(pair["low"], pair["median"])
                self.assertLessEqual(pair["median"], pair["high"])
            layout, sample, offset = pair["first"].split("/")[:3]
            offset = offset.removeprefix("offset:")
            # The verdict in a word against the run's noise band, the same for every pair;
            # its sentence beside it.
            self.assertIn(pair["verdict"], ("faster", "slower", "same", "unclear"))
            self.assertEqual(pair["delta"], pairs[-1]["delta"])
            self.assertGreaterEqual(pair["delta"], 0.002)
            if pair["kind"] == "a/a":
                self.assertRegex(pair["says"], r"^A/A, few_jumps/long at offset 0 against its twin: ratio ")
            elif pair["verdict"] in ("faster", "slower"):
                self.assertTrue(pair["high"] < 1 - pair["delta"] or pair["low"] > 1 + pair["delta"])
                self.assertRegex(pair["says"], r"^([a-z_/]+: )?[a-z_ 0-9]* is \d+\.\d % faster "
                                               r"than [a-z_ 0-9]+ \(95 %: -?\d+\.\d to \d+\.\d %\)$")
            elif pair["verdict"] == "same":
                self.assertTrue(1 - pair["delta"] <= pair["low"] <= pair["high"] <= 1 + pair["delta"])
                self.assertRegex(pair["says"], r": the same within the noise band of ±\d+\.\d %")
            else:
                self.assertRegex(pair["says"], r": unclear \(.*\): .*(would settle it|would place it on one side|measure again)$")

    def test_json_has_one_pair_per_comparison_with_its_interval(self):
        result = run(*QUICK, "--benchmark_format=json")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.check_pairs(json.loads(result.stdout)["pairs"])

    def test_console_has_the_headline_rows_the_placement_table_and_the_ratios(self):
        # Two long-sample layouts at every offset and a short-sample copy.
        result = run("--benchmark_filter=^(few_jumps/long|switch/long|many_jumps/short)/",
                     "--benchmark_repetitions=2")
        self.assertEqual(result.returncode, 0, result.stderr)
        output = result.stdout.decode()
        copies = [layout_sample + "/offset:" + offset
                  for layout_sample in ("few_jumps/long", "switch/long", "many_jumps/short")
                  for offset in ("0", "16", "32", "48")]
        # One row per copy, in order: its headline aggregate, or the round itself where the
        # other of its two rounds was one the calibration cannot explain (no aggregate then).
        rows = [line.split()[0].removesuffix("_undisturbed") for line in output.splitlines()
                if "/manual_time" in line]
        self.assertEqual(rows, [benchmark_name(copy) for copy in copies])
        self.assertRegex(output, r"code_bytes +cycles +.*len +.*ticks")
        self.assertRegex(output, r"\nPlacement: .*\ncopy +offset 0 +offset 16 +offset 32 +offset 48"
                                 r" +lowest +highest\nfew_jumps/long .*\nswitch/long .*\n"
                                 r"many_jumps/short .*\n")
        # Eight long-sample copies of two layouts: too few layouts for the cost model's three
        # terms (a layout's offsets take the same branches), and it says so.
        self.assertRegex(output, r"\nCost model: core cycles per scan of the long-sample copies, fitted "
                                 r"by least squares: none \(2 layouts are too few for 3 terms \(at least 4\)\)\n")
        # Of 2 rounds, too few for an interval; "-" where no round had both figures
        # undisturbed (one of them in a slow phase).
        cell = r" +(\d\.\d{3} \[no interval\]|-)"
        self.assertRegex(output, r"\nlong sample, layouts against each other at the same offset: .*\n"
                                 r"first / second +offset 0 +offset 16 +offset 32 +offset 48\n"
                                 r"few_jumps / switch" + cell * 4 + "\n")
        self.assertRegex(output, r"\nlong sample, each copy against its layout at offset 0: .*\n"
                                 r"offset N / offset 0 +offset 16 +offset 32 +offset 48\n"
                                 r"few_jumps" + cell * 3 + "\nswitch" + cell * 3 + "\n")
        self.assertRegex(output, r"\nA/A control, few_jumps/long at offset 0 against its twin, the same "
                                 r"bytes at the same offset in another slot \(copy / twin\):" + cell +
                                 "\n  too few rounds")
        self.assertRegex(output, r"\nVerdicts, short sample:\n  unclear \(more processes, "
                                 r"--processes=20, or a quieter machine would settle them\):\n"
                                 r"    many_jumps/short: offset 16, 32, 48 vs offset 0\n\nSummary, long sample: ")
        self.assertRegex(result.stderr.decode(), r"scheduling: ")
        self.assertRegex(result.stderr.decode(), r"architecture: (i386|x86_64)\n")
        self.assertEqual(re.findall(r"^emulated: (.*)$", result.stderr.decode(), re.M),
                         [EMULATOR] if EMULATOR else [])

    def test_csv_output_is_only_google_benchmarks_and_json_adds_the_pairs(self):
        result = run(*QUICK, "--benchmark_format=csv")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn(b"Placement", result.stdout)
        self.assertNotIn(b"pairs", result.stdout)
        result = run(*QUICK, "--benchmark_format=json")
        report = json.loads(result.stdout)
        self.assertEqual(sorted(report), ["benchmarks", "context", "model", "pairs", "places"])
        # Four long-sample copies are too few for a model of three terms: it says so.
        self.assertEqual(report["model"], {"error": "4 copies are too few for 3 terms", "copies": 4})

    def test_out_file_in_each_format(self):
        with tempfile.TemporaryDirectory() as directory:
            name = os.path.join(directory, "out")
            for format in ("json", "csv", "console"):
                result = run(*QUICK, "--benchmark_out=" + name, "--benchmark_out_format=" + format)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(os.listdir(directory), ["out"])
                with open(name) as out:
                    content = out.read()
                if format == "json":
                    self.check_pairs(json.loads(content)["pairs"])
                else:
                    self.assertIn("few_jumps/long/offset:48/manual_time", content)
                self.assertEqual("Verdicts, long sample:" in content, format == "console")

    def test_one_process_takes_its_intervals_over_blocks_and_says_so(self):
        result = run(FILTER, "--benchmark_repetitions=16", "--processes=1", "--benchmark_format=json")
        self.assertEqual(result.returncode, 0, result.stderr)
        report = json.loads(result.stdout)
        self.assertTrue(report["context"]["rounds"].startswith("16 in 1 process "))
        self.assertRegex(report["context"]["intervals"], r"^over 8 blocks of one process's rounds")
        self.assertEqual({pair["interval_over"] for pair in report["pairs"]}, {"blocks of rounds"})

    def test_realtime_off_is_said(self):
        result = run(*QUICK, "--benchmark_filter=few_jumps/short", "--realtime=false")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(b"scheduling: normal (--realtime=false)", result.stderr)

    def test_help_names_the_tools_flags_and_google_benchmarks_also_as_h(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        for flag in (b"--chart=", b"--processes=", b"--realtime=", b"--benchmark_filter",
                     b"--benchmark_format"):
            self.assertIn(flag, result.stdout)
        short = run("-h")
        self.assertEqual((short.returncode, short.stdout), (0, result.stdout))


class Texts(unittest.TestCase):
    # Every layout of the layout list, at offset 0, over a text of the user's: its bytes up
    # to the first NUL, named in the context; each copy's len is where its stop rule ends the
    # scan, and the switch, which stops at the blank, is not paired with the others.
    def test_every_layout_scans_the_text_given(self):
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "literals.txt")
            with open(path, "wb") as text:
                text.write(b"12h 1.5E3(7)\0not scanned")
            result = run("--benchmark_filter=/long/offset:0/", "--benchmark_repetitions=2",
                         "--benchmark_format=json", "--text=" + path)
        self.assertEqual(result.returncode, 0, result.stderr)
        report = json.loads(result.stdout)
        self.assertRegex(report["context"]["text"], "^" + re.escape(path) +
                         r", 12 bytes, FNV-1a 64 [0-9a-f]{16}$")
        self.assertIn("switch scans 4 bytes where the others scan 13", report["context"]["not_paired"])
        lengths = {run["run_name"].split("/")[0]: run["len"] for run in report["benchmarks"]
                   if run.get("aggregate_name") == "median"}
        self.assertLessEqual({"few_jumps", "switch", "jump_table", "class_table"}, lengths.keys())
        for layout, length in lengths.items():
            self.assertEqual(length, 4 if layout == "switch" else 13, layout)
        paired = [(pair["first"], pair["second"]) for pair in report["pairs"] if pair["kind"] == "layouts"]
        self.assertTrue(paired)
        self.assertFalse([pair for pair in paired if "switch" in pair[0] + pair[1]], paired)

    def test_a_text_that_cannot_be_used_is_refused_before_measuring(self):
        with tempfile.TemporaryDirectory() as directory:
            files = {"missing": None, "empty": b"", "nul_first": b"\0" + b"12h",
                     "too_long": b"7" * (1048576 + 1)}
            for name, content in files.items():
                if content is not None:
                    with open(os.path.join(directory, name), "wb") as text:
                        text.write(content)
            for name in [*files, ""]:  # "": the directory itself
                path = os.path.join(directory, name)
                result = run("--text=" + path)
                message = result.stderr.decode()
                self.assertEqual((result.returncode, result.stdout, message.count("\n")), (2, b"", 1),
                                 (name, message))
                self.assertIn(path, message)


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
        # Standard output holds the tables and the summary, text only.
        self.assertIn("Placement:", result.stdout.decode("utf-8"))

    def test_unwritable_chart_file_is_refused_before_measuring(self):
        for name in (os.path.join(self.directory.name, "missing", "chart.png"),
                     self.directory.name, "/dev/stdout", ""):
            result = run(*QUICK, "--chart=" + name)
            self.assertEqual(result.returncode, 2, name)
            self.assertEqual(result.stdout, b"", name)
            self.assertRegex(result.stderr, rb"jumpbench-stats: .*chart", name)
        self.assertEqual(os.listdir(self.directory.name), [])

    def test_chart_title_names_the_architecture_and_an_emulator(self):
        script = os.path.join(self.directory.name, "script")
        run(*QUICK, "--chart=" + os.path.join(self.directory.name, "chart.png"),
            env=self.fake_gnuplot(f"cat >'{script}'; exit 3"))
        with open(script) as file:
            title = re.search(r'^set multiplot title "(.*)"$', file.read(), re.M).group(1)
        self.assertRegex(title, r"^jumpbench-stats \((i386|x86_64)\): ")
        self.assertEqual("\\nunder qemu-i386, an emulator" in title, EMULATOR is not None, title)

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


def limit_file_size_to_zero():
    resource.setrlimit(resource.RLIMIT_FSIZE, (0, 0))


class OutputLost(unittest.TestCase):
    """A write that fails is exit 1 with one line that says which, whatever the format."""

    def assert_lost(self, result, where):
        self.assertEqual(result.returncode, 1, result.stderr)
        last = result.stderr.decode().splitlines()[-1]
        self.assertRegex(last, r"^jumpbench-stats: cannot write " + re.escape(where) + ": .+$")

    def test_standard_output_full_or_closed(self):
        with open("/dev/full", "wb") as full:
            for format in ("console", "json"):
                self.assert_lost(run(*QUICK, "--benchmark_format=" + format, stdout=full),
                                 "standard output")
            self.assert_lost(run("--help", stdout=full), "standard output")
        closed = run(*QUICK, stdout=subprocess.DEVNULL, preexec_fn=lambda: os.close(1))
        self.assert_lost(closed, "standard output")

    def test_out_file_full_or_beyond_the_file_size_limit(self):
        self.assert_lost(run(*QUICK, "--benchmark_out=/dev/full"), "'/dev/full'")
        with tempfile.TemporaryDirectory() as directory:
            name = os.path.join(directory, "results.json")
            limited = run(*QUICK, "--benchmark_out=" + name, preexec_fn=limit_file_size_to_zero)
            self.assert_lost(limited, "'" + name + "'")
            self.assertEqual(os.listdir(directory), [])


class KeptFiles:
    """A result file and a chart already there, and a check that they are as they were."""

    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)
        self.out = os.path.join(self.directory.name, "good.json")
        self.chart = os.path.join(self.directory.name, "good.png")
        for name in (self.out, self.chart):
            with open(name, "w") as file:
                file.write("the results of an earlier run\n")

    def assert_kept(self):
        self.assertEqual(sorted(os.listdir(self.directory.name)), ["good.json", "good.png"])
        for name in (self.out, self.chart):
            with open(name) as file:
                self.assertEqual(file.read(), "the results of an earlier run\n", name)


class FileKept(KeptFiles, unittest.TestCase):
    """A run that fails leaves an existing result file as it was, and no other file."""

    def test_filter_that_matches_nothing(self):
        result = run("--benchmark_filter=nomatch", "--benchmark_out=" + self.out,
                     "--chart=" + self.chart)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"nomatch", result.stderr)
        self.assert_kept()

    def test_write_beyond_the_file_size_limit(self):
        result = run(*QUICK, "--benchmark_out=" + self.out, "--chart=" + self.chart,
                     preexec_fn=limit_file_size_to_zero)
        self.assertEqual(result.returncode, 1)
        self.assert_kept()

    def test_bad_value(self):
        result = run("--benchmark_repetitions=0", "--benchmark_out=" + self.out,
                     "--chart=" + self.chart)
        self.assertEqual(result.returncode, 2)
        self.assert_kept()

    def test_a_run_that_succeeds_replaces_the_file_in_one_piece(self):
        result = run(*QUICK, "--benchmark_out=" + self.out)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.out) as out:
            self.assertEqual(len(json.load(out)["pairs"]), len(PAIRS))
        self.assertEqual(sorted(os.listdir(self.directory.name)), ["good.json", "good.png"])


class SignalMidRun(KeptFiles, unittest.TestCase):
    """Stopped while it measures: its temporary files removed, the files there left as they
    were, a line that says so, and the signal's own ending."""

    def test_sigint_sigterm_sighup(self):
        for number, name in ((signal.SIGINT, "SIGINT"), (signal.SIGTERM, "SIGTERM"),
                             (signal.SIGHUP, "SIGHUP")):
            process = subprocess.Popen(
                [TOOL, "--benchmark_filter=^few_jumps/long/offset:0/", "--benchmark_repetitions=100000",
                 "--benchmark_out=" + self.out, "--chart=" + self.chart],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            # The temporary files are made before anything is measured.
            deadline = time.monotonic() + 60
            while len(os.listdir(self.directory.name)) < 4 and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertEqual(len(os.listdir(self.directory.name)), 4)
            process.send_signal(number)
            stdout, stderr = process.communicate(timeout=60)
            self.assertEqual(process.returncode, -number, stderr)
            self.assertEqual(stdout, b"")
            self.assertRegex(stderr.decode(), f"jumpbench-stats: stopped by {name}; no result file "
                                              "written, any that existed left as it was\n")
            self.assert_kept()


class BadValue(unittest.TestCase):
    def assert_refused(self, arguments, message):
        result = run(*arguments)
        self.assertEqual(result.returncode, 2, arguments)
        self.assertEqual(result.stdout, b"", arguments)
        # One line, before anything is measured: no context lines.
        self.assertRegex(result.stderr.decode(), "^jumpbench-stats: " + message + "\n\\Z", arguments)

    def test_rounds_below_one_or_not_a_number(self):
        for value in ("0", "-1", "abc", "", "2x"):
            self.assert_refused(["--benchmark_repetitions=" + value],
                                re.escape("--benchmark_repetitions (the number of rounds) takes a "
                                          f"whole number from 1 to 1000000, not '{value}'"))

    def test_values_google_benchmark_refuses_are_refused(self):
        # Google Benchmark checks its own flags; the tool names the ones it checks so.
        for flag, value in (("--benchmark_time_unit", "ps"), ("--benchmark_out_format", "xml"),
                            ("--benchmark_format", "xml")):
            self.assert_refused([f"{flag}={value}"],
                                re.escape("Google Benchmark refused the value of one of its flags (")
                                + ".*" + re.escape(flag) + ".*")
        self.assert_refused(["--benchmark_min_time=2"], re.escape("--benchmark_min_time must stay 0, "
                                                                  "not '2'") + ".*")
        result = run("--v=abc")
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"did not take '--v=abc'", result.stderr)

    def test_processes_out_of_range(self):
        for value in ("0", "101", "x", ""):
            self.assert_refused(["--processes=" + value],
                                re.escape(f"--processes takes a whole number from 1 to 100, not '{value}'")
                                + "\njumpbench-stats: see --help for the flags")

    def test_bad_flags_say_why_and_exit_2_before_measuring(self):
        for arguments in (["--no_such_flag"], ["--realtime=maybe"], ["stray"],
                          ["--benchmark_filter=no_such_copy"], ["--measuring-process"]):
            result = run(*arguments)
            self.assertEqual(result.returncode, 2, arguments)
            self.assertEqual(result.stdout, b"", arguments)
            self.assertNotEqual(result.stderr, b"", arguments)


if __name__ == "__main__":
    unittest.main()
