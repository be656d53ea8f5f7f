#!/usr/bin/env python3
"""jumpbench-compare as a user runs it, on made-up runs of the stats tool: three processors,
one of them twice. The table's cells are the runs' own pairs (or their reciprocals where the
reference layout is the pair's first), on the console, in CSV and in Markdown; runs of one
processor are grouped with their spread; different builds and texts are said; the chart is
a PNG, and its gnuplot script carries the same figures; bad input is one line each, exit 2,
and no file written; --trim keeps the context and the pairs.

usage: compare_tool_test.py TOOL [unittest arguments]
"""
import csv
import io
import json
import os
import random
import re
import stat
import subprocess
import sys
import tempfile
import unittest

TOOL = sys.argv.pop(1)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
LAYOUTS = ["few_jumps", "many_jumps", "pair_step", "switch"]
OFFSETS = [0, 48]
TEXT = "the long sample, 499 bytes, FNV-1a 64 d395c2ed13a2ee79"

PROCESSORS = {
    "zen4": {"processor_vendor": "AuthenticAMD", "processor_family": "25", "processor_model": "17",
             "processor_stepping": "1", "processor_name": "AMD EPYC 9R14 96-Core Processor",
             "microarchitecture": "Zen 4", "hypervisor": "yes (KVMKVMKVM)"},
    "zen5": {"processor_vendor": "AuthenticAMD", "processor_family": "26", "processor_model": "2",
             "processor_stepping": "1", "processor_name": "AMD EPYC 9R45 96-Core Processor",
             "microarchitecture": "Zen 5", "hypervisor": "yes (KVMKVMKVM)"},
    "spr": {"processor_vendor": "GenuineIntel", "processor_family": "6", "processor_model": "143",
            "processor_stepping": "8", "processor_name": "Intel(R) Xeon(R) Platinum 8488C",
            "microarchitecture": "Sapphire Rapids", "hypervisor": "no"},
}


def name(layout, sample, offset):
    return f"{layout}/{sample}/offset:{offset}/manual_time"


def made_up_run(processor, seed, architecture="x86_64", text=TEXT, layouts=LAYOUTS, verdicts=True):
    """A run as the stats tool writes it: Google Benchmark's context and the tool's lines,
    benchmarks with a NaN counter (as Google Benchmark writes one), and the pairs in the
    tool's order: every two layouts at each offset (the earlier layout first), each copy
    against its offset 0, the A/A control."""
    rng = random.Random(seed)
    context = {"date": f"2026-12-10T10:{seed:02d}:00+00:00", "host_name": f"host{seed}",
               "executable": "./build/x86_64-linux/jumpbench-stats", "num_cpus": 2,
               "architecture": architecture, "text": text, "tick_rate": "2600.0 MHz"}
    context.update(PROCESSORS[processor])
    pairs = []

    def pair(first, second, kind, sample, interval=True):
        median = round(rng.uniform(0.4, 2.5), 6)
        entry = {"first": first, "second": second, "kind": kind, "sample": sample, "median": median,
                 "low": round(median * rng.uniform(0.9, 0.999), 6) if interval else None,
                 "high": round(median * rng.uniform(1.001, 1.1), 6) if interval else None,
                 "confidence": 0.978516, "rounds": 300, "blocks": 10, "interval_over": "processes"}
        if verdicts:
            entry["verdict"] = f"made-up verdict {len(pairs)}"
            entry["delta"] = round(1 - median, 4)
        pairs.append(entry)

    for a in range(len(layouts)):
        for b in range(a + 1, len(layouts)):
            for offset in OFFSETS:
                # One pair without an interval, as where too few blocks held one.
                pair(name(layouts[a], "long", offset), name(layouts[b], "long", offset), "layouts", "long",
                     interval=(a, b, offset) != (0, 1, 48))
    for offset in OFFSETS:
        pair(name("few_jumps", "short", offset), name("many_jumps", "short", offset), "layouts", "short")
    for layout in layouts:
        pair(name(layout, "long", 48), name(layout, "long", 0), "placement", "long")
    pair(name("few_jumps", "long", 0), "few_jumps/long/offset:0/twin", "a/a", "long")
    # Between the benchmarks and the pairs, as Google Benchmark's JSON is laid out; NaN is
    # not JSON, but the real tool's files have it.
    benchmarks = '[{"name": "few_jumps/long/offset:0/manual_time_mean", "boundary_jumps": NaN}]'
    return ('{"context": ' + json.dumps(context, indent=2) + ',\n"benchmarks": ' + benchmarks +
            ',\n"pairs": ' + json.dumps(pairs, indent=2) + "}\n"), pairs


