#!/usr/bin/env python3
"""Writes the inputs of the stall monitor (kestrel-bench-stall) into a folder,
keeping any that are already there:

- big.zip: --zip-mb MiB of files, half random data stored, half text
  (logs, CSV, source) deflated, a few large files and thousands of small ones;
- corpus-N/: the benchmark corpus of --compress-mb MiB, to compress;
- entries-N.rar: a RAR5 archive of --rar-entries small files in folders of
  a thousand, written by kestrel-bench-rar.

Prints the three paths, one a line.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import zipfile

import make_corpus

MIB = 1024 * 1024
SEED = 20261207


def text_pool(rng):
    """Distinct 4 MiB chunks of compressible text; files repeat them, which
    deflate's 32 KiB window cannot tell from fresh text."""
    makers = [make_corpus.log_chunk(rng), make_corpus.csv_chunk(rng)]
    source = make_corpus.SourceText(rng)
    makers.append(source.file)
    return [makers[i % len(makers)](4 * MIB)[: 4 * MIB] for i in range(6)]


def write_member(archive, name, size, chunks, compress):
    info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
    info.compress_type = zipfile.ZIP_DEFLATED if compress else zipfile.ZIP_STORED
    with archive.open(info, "w", force_zip64=size >= 2**31) as member:
        left = size
        while left > 0:
            chunk = next(chunks)[:left]
            member.write(chunk)
            left -= len(chunk)


def write_big_zip(path, size_mb):
    rng = random.Random(SEED)
    pool = text_pool(rng)

    def text_chunks():
        while True:
            yield rng.choice(pool)

    def random_chunks():
        while True:
            yield rng.randbytes(4 * MIB)

    size = size_mb * MIB
    half = size * 15 // 32
    small_total = size - 2 * half
    small_size = 16 * 1024
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w", compresslevel=6, allowZip64=True) as archive:
        for kind, chunks, compress in (("media", random_chunks(), False), ("logs", text_chunks(), True)):
            # One file of half the share, the rest in eight equal files.
            write_member(archive, f"big/{kind}/large.bin", half // 2, chunks, compress)
            for i in range(8):
                write_member(archive, f"big/{kind}/part_{i}.bin", (half - half // 2) // 8, chunks, compress)
        chunks = text_chunks()
        for i in range(small_total // small_size):
            start = rng.randrange(0, 4 * MIB - small_size)
            data = rng.choice(pool)[start:start + small_size]
            archive.writestr(zipfile.ZipInfo(f"big/small/{i // 500:02d}/file_{i}.txt", (2024, 1, 1, 0, 0, 0)),
                             data, zipfile.ZIP_DEFLATED)
    os.replace(partial, path)


def write_many_entry_rar(path, entries, rar_tool, work):
    rng = random.Random(SEED)
    source = os.path.join(work, f"entries-{entries}")
    shutil.rmtree(source, ignore_errors=True)
    for i in range(entries):
        folder = os.path.join(source, f"folder_{i // 1000:03d}")
        if i % 1000 == 0:
            os.makedirs(folder)
        with open(os.path.join(folder, f"entry_{i}.txt"), "wb") as f:
            f.write(rng.randbytes(8).hex().encode() * rng.randint(1, 16))
    subprocess.run([rar_tool, "rar5", source, path + ".partial"], check=True)
    os.replace(path + ".partial", path)
    shutil.rmtree(source)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("work", help="the folder for the inputs")
    parser.add_argument("--rar-tool", required=True, help="kestrel-bench-rar")
    parser.add_argument("--zip-mb", type=int, default=1024)
    parser.add_argument("--compress-mb", type=int, default=300)
    parser.add_argument("--rar-entries", type=int, default=40000)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)

    big_zip = os.path.join(args.work, f"big-{args.zip_mb}mb.zip")
    if not os.path.exists(big_zip):
        print(f"writing {big_zip}", file=sys.stderr)
        write_big_zip(big_zip, args.zip_mb)
    corpus = os.path.join(args.work, f"corpus-{args.compress_mb}mb")
    if not os.path.exists(corpus):
        print(f"writing {corpus}", file=sys.stderr)
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "make_corpus.py"), corpus,
                        "--size-mb", str(args.compress_mb)], check=True, stdout=subprocess.DEVNULL)
    rar = os.path.join(args.work, f"entries-{args.rar_entries}.rar")
    if not os.path.exists(rar):
        print(f"writing {rar}", file=sys.stderr)
        write_many_entry_rar(rar, args.rar_entries, args.rar_tool, args.work)
    print(big_zip)
    print(corpus)
    print(rar)


if __name__ == "__main__":
    main()
