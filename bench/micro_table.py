#!/usr/bin/env python3
"""Turns Google Benchmark's JSON output into a markdown table, with the
working-list target (100,000 paths added in under a second) checked."""

import json
import sys

UNITS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def main():
    with open(sys.argv[1]) as f:
        report = json.load(f)
    context = report["context"]
    print("## Micro-benchmarks\n")
    print("%d CPUs at %d MHz; Debian's Google Benchmark library is a %s build (its own timing "
          "code only).\n" % (context["num_cpus"], context["mhz_per_cpu"],
                              context.get("library_build_type", "?")))
    print("| Benchmark | Time ms | CPU ms | Iterations | Items/s | Counters |")
    print("|---|---:|---:|---:|---:|---|")
    add_files = {}
    for row in report["benchmarks"]:
        if row.get("error_occurred"):
            print("| %s | ⚠ %s | | | | |" % (row["name"], row.get("error_message", "error")))
            continue
        if row.get("run_type") == "aggregate":
            # Fitted growth: time = coefficient x N^k, and the fit's error.
            if row.get("aggregate_name") == "BigO":
                print("| %s | %.3g ns x %s | | | | fitted growth |"
                      % (row["name"], row["real_coefficient"], row["big_o"]))
            elif row.get("aggregate_name") == "RMS":
                print("| %s | %.0f%% | | | | fit error |" % (row["name"], row["rms"] * 100))
            continue
        scale = UNITS[row["time_unit"]]
        real = row["real_time"] * scale
        cpu = row["cpu_time"] * scale
        counters = ", ".join("%s=%.2f" % (k, v) for k, v in row.items() if k == "worker_post_ms")
        items = row.get("items_per_second")
        print("| %s | %.3f | %.3f | %d | %s | %s |" % (
            row["name"], real, cpu, row["iterations"], "%.3g" % items if items else "", counters))
        if row["name"].startswith("BM_addFiles/") and row["name"].endswith("/100000"):
            add_files[row["name"].split("/")[1]] = real
    if add_files:
        print("\n| Target | Measured | Met |\n|---|---|---|")
        for variant, ms in sorted(add_files.items()):
            print("| adding 100,000 paths under 1 s (%s) | %.3f s | %s |" % (
                variant, ms / 1e3, "yes" if ms < 1e3 else "no"))


if __name__ == "__main__":
    main()
