#!/usr/bin/env python3
"""Peak resident memory by entry count: extracts (and compresses again) zip
archives of many tiny files with Kestrel Archive and with bsdtar / zip, and
prints a markdown table. Memory that grows with the entry count shows up as
the per-entry column; a flat engine keeps it near zero.

The archives are written once per count into the work folder and kept there
(--work), since writing a million entries takes minutes.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

MIB = 1024 * 1024


def log(message):
    print(message, file=sys.stderr, flush=True)


def make_zip(path, count):
    """`count` files of a few bytes, a thousand to a folder."""
    if os.path.exists(path):
        return
    log(f"writing {path}")
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as archive:
        for index in range(count):
            archive.writestr(f"files/{index // 1000:04d}/file-{index:07d}.txt", f"{index}\n")
    os.replace(partial, path)


def peak_kib(argv, cwd):
    """Peak resident KiB of `argv` as /usr/bin/time sees it; None when it failed."""
    with tempfile.NamedTemporaryFile("r") as peak:
        result = subprocess.run(["/usr/bin/time", "-q", "-f", "%M", "-o", peak.name] + argv, cwd=cwd,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        if result.returncode != 0:
            log(f"{argv[0]} failed ({result.returncode}): {result.stderr.decode(errors='replace').strip()}")
            return None
        return int(peak.read().split()[-1])


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def measure(binary, work, count, compress):
    archive = os.path.join(work, f"tiny-{count}.zip")
    make_zip(archive, count)
    row = {"count": count}
    log(f"extracting {count} entries")
    row["extract"] = peak_kib([binary, "extract", archive, "--to", fresh(os.path.join(work, "out"))], work)
    row["bsdtar"] = peak_kib(["bsdtar", "-xf", archive, "-C", fresh(os.path.join(work, "ref"))], work)
    if compress:
        tree = os.path.join(work, "out", f"tiny-{count}")
        log(f"compressing {count} files")
        row["compress"] = peak_kib([binary, "compress", tree, "--to", fresh(os.path.join(work, "zipped"))], work)
        row["zip"] = peak_kib(["zip", "-r", "-q", "-1", os.path.join(work, "zipped", "ref.zip"), "."], tree)
    for folder in ("out", "ref", "zipped"):
        shutil.rmtree(os.path.join(work, folder), ignore_errors=True)
    return row


def mib(kib):
    return "failed" if kib is None else f"{kib / 1024:.1f}"


def per_entry(rows, key):
    """Bytes per entry between the smallest and the largest count."""
    first, last = rows[0], rows[-1]
    if len(rows) < 2 or first.get(key) is None or last.get(key) is None:
        return "-"
    return f"{(last[key] - first[key]) * 1024 / (last['count'] - first['count']):.0f}"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--binary", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--counts", default="20000,200000,1000000")
    parser.add_argument("--no-compress", action="store_true")
    options = parser.parse_args()

    os.makedirs(options.work, exist_ok=True)
    counts = sorted(int(count) for count in options.counts.split(","))
    compress = not options.no_compress
    rows = [measure(os.path.abspath(options.binary), options.work, count, compress) for count in counts]

    keys = [("extract", "extract"), ("bsdtar", "bsdtar -xf")]
    if compress:
        keys += [("compress", "compress"), ("zip", "zip -r -1")]
    print("## Peak resident memory by entry count (MiB)")
    print()
    print("| Entries | " + " | ".join(title for _, title in keys) + " |")
    print("|---:|" + "---:|" * len(keys))
    for row in rows:
        print(f"| {row['count']:,} | " + " | ".join(mib(row.get(key)) for key, _ in keys) + " |")
    print("| bytes per entry | " + " | ".join(per_entry(rows, key) for key, _ in keys) + " |")


if __name__ == "__main__":
    main()
