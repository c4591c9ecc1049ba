#!/usr/bin/env python3
"""Runs Kestrel Archive and the usual command-line archivers on the same
corpus, several times each, and prints markdown tables of the medians.

Each run is timed with wait4() and /usr/bin/time, so CPU time and peak
resident memory include the child processes a tool waits for (7zz under our
7z archiver). Output
folders are emptied before every run and the page cache is flushed to disk
with sync, so one run's write-back does not land in the next one's time.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024
CASES = ["compress-zip", "compress-7z", "extract-zip", "extract-7z", "extract-rar5", "extract-rar4"]


def log(message):
    print(message, file=sys.stderr, flush=True)


def tree_size(folder):
    files = total = 0
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            if os.path.isfile(path) and not os.path.islink(path):
                files += 1
                total += os.path.getsize(path)
    return files, total


def measure(argv, cwd):
    """Wall seconds, CPU seconds (user + system), peak RSS in KiB, exit code, error text.

    The peak comes from /usr/bin/time: a child forked from this Python process
    would inherit its memory high-water mark as a floor."""
    with tempfile.TemporaryFile() as errors, tempfile.NamedTemporaryFile("r") as peak:
        start = time.perf_counter()
        process = subprocess.Popen(["/usr/bin/time", "-q", "-f", "%M", "-o", peak.name] + argv, cwd=cwd,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        errors.seek(0)
        text = errors.read().decode(errors="replace").strip()
        rss = int(peak.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, rss, process.returncode, text


class Tool:
    def __init__(self, name, argv, ours=False):
        self.name = name
        self.argv = argv  # function(out_folder) -> argument list
        self.ours = ours


class Case:
    def __init__(self, name, tools, reference, produces_archive, source=None):
        self.name = name
        self.tools = tools
        # "fastest" or a tool name: what ours is compared with.
        self.reference = reference
        self.produces_archive = produces_archive
        self.source = source  # the archive an extraction reads


def build_cases(args, corpus, inputs):
    parent, name = os.path.split(corpus)
    ours = args.binary
    zip_in = os.path.join(inputs, name + ".zip")
    sz_in = os.path.join(inputs, name + ".7z")
    rar5_in = os.path.join(inputs, "rar5", name + ".rar")
    rar4_in = os.path.join(inputs, "rar4", name + ".rar")
    return {
        "compress-zip": Case("compress-zip", [
            Tool("kestrel-archive", lambda out: [ours, "compress", corpus, "--to", out], ours=True),
            Tool("zip -r -6", lambda out: ["zip", "-r", "-6", "-q", os.path.join(out, name + ".zip"), name]),
            Tool("bsdtar --format zip", lambda out: ["bsdtar", "--format", "zip", "-cf",
                                                     os.path.join(out, name + ".zip"), name]),
            Tool("7zz a -tzip", lambda out: ["7zz", "a", "-tzip", "-bd", os.path.join(out, name + ".zip"), name]),
        ], "zip -r -6", True),
        "compress-7z": Case("compress-7z", [
            Tool("kestrel-archive", lambda out: [ours, "compress", corpus, "--to", out, "--format", "7z"],
                 ours=True),
            Tool("7zz a -mx=6", lambda out: ["7zz", "a", "-t7z", "-mx=6", "-bd", os.path.join(out, name + ".7z"),
                                             name]),
        ], "7zz a -mx=6", True),
        "extract-zip": Case("extract-zip", [
            Tool("kestrel-archive", lambda out: [ours, "extract", zip_in, "--to", out], ours=True),
            Tool("unzip -q", lambda out: ["unzip", "-q", zip_in, "-d", out]),
            Tool("bsdtar -xf", lambda out: ["bsdtar", "-xf", zip_in, "-C", out]),
            Tool("7zz x", lambda out: ["7zz", "x", "-bd", "-y", "-o" + out, zip_in]),
        ], "fastest", False, zip_in),
        "extract-7z": Case("extract-7z", [
            Tool("kestrel-archive", lambda out: [ours, "extract", sz_in, "--to", out], ours=True),
            Tool("7zz x", lambda out: ["7zz", "x", "-bd", "-y", "-o" + out, sz_in]),
        ], "fastest", False, sz_in),
        "extract-rar5": Case("extract-rar5", [
            Tool("kestrel-archive", lambda out: [ours, "extract", rar5_in, "--to", out], ours=True),
            Tool("unar", lambda out: ["unar", "-q", "-o", out, rar5_in]),
            Tool("bsdtar -xf", lambda out: ["bsdtar", "-xf", rar5_in, "-C", out]),
        ], "fastest", False, rar5_in),
        "extract-rar4": Case("extract-rar4", [
            Tool("kestrel-archive", lambda out: [ours, "extract", rar4_in, "--to", out], ours=True),
            Tool("unar", lambda out: ["unar", "-q", "-o", out, rar4_in]),
            Tool("bsdtar -xf", lambda out: ["bsdtar", "-xf", rar4_in, "-C", out]),
        ], "fastest", False, rar4_in),
    }


def prepare_inputs(args, corpus, inputs, cases):
    """The archives the extraction cases read, made once by neutral tools."""
    parent, name = os.path.split(corpus)
    os.makedirs(inputs, exist_ok=True)
    steps = {
        "extract-zip": (os.path.join(inputs, name + ".zip"),
                        ["zip", "-r", "-6", "-q", os.path.join(inputs, name + ".zip"), name]),
        "extract-7z": (os.path.join(inputs, name + ".7z"),
                       ["7zz", "a", "-t7z", "-mx=6", "-bd", os.path.join(inputs, name + ".7z"), name]),
        "extract-rar5": (os.path.join(inputs, "rar5", name + ".rar"),
                         [args.rar_tool, "rar5", corpus, os.path.join(inputs, "rar5", name + ".rar")]),
        "extract-rar4": (os.path.join(inputs, "rar4", name + ".rar"),
                         [args.rar_tool, "rar4", corpus, os.path.join(inputs, "rar4", name + ".rar")]),
    }
    for case in cases:
        if case not in steps:
            continue
        path, argv = steps[case]
        if os.path.exists(path):
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        log("preparing %s" % path)
        subprocess.run(argv, cwd=parent, check=True, stdout=subprocess.DEVNULL)


def output_of(case, out, expected):
    """Size in bytes of what the run produced, and a problem or None."""
    if case.produces_archive:
        archives = [os.path.join(out, n) for n in os.listdir(out)]
        if len(archives) != 1 or not os.path.isfile(archives[0]):
            return 0, "expected one archive, found %s" % os.listdir(out)
        return os.path.getsize(archives[0]), None
    files, total = tree_size(out)
    if (files, total) != expected:
        return total, "extracted %d files / %d bytes, the corpus has %d / %d" % (files, total, *expected)
    return total, None


def run_case(case, corpus, work, runs, expected):
    parent = os.path.dirname(corpus)
    samples = {tool.name: [] for tool in case.tools}
    sizes = {}
    problems = {}
    if case.source:
        # The archive read comes from the page cache for every tool alike.
        subprocess.run(["cat", case.source], stdout=subprocess.DEVNULL, check=True)
    for run in range(runs):
        # A different tool goes first each run, so none always gets the coldest start.
        order = case.tools[run % len(case.tools):] + case.tools[:run % len(case.tools)]
        for tool in order:
            out = os.path.join(work, "out")
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            os.sync()
            wall, cpu, rss, code, errors = measure(tool.argv(out), parent)
            size, problem = output_of(case, out, expected)
            if code != 0:
                problem = "exit code %d: %s" % (code, errors[-300:])
            if problem:
                problems[tool.name] = problem
                log("  %s / %s: %s" % (case.name, tool.name, problem))
            samples[tool.name].append((wall, cpu, rss))
            sizes[tool.name] = size
            log("  %s run %d %-22s %7.2f s wall %7.2f s cpu %8.1f MiB peak" % (
                case.name, run + 1, tool.name, wall, cpu, rss / 1024))
            shutil.rmtree(out, ignore_errors=True)
    rows = []
    for tool in case.tools:
        walls, cpus, rsss = zip(*samples[tool.name])
        rows.append({
            "tool": tool.name,
            "ours": tool.ours,
            "wall": statistics.median(walls),
            "cpu": statistics.median(cpus),
            "rss_kib": max(rsss),
            "size": sizes[tool.name],
            "walls": list(walls),
            "problem": problems.get(tool.name),
        })
    others = [r for r in rows if not r["ours"] and not r["problem"]]
    if case.reference == "fastest":
        reference = min(others, key=lambda r: r["wall"]) if others else None
    else:
        reference = next((r for r in others if r["tool"] == case.reference), None)
    for row in rows:
        row["ratio"] = row["wall"] / reference["wall"] if reference else None
        row["cpu_ratio"] = row["cpu"] / reference["cpu"] if reference and reference["cpu"] else None
        row["size_ratio"] = row["size"] / reference["size"] if reference and reference["size"] else None
    return {"case": case.name, "reference": reference["tool"] if reference else None, "rows": rows}


def markdown(results, corpus_mib, runs):
    lines = [
        "| Case | Tool | Wall s (median) | CPU s (median) | Peak RSS MiB | Output MiB | Wall vs ref | Size vs ref |",
        "|---|---|---:|---:|---:|---:|---:|---:|",
    ]
    for result in results:
        for row in result["rows"]:
            tool = "**%s**" % row["tool"] if row["ours"] else row["tool"]
            if row["tool"] == result["reference"]:
                tool += " (ref)"
            ratio = "%.2fx" % row["ratio"] if row["ratio"] is not None else "-"
            size_ratio = "%.3fx" % row["size_ratio"] if row["size_ratio"] is not None else "-"
            note = " ⚠ %s" % row["problem"] if row["problem"] else ""
            lines.append("| %s | %s | %.2f | %.2f | %.1f | %.1f | %s | %s |%s" % (
                result["case"], tool, row["wall"], row["cpu"], row["rss_kib"] / 1024, row["size"] / MIB,
                ratio, size_ratio, note))
    lines.append("")
    lines.append("Corpus %.1f MiB, %d runs per tool; peak RSS is the largest of the runs; the reference "
                 "(ref) is the fastest other tool for extraction, `zip -6` for zip and `7zz` for 7z "
                 "creation; ratios compare medians of wall time. Output is the archive, or the bytes "
                 "extracted (checked against the corpus)." % (corpus_mib, runs))
    return "\n".join(lines)


def targets(results):
    by_case = {r["case"]: r for r in results}
    lines = ["| Target | Measured | Met |", "|---|---|---|"]

    def ours(case):
        return next(r for r in by_case[case]["rows"] if r["ours"])

    # Zip has our own reader on every core; the others run one engine each.
    extraction_limits = {"extract-zip": 0.4, "extract-7z": 1.05, "extract-rar5": 1.2, "extract-rar4": 1.2}
    for case, limit in extraction_limits.items():
        if case in by_case and ours(case)["ratio"] is not None:
            row = ours(case)
            lines.append("| %s at most %.2gx the fastest other (%s) | %.2fx wall, %.2fx CPU | %s |" % (
                case, limit, by_case[case]["reference"], row["ratio"], row["cpu_ratio"],
                "yes" if row["ratio"] <= limit and not row["problem"] else "no"))
    if "compress-7z" in by_case and ours("compress-7z")["ratio"] is not None:
        row = ours("compress-7z")
        met = row["ratio"] <= 1.05 and not row["problem"]
        lines.append("| 7z creation within 1.05x of 7zz | %.2fx wall, %.2fx CPU, %.4fx size | %s |" % (
            row["ratio"], row["cpu_ratio"], row["size_ratio"], "yes" if met else "no"))
    if "compress-zip" in by_case and ours("compress-zip")["ratio"] is not None:
        row = ours("compress-zip")
        met = row["ratio"] < 1.0 and row["size_ratio"] <= 1.0 and not row["problem"]
        lines.append("| zip creation faster than zip -6 at no worse size | %.2fx wall, %.2fx CPU, %.4fx size | %s |"
                     % (row["ratio"], row["cpu_ratio"], row["size_ratio"], "yes" if met else "no"))
    return "\n".join(lines)


def memory_by_size(results_dir):
    """Our peak RSS per case for every corpus size measured so far."""
    runs = []
    for name in sorted(os.listdir(results_dir)):
        if name.endswith(".json"):
            with open(os.path.join(results_dir, name)) as f:
                runs.append(json.load(f))
    if len(runs) < 2:
        return None
    runs.sort(key=lambda r: r["corpus_mib"])
    cases = [c for c in CASES if any(c in r["cases"] for r in runs)]
    lines = ["| Case | " + " | ".join("%.0f MiB corpus" % r["corpus_mib"] for r in runs) + " |",
             "|---|" + "---:|" * len(runs)]
    for case in cases:
        cells = []
        for r in runs:
            row = r["cases"].get(case)
            cells.append("%.1f" % (row["rss_kib"] / 1024) if row else "-")
        lines.append("| %s | %s |" % (case, " | ".join(cells)))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--binary", required=True)
    parser.add_argument("--rar-tool", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--cases", default=",".join(CASES))
    parser.add_argument("--results", help="folder that keeps our peak memory per corpus size")
    args = parser.parse_args()

    cases = [c for c in args.cases.split(",") if c]
    unknown = [c for c in cases if c not in CASES]
    if unknown:
        sys.exit("compare: unknown case(s) %s; known: %s" % (", ".join(unknown), ", ".join(CASES)))
    corpus = os.path.abspath(args.corpus)
    work = os.path.abspath(args.work)
    inputs = os.path.join(work, "inputs")
    expected = tree_size(corpus)
    corpus_mib = expected[1] / MIB
    prepare_inputs(args, corpus, inputs, cases)
    all_cases = build_cases(args, corpus, inputs)
    results = []
    for name in cases:
        log("%s" % name)
        results.append(run_case(all_cases[name], corpus, work, args.runs, expected))

    print("## Archivers side by side\n")
    print(markdown(results, corpus_mib, args.runs))
    print("\n## Targets\n")
    print(targets(results))
    if args.results:
        os.makedirs(args.results, exist_ok=True)
        record = {
            "corpus_mib": corpus_mib,
            "runs": args.runs,
            "cases": {r["case"]: next(row for row in r["rows"] if row["ours"]) for r in results},
            "all": results,
        }
        with open(os.path.join(args.results, "%dmib.json" % round(corpus_mib)), "w") as f:
            json.dump(record, f, indent=1)
        table = memory_by_size(args.results)
        if table:
            print("\n## Our peak memory (MiB) by corpus size\n")
            print(table)


if __name__ == "__main__":
    main()