def run(*arguments, env=None):
    return subprocess.run([TOOL, *arguments], capture_output=True, text=True, env=env, timeout=120)


def expected_cell(pairs, layout, reference, sample, offset):
    """The run's own pair of the layout and the reference, as the table must give it."""
    for p in pairs:
        if p["kind"] != "layouts" or p["sample"] != sample:
            continue
        first, second = p["first"], p["second"]
        if first == name(layout, sample, offset) and second == name(reference, sample, offset):
            return p["median"], p["low"], p["high"], False, p
        if first == name(reference, sample, offset) and second == name(layout, sample, offset):
            low = None if p["high"] is None else 1 / p["high"]
            high = None if p["low"] is None else 1 / p["low"]
            return 1 / p["median"], low, high, True, p
    return None


def verdict(low, high):
    if low is None:
        return "no interval"
    return "faster" if high < 1 else "slower" if low > 1 else "no difference shown"


class Runs(unittest.TestCase):
    """Four runs: Zen 4, Zen 5, Zen 4 again, Sapphire Rapids; the Zen 4 runs are A1 and A2."""

    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.TemporaryDirectory()
        cls.files, cls.pairs = [], []
        for index, processor in enumerate(["zen4", "zen5", "zen4", "spr"]):
            text, pairs = made_up_run(processor, seed=index + 1, verdicts=index != 1)
            path = os.path.join(cls.directory.name, f"run{index + 1}.json")
            with open(path, "w") as file:
                file.write(text)
            cls.files.append(path)
            cls.pairs.append(pairs)
        # File order → column: zen4 (A1), zen5 (B1), zen4 (A2), spr (C1).
        cls.columns = {"A1": 0, "B1": 1, "A2": 2, "C1": 3}

    @classmethod
    def tearDownClass(cls):
        cls.directory.cleanup()

    def path(self, name):
        return os.path.join(self.directory.name, name)

    def test_csv_cells_are_the_runs_pairs_for_every_reference(self):
        for reference in LAYOUTS:
            with self.subTest(reference=reference):
                out = self.path(f"table-{reference}.csv")
                result = run(f"--reference={reference}", f"--csv={out}", *self.files)
                self.assertEqual(result.returncode, 0, result.stderr)
                with open(out) as file:
                    rows = list(csv.DictReader(file))
                expected_count = 0
                for column, index in self.columns.items():
                    for sample, layouts in (("long", LAYOUTS), ("short", ["few_jumps", "many_jumps"])):
                        if reference not in layouts:
                            continue
                        for layout in layouts:
                            for offset in OFFSETS:
                                want = expected_cell(self.pairs[index], layout, reference, sample, offset)
                                if want is None:
                                    continue
                                expected_count += 1
                                ratio, low, high, inverted, pair = want
                                got = [r for r in rows if (r["column"], r["sample"], r["layout"], r["offset"])
                                       == (column, sample, layout, str(offset))]
                                self.assertEqual(len(got), 1, (column, sample, layout, offset))
                                got = got[0]
                                self.assertAlmostEqual(float(got["ratio"]), ratio, delta=ratio * 1e-8)
                                if low is None:
                                    self.assertEqual((got["low"], got["high"]), ("", ""))
                                else:
                                    self.assertAlmostEqual(float(got["low"]), low, delta=low * 1e-8)
                                    self.assertAlmostEqual(float(got["high"]), high, delta=high * 1e-8)
                                self.assertEqual(got["verdict"], verdict(low, high))
                                self.assertEqual(got["inverted"], "yes" if inverted else "no")
                                self.assertEqual(got["file"], self.files[index])
                                self.assertEqual(got["run_verdict"], pair.get("verdict", ""))
                                self.assertEqual(got["delta"], "%.10g" % pair["delta"] if "delta" in pair else "")
                                self.assertEqual(got["reference"], reference)
                self.assertEqual(len(rows), expected_count)

    def console_cells(self, stdout):
        """{(sample, layout, offset): {column: cell}} from the console tables."""
        cells, sample, header = {}, None, None
        for line in stdout.splitlines():
            if line.endswith(" sample"):
                sample = line.split()[0]
            elif line.startswith("layout "):
                header = re.split(r"\s{2,}", line.strip())
            elif sample and header and line and not line.startswith(" ") and line != "columns:":
                fields = re.split(r"\s{2,}", line.strip())
                self.assertEqual(len(fields), len(header), line)
                cells[(sample, fields[0], int(fields[1]))] = dict(zip(header[2:], fields[2:]))
            elif line == "columns:":
                break
        return cells

    def test_console_cells_and_spread(self):
        result = run(*self.files)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        cells = self.console_cells(result.stdout)
        # Every layout but the reference at every offset, and the short sample's one.
        self.assertEqual(len(cells), 3 * len(OFFSETS) + len(OFFSETS))
        for (sample, layout, offset), row in cells.items():
            self.assertEqual(list(row), ["A1", "A2", "A spread", "B1", "C1"])
            ratios = []
            for column, index in self.columns.items():
                ratio, low, high, _, _ = expected_cell(self.pairs[index], layout, "few_jumps", sample, offset)
                ratios.append(ratio) if column.startswith("A") else None
                if low is None:
                    want = "%.3f (no interval)" % ratio
                else:
                    word = {"no difference shown": "="}.get(verdict(low, high), verdict(low, high))
                    want = "%.3f [%.3f, %.3f] %s" % (ratio, low, high, word)
                self.assertEqual(row[column], want, (sample, layout, offset, column))
            self.assertEqual(row["A spread"], "%.3f to %.3f (2 runs)" % (min(ratios), max(ratios)))
        legend = result.stdout.split("columns:\n", 1)[1]
        self.assertIn("A: AMD EPYC 9R14 96-Core Processor (AuthenticAMD family 25 model 17 stepping 1, "
                      "Zen 4, under a hypervisor (KVMKVMKVM))", legend)
        self.assertIn("C: Intel(R) Xeon(R) Platinum 8488C (GenuineIntel family 6 model 143 stepping 8, "
                      "Sapphire Rapids)", legend)
        self.assertEqual(legend.count("x86_64 build, text: " + TEXT), 3)
        for column, index in self.columns.items():
            control = [p for p in self.pairs[index] if p["kind"] == "a/a"][0]
            word = {"no difference shown": "="}.get(verdict(control["low"], control["high"]),
                                                   verdict(control["low"], control["high"]))
            self.assertIn(f"{column}: 2026-12-10T10:{index + 1:02d}:00+00:00, {self.files[index]}, "
                          "A/A control %.3f [%.3f, %.3f] %s\n" % (control["median"], control["low"],
                                                                  control["high"], word), legend)
        self.assertNotIn("note:", result.stdout)

    def test_markdown_holds_the_same_cells(self):
        out = self.path("table.md")
        console = run(*self.files).stdout
        result = run(f"--markdown={out}", *self.files)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out) as file:
            markdown = file.read()
        self.assertIn("| layout | offset | A1 | A2 | A spread | B1 | C1 |", markdown)
        for (sample, layout, offset), row in self.console_cells(console).items():
            self.assertIn(f"| {layout} | {offset} | " + " | ".join(row.values()) + " |", markdown)

    def test_other_builds_and_texts_are_columns_of_their_own_and_said(self):
        other_text = TEXT.replace("d395c2ed13a2ee79", "0123456789abcdef")
        paths = []
        for index, (architecture, text) in enumerate([("i386", TEXT), ("x86_64", other_text)]):
            content, _ = made_up_run("zen4", seed=10 + index, architecture=architecture, text=text)
            paths.append(self.path(f"other{index}.json"))
            with open(paths[-1], "w") as file:
                file.write(content)
        result = run(self.files[0], *paths)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("note: the columns measured different builds (2 architectures)", result.stdout)
        self.assertIn("note: the columns measured different texts (2)", result.stdout)
        # The same processor three times, but three groups: nothing is pooled across builds.
        self.assertRegex(result.stdout, r"\nlayout +offset +A1 +B1 +C1\n")
        self.assertNotIn("spread", result.stdout)
        self.assertIn("i386 build, text: " + TEXT, result.stdout)
        self.assertIn("x86_64 build, text: " + other_text, result.stdout)

    def test_chart_is_a_png(self):
        out = self.path("chart.png")
        result = run(f"--chart={out}", *self.files)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, "rb") as file:
            self.assertEqual(file.read(8), PNG_SIGNATURE)

    def fake_gnuplot(self, body):
        directory = self.path("fake-bin")
        os.makedirs(directory, exist_ok=True)
        with open(os.path.join(directory, "gnuplot"), "w") as file:
            file.write("#!/bin/sh\n" + body)
        os.chmod(os.path.join(directory, "gnuplot"), 0o755)
        return dict(os.environ, PATH=directory + os.pathsep + os.environ["PATH"])

    def test_chart_script_carries_the_cells_and_a_colour_per_machine(self):
        script_copy = self.path("script.gp")
        env = self.fake_gnuplot(f"cat > {script_copy}\nprintf '\\211PNG\\r\\n\\032\\nfake'\n")
        out = self.path("fake.png")
        result = run(f"--chart={out}", "--offset=48", *self.files, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(script_copy) as file:
            script = file.read()
        self.assertIn("set style histogram errorbars", script)
        self.assertIn("at offset 48", script)
        # The long sample's block: a line per layout but the reference, the columns' median,
        # low and high in column order (the median itself where there is no interval).
        block = script.split("$sample0 << EOD\n", 1)[1].split("EOD\n", 1)[0].splitlines()
        self.assertEqual([line.split()[0] for line in block], ['"many_jumps"', '"pair_step"', '"switch"'])
        order = ["A1", "A2", "B1", "C1"]
        for line in block:
            layout, figures = line.split()[0].strip('"'), [float(x) for x in line.split()[1:]]
            self.assertEqual(len(figures), 3 * len(order))
            for position, column in enumerate(order):
                ratio, low, high, _, _ = expected_cell(self.pairs[self.columns[column]], layout, "few_jumps",
                                                       "long", 48)
                want = [ratio, low if low is not None else ratio, high if high is not None else ratio]
                for got, expected in zip(figures[3 * position:3 * position + 3], want):
                    self.assertAlmostEqual(got, expected, delta=expected * 1e-7)
        # One bar per run, a colour per group: A1 and A2 share one; each group named once.
        first_panel = script.split("\nplot", 1)[1].split("\nset ", 1)[0]
        colours = re.findall(r'lc rgb "(#[0-9a-f]{6})"', first_panel)
        self.assertEqual(len(colours), 4)
        self.assertEqual(colours[0], colours[1])
        self.assertEqual(len({colours[0], colours[2], colours[3]}), 3)
        self.assertEqual(len(re.findall(r' title "[ABC]: ', first_panel)), 3)
        with open(out, "rb") as file:
            self.assertEqual(file.read(), PNG_SIGNATURE + b"fake")

    def test_a_failing_gnuplot_writes_no_file(self):
        env = self.fake_gnuplot("cat > /dev/null\necho 'line 3: bad' >&2\nexit 1\n")
        out, table = self.path("failed.png"), self.path("failed.csv")
        result = run(f"--chart={out}", f"--csv={table}", *self.files, env=env)
        self.assertEqual(result.returncode, 1)
        self.assertIn("jumpbench-compare: gnuplot failed with exit code 1; nothing written", result.stderr)
        self.assertFalse(os.path.exists(out))
        self.assertFalse(os.path.exists(table))
        self.assertEqual(result.stdout, "")

    def test_trim_keeps_context_and_pairs_and_compares_the_same(self):
        trimmed = self.path("trimmed.json")
        result = run(f"--trim={trimmed}", self.files[0])
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(trimmed) as file:
            document = json.load(file)
        self.assertEqual(list(document), ["context", "pairs"])
        self.assertEqual(document["pairs"], self.pairs[0])
        self.assertEqual(document["context"]["processor_name"], PROCESSORS["zen4"]["processor_name"])
        full, small = self.path("full.csv"), self.path("small.csv")
        run(f"--csv={full}", self.files[0])
        run(f"--csv={small}", trimmed)
        with open(full) as a, open(small) as b:
            self.assertEqual(a.read().replace(self.files[0], "FILE"), b.read().replace(trimmed, "FILE"))


class RunVerdicts(unittest.TestCase):
    """A run that judged its pairs against its noise band gives its own word, turned round
    where the reference is the pair's first; a run without words is judged by its interval."""

    def test_the_runs_word_turned_round_for_the_reference_first(self):
        with tempfile.TemporaryDirectory() as directory:
            text, pairs = made_up_run("zen4", seed=7)
            document = json.loads(text.replace("NaN", "null"))
            words = ["faster", "slower", "same", "unclear"]
            for index, pair in enumerate(document["pairs"]):
                pair["verdict"] = words[index % 4]
            path, out = os.path.join(directory, "run.json"), os.path.join(directory, "t.csv")
            with open(path, "w") as file:
                json.dump(document, file)
            result = run("--reference=many_jumps", f"--csv={out}", path)
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(out) as file:
                rows = [r for r in csv.DictReader(file) if r["layout"] != "many_jumps"]
            turned = {"faster": "slower", "slower": "faster", "same": "same", "unclear": "unclear"}
            checked = 0
            for row in rows:
                want = expected_cell(document["pairs"], row["layout"], "many_jumps", row["sample"],
                                     int(row["offset"]))
                self.assertIsNotNone(want)
                inverted, pair = want[3], want[4]
                self.assertEqual(row["verdict"], turned[pair["verdict"]] if inverted else pair["verdict"])
                checked += 1
            self.assertGreaterEqual(checked, 8)  # 2 layouts at 4 offsets, long and short


class BadInput(unittest.TestCase):
    """One line per bad input, exit 2, no output file made and none that was there changed."""

    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        good, _ = made_up_run("zen4", seed=1)
        self.good = self.write("good.json", good)

    def tearDown(self):
        self.directory.cleanup()

    def good_document(self):
        with open(self.good) as file:
            return json.loads(file.read().replace("NaN", "null"))

    def write(self, name, text):
        path = os.path.join(self.directory.name, name)
        with open(path, "w") as file:
            file.write(text)
        return path

    def check_refused(self, arguments, lines):
        outputs = {flag: os.path.join(self.directory.name, "out." + flag) for flag in ("csv", "markdown")}
        kept = os.path.join(self.directory.name, "kept.png")
        with open(kept, "w") as file:
            file.write("the earlier chart")
        result = run(*[f"--{flag}={path}" for flag, path in outputs.items()], f"--chart={kept}", *arguments)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertEqual(result.stderr.splitlines(), lines)
        self.assertEqual(result.stdout, "")
        for path in outputs.values():
            self.assertFalse(os.path.exists(path))
        with open(kept) as file:
            self.assertEqual(file.read(), "the earlier chart")
        # No temporary file left beside them.
        self.assertEqual([n for n in os.listdir(self.directory.name) if n.startswith(".")], [])

    def test_not_a_run(self):
        not_json = self.write("notes.txt", "few_jumps 0.9\n")
        array = self.write("array.json", "[1, 2]")
        other = self.write("other.json", json.dumps({"context": {"date": "x", "host_name": "h"},
                                                      "benchmarks": []}))
        self.check_refused([self.good, not_json, array, other], [
            f"jumpbench-compare: {not_json}: not a run of jumpbench-stats (not JSON)",
            f"jumpbench-compare: {array}: not a run of jumpbench-stats (no \"context\" object)",
            f"jumpbench-compare: {other}: not a run of jumpbench-stats (its context has no "
            "\"architecture\" and \"text\" lines)",
        ])

    def test_missing_file(self):
        missing = os.path.join(self.directory.name, "missing.json")
        self.check_refused([self.good, missing], [f"jumpbench-compare: {missing}: cannot be read"])

    def test_run_without_pairs(self):
        good = self.good_document()
        no_key = self.write("no_key.json", json.dumps({"context": good["context"], "benchmarks": []}))
        empty = self.write("empty.json", json.dumps({"context": good["context"], "pairs": []}))
        placement_only = self.write("placement.json", json.dumps(
            {"context": good["context"], "pairs": [p for p in good["pairs"] if p["kind"] != "layouts"]}))
        self.check_refused([no_key, self.good, empty, placement_only], [
            f"jumpbench-compare: {no_key}: a run without pairs (no \"pairs\" list, or an empty one)",
            f"jumpbench-compare: {empty}: a run without pairs (no \"pairs\" list, or an empty one)",
            f"jumpbench-compare: {placement_only}: a run without pairs of layouts (only one layout measured?)",
        ])

    def test_malformed_pairs(self):
        good = self.good_document()
        cases = [("median", "not a number", "no \"median\" above 0"),
                 ("median", 0, "no \"median\" above 0"),
                 ("first", "few_jumps", "\"first\" or \"second\" is not layout/sample/offset:N"),
                 ("low", 5.0, "\"low\" and \"high\" are not an interval around the median"),
                 ("high", None, "\"low\" and \"high\" are not an interval around the median"),
                 ("second", "many_jumps/long/offset:16/manual_time", "two layouts at different offsets or samples")]
        for key, value, words in cases:
            with self.subTest(key=key, value=value):
                document = json.loads(json.dumps(good))
                document["pairs"][2][key] = value
                path = self.write("bad.json", json.dumps(document))
                self.check_refused([path], [f"jumpbench-compare: {path}: pair 3 is malformed ({words})"])

    def test_runs_of_different_layouts(self):
        fewer, _ = made_up_run("zen5", seed=2, layouts=LAYOUTS[:3])
        fewer = self.write("fewer.json", fewer)
        self.check_refused([self.good, fewer], [
            f"jumpbench-compare: runs of different layouts: {fewer} lacks switch and has none beyond {self.good}"])

    def test_reference_not_measured(self):
        self.check_refused(["--reference=jump_table", self.good], [
            "jumpbench-compare: reference layout 'jump_table' is not among the runs' layouts "
            "(few_jumps, many_jumps, pair_step, switch)"])

    def test_bad_flags(self):
        for arguments, line in [([], "no run given (--help)"),
                                (["--offset=x", self.good], "'--offset=x': the offset is a number of bytes, 0 to 9999 (--help)"),
                                (["--colour", self.good], "unknown flag '--colour' (--help)"),
                                (["--csv=", self.good], "'--csv=' needs a value (--help)"),
                                (["--trim=a.json", self.good, self.good], "--trim takes one run and no other output (--help)")]:
            with self.subTest(arguments=arguments):
                result = run(*arguments)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stderr, f"jumpbench-compare: {line}\n")

    def test_chart_offset_not_measured(self):
        chart = os.path.join(self.directory.name, "none.png")
        result = run(f"--chart={chart}", "--offset=16", self.good)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stderr, "jumpbench-compare: --offset=16: no layout was measured at that offset\n")
        self.assertFalse(os.path.exists(chart))

    def test_offset_is_digits_only(self):
        for offset in ("+5", " 5", "5 ", "-1", "10000", "0x10"):
            with self.subTest(offset=offset):
                result = run(f"--offset={offset}", self.good)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stderr, f"jumpbench-compare: '--offset={offset}': the offset is a "
                                                "number of bytes, 0 to 9999 (--help)\n")

    def test_standard_output_that_cannot_be_written(self):
        # The help, and the table before any file: exit 1, one line, no file written.
        table = os.path.join(self.directory.name, "t.csv")
        for arguments in (["--help"], [f"--csv={table}", self.good]):
            with self.subTest(arguments=arguments), open("/dev/full", "w") as full:
                result = subprocess.run([TOOL, *arguments], stdout=full, stderr=subprocess.PIPE, text=True,
                                        timeout=120)
                self.assertEqual(result.returncode, 1)
                self.assertRegex(result.stderr, r"^jumpbench-compare: cannot write standard output: .+\n\Z")
        self.assertEqual(os.listdir(self.directory.name), [os.path.basename(self.good)])

    def test_output_that_cannot_be_written(self):
        # A directory in the file's place: found before any file is written, so none is;
        # no temporary file stays.
        directory = os.path.join(self.directory.name, "a-directory")
        os.mkdir(directory)
        table = os.path.join(self.directory.name, "t.csv")
        result = run(f"--csv={table}", f"--markdown={directory}", self.good)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, f"jumpbench-compare: '{directory}' is not a regular file; nothing written\n")
        self.assertEqual(result.stdout, "")
        self.assertFalse(os.path.exists(table))
        self.assertEqual([n for n in os.listdir(self.directory.name) if n.startswith(".")], [])


if __name__ == "__main__":
    unittest.main()
