#!/usr/bin/env python3
"""Writes the benchmark corpus: the same bytes, names and times for the same
seed and size, whatever the machine.

Shares of the requested size: a source-code-like tree of many small text
files, a few large compressible files (log, CSV, a disk-image-like file),
incompressible random data, plus a deep narrow tree and Unicode names.
"""

import argparse
import os
import random
import shutil
import sys

MIB = 1024 * 1024
# Fixed, so archives of the corpus differ only by the tool that made them.
MTIME = 1_700_000_000
CHUNK = 4 * MIB


def words(rng, count, lo=3, hi=12):
    letters = "abcdefghijklmnopqrstuvwxyz"
    return ["".join(rng.choices(letters, k=rng.randint(lo, hi))) for _ in range(count)]


class SourceText:
    """C++-like lines from a fixed vocabulary: compresses like real code."""

    def __init__(self, rng):
        self.rng = rng
        self.names = words(rng, 4000)
        self.types = ["int", "QString", "std::size_t", "bool", "double", "auto", "QByteArray"]
        self.templates = [
            "{i}{t} {a} = {b}({c}, {n});",
            "{i}if ({a} != {b}) {{",
            "{i}return {a}.{b}({c});",
            "{i}}}",
            "{i}// {a} {b} {c} {d} the {e}",
            "{i}for (const auto& {a} : {b}) {{",
            "{i}{a}->{b}({n}, {c});",
            "{i}static constexpr {t} k{A} = {n};",
            "",
            "{i}{t} {a}::{b}(const {t}& {c}) const",
        ]

    def lines(self, count):
        rng, names = self.rng, self.names
        out = []
        for _ in range(count):
            pick = rng.choices(names, k=5)
            out.append(
                rng.choice(self.templates).format(
                    i="    " * rng.randint(0, 3),
                    t=rng.choice(self.types),
                    a=pick[0],
                    b=pick[1],
                    c=pick[2],
                    d=pick[3],
                    e=pick[4],
                    A=pick[0].capitalize(),
                    n=rng.randint(0, 4096),
                )
            )
        return "\n".join(out) + "\n"

    def file(self, size):
        text = self.lines(max(1, size // 32))
        return text.encode()[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_stream(path, size, chunk_maker):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            chunk = chunk_maker(min(left, CHUNK))[:left]
            f.write(chunk)
            left -= len(chunk)


def source_tree(rng, root, budget):
    text = SourceText(rng)
    modules = words(rng, 60, 4, 9)
    extensions = [".cpp", ".h", ".py", ".md", ".json", ".txt"]
    used = 0
    index = 0
    while used < budget:
        folder = os.path.join(root, "src", rng.choice(modules), rng.choice(modules[:12]))
        size = min(budget - used, int(rng.lognormvariate(8.5, 1.0)) + 64)
        name = "%s_%d%s" % (rng.choice(text.names), index, rng.choice(extensions))
        write(os.path.join(folder, name), text.file(size))
        used += size
        index += 1
    return index


def log_chunk(rng):
    levels = ["INFO"] * 8 + ["DEBUG"] * 4 + ["WARN", "ERROR"]
    paths = ["/api/v1/" + w for w in words(rng, 200)]

    def make(size):
        lines = []
        total = 0
        while total < size:
            line = "2024-%02d-%02dT%02d:%02d:%02d.%03dZ %s [worker-%d] %s %s status=%d bytes=%d ms=%d\n" % (
                rng.randint(1, 12),
                rng.randint(1, 28),
                rng.randint(0, 23),
                rng.randint(0, 59),
                rng.randint(0, 59),
                rng.randint(0, 999),
                rng.choice(levels),
                rng.randint(1, 16),
                rng.choice(("GET", "GET", "POST", "PUT")),
                rng.choice(paths) + "/" + str(rng.randint(1, 99999)),
                rng.choice((200, 200, 200, 204, 304, 404, 500)),
                rng.randint(0, 65536),
                rng.randint(0, 900),
            )
            lines.append(line)
            total += len(line)
        return "".join(lines).encode()

    return make


def csv_chunk(rng):
    cities = words(rng, 300, 5, 10)

    def make(size):
        rows = []
        total = 0
        while total < size:
            row = "%d,%s,%.4f,%.4f,%d,%s\n" % (
                rng.randint(1, 10_000_000),
                rng.choice(cities),
                rng.uniform(-90, 90),
                rng.uniform(-180, 180),
                rng.randint(0, 5000),
                rng.choice(("yes", "no", "")),
            )
            rows.append(row)
            total += len(row)
        return "".join(rows).encode()

    return make


def image_chunk(rng):
    """Zero runs, repeated sectors and a little noise, like a disk image."""
    sectors = [rng.randbytes(512) for _ in range(64)]

    def make(size):
        parts = []
        total = 0
        while total < size:
            kind = rng.random()
            if kind < 0.4:
                part = bytes(4096 * rng.randint(1, 16))
            elif kind < 0.9:
                part = b"".join(rng.choices(sectors, k=rng.randint(1, 32)))
            else:
                part = rng.randbytes(512 * rng.randint(1, 4))
            parts.append(part)
            total += len(part)
        return b"".join(parts)

    return make


def deep_tree(rng, root, depth):
    folder = os.path.join(root, "deep")
    for level in range(depth):
        folder = os.path.join(folder, "d%02d" % level)
        write(os.path.join(folder, "note.txt"), ("level %d\n" % level).encode() * rng.randint(1, 40))
    return depth


UNICODE_NAMES = [
    "报告 2024.txt",
    "会议纪要/第一季度.md",
    "日本語のファイル.txt",
    "写真/夏休み.bin",
    "Пример документа.txt",
    "Ελληνικά.txt",
    "עברית.txt",
    "العربية.txt",
    "한국어 문서.txt",
    "emoji 🎉🦅.txt",
    "café crème.txt",  # precomposed é
    "cafe\u0301 decomposed.txt",  # e + combining acute
    "Straße/Grüße.txt",
    "naïve résumé.txt",
    "spaces and  two  blanks.txt",
    "ąęłńóśźż.txt",
    "हिन्दी.txt",
    "ไทย.txt",
]


def unicode_names(rng, root):
    for name in UNICODE_NAMES:
        write(os.path.join(root, "unicode", name), rng.randbytes(16).hex().encode() * rng.randint(1, 200))
    return len(UNICODE_NAMES)


def fix_times(root):
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            os.utime(os.path.join(folder, name), (MTIME, MTIME), follow_symlinks=False)
    os.utime(root, (MTIME, MTIME))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder", help="created; must not exist")
    parser.add_argument("--size-mb", type=int, default=200)
    parser.add_argument("--seed", type=int, default=20240917)
    args = parser.parse_args()
    if os.path.exists(args.folder):
        sys.exit("make_corpus: %s already exists" % args.folder)

    size = args.size_mb * MIB
    rng = random.Random(args.seed)
    root = args.folder
    partial = root + ".partial"
    shutil.rmtree(partial, ignore_errors=True)
    os.makedirs(partial)

    small = source_tree(rng, partial, size * 15 // 100)
    write_stream(os.path.join(partial, "logs", "server.log"), size * 20 // 100, log_chunk(rng))
    write_stream(os.path.join(partial, "data", "measurements.csv"), size * 15 // 100, csv_chunk(rng))
    write_stream(os.path.join(partial, "images", "disk.img"), size * 12 // 100, image_chunk(rng))
    write_stream(os.path.join(partial, "media", "video.mp4"), size * 25 // 100, rng.randbytes)
    photos = size * 13 // 100
    index = 0
    while photos > 0:
        part = min(photos, rng.randint(1 * MIB, 4 * MIB))
        write(os.path.join(partial, "media", "photos", "IMG_%04d.jpg" % index), rng.randbytes(part))
        photos -= part
        index += 1
    deep_tree(rng, partial, 48)
    unicode_names(rng, partial)
    for i in range(3):
        write(os.path.join(partial, "empty", "empty_%d.txt" % i), b"")
    os.makedirs(os.path.join(partial, "empty", "nothing here"))
    fix_times(partial)
    os.rename(partial, root)

    total = files = 0
    for folder, _, names in os.walk(root):
        for name in names:
            files += 1
            total += os.path.getsize(os.path.join(folder, name))
    print("corpus %s: %d files (%d in the source tree), %.1f MiB" % (root, files, small, total / MIB),
          file=sys.stderr)


if __name__ == "__main__":
    main()
