#!/usr/bin/env python3
"""A million files, end to end; run through million-files.sh.

Makes a tree of 1,000,000 small files (16 to 4,096 bytes, every size shared
by some 250 files) among which 100,000 groups of two to four copies, in
2,000 folders, and writes it to disk. Then, one after another on the warm tree:
- clonarium-scan over a preset that admits nothing: the folder walk alone;
- clonarium-scan --all with the cache emptied first: the uncached search,
  which writes the cache; the baseline's uncached search (with --baseline);
- clonarium-scan --all again: the cached repeat; and the size of the cache;
- window-search-bench: the search in the main window with that cache, the
  result loaded into results mode, keep-first over all groups, a CSV report;
  each with its time, the peak memory and the longest the window took to
  answer a message;
- jdupes, rmlint, rdfind and fdupes, once each (unless --no-peers);
and checks our groups against those jdupes found. Prints the issue's figures
and where the time goes. The tree is removed at the end unless --keep.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exact_duplicates as exact  # noqa: E402

TREE_VERSION = "million-tree 1"
SEED = 20250601
FILES = 1_000_000            # --files makes a smaller tree alike, for a trial
GROUPS_PER_FILE = 10         # 100,000 groups of 2, 3 or 4 copies: 300,000 files
FILES_PER_FOLDER = 500       # 2,000 folders in 40 of 50
SMALLEST, LARGEST = 16, 4096
POOL = 72 << 20              # random bytes the contents are cut from
NEEDED_DISK = 6 << 30        # a block a file, the folders, and room to spare


def size_of(number):
    return SMALLEST + (number * 2654435761 >> 7) % (LARGEST - SMALLEST + 1)


def generate(tree, files):
    """Unique file i and group g cut their contents from the pool at offsets of
    their own, so that no two of them are alike; copies share their group's."""
    pool = random.Random(SEED).randbytes(POOL)
    folder_count = max(1, files // FILES_PER_FOLDER)
    folders = [os.path.join(tree, "d%02d" % (f // 50), "e%02d" % (f % 50)) for f in range(folder_count)]
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    flags = os.O_WRONLY | os.O_CREAT | os.O_TRUNC
    groups = files // GROUPS_PER_FILE
    copies = [2 + g % 3 for g in range(groups)]
    unique = files - sum(copies)
    number = 0

    def write(content):
        nonlocal number
        fd = os.open(os.path.join(folders[(number * 7919) % len(folders)], "f%07d.bin" % number), flags, 0o644)
        os.write(fd, content)
        os.close(fd)
        number += 1

    for g in range(groups):
        content = pool[g * 61:g * 61 + size_of(g)]
        for _ in range(copies[g]):
            write(content)
    for i in range(groups, groups + unique):
        write(pool[i * 61:i * 61 + size_of(i)])


def ensure_tree(tree, files):
    stamp = tree + ".stamp"
    version = "%s, %d files" % (TREE_VERSION, files)
    if os.path.exists(stamp) and open(stamp).read() == version:
        print("tree: %s (kept from before); warming it" % tree, flush=True)
        subprocess.run("find '%s' -type f -exec cat {} + >/dev/null" % tree, shell=True, check=True)
        return
    free = shutil.disk_usage(os.path.dirname(tree)).free
    if free < NEEDED_DISK:
        sys.exit("million-files: %.1f GB free beside %s, %.1f GB needed" % (free / 2**30, tree, NEEDED_DISK / 2**30))
    print("tree: making %s (%.1f GB free)" % (tree, free / 2**30), flush=True)
    shutil.rmtree(tree, ignore_errors=True)
    start = time.perf_counter()
    generate(tree, files)
    os.sync()  # the searches should not share the disk with writing the tree back
    with open(stamp, "w") as f:
        f.write(version)
    print("tree: %d files made and written in %.1f s" % (files, time.perf_counter() - start), flush=True)


def timed(command):
    """Seconds, standard output, standard error and the peak memory (MB of
    resident memory of the largest process it ran, as GNU time gives it)."""
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "peak-rss-kb %M"] + command, capture_output=True, check=True)
    seconds = time.perf_counter() - start
    errors = done.stderr.decode("utf-8", "replace")
    peak = re.findall(r"peak-rss-kb (\d+)", errors)
    return seconds, done.stdout.decode("utf-8", "replace"), errors, int(peak[-1]) / 1024 if peak else 0.0


def counter(text, label):
    found = re.search(r"^%s: ([\d.]+)" % re.escape(label), text, re.MULTILINE)
    return float(found.group(1)) if found else None


def row(name, seconds, files, note=""):
    print("%-42s %8.1f s %7.1f us a file  %s" % (name, seconds, 1e6 * seconds / files, note), flush=True)


def verdict(label, value, limit, unit):
    print("  %-58s %10.1f %s (target: at most %g): %s" % (label, value, unit, limit,
                                                          "met" if value <= limit else "NOT MET"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--tree", help="where the tree is made (default build/bench/million-tree)")
    parser.add_argument("--keep", action="store_true", help="keep the tree for the next run")
    parser.add_argument("--no-peers", action="store_true", help="leave out jdupes, rmlint, rdfind and fdupes")
    parser.add_argument("--baseline", metavar="EXE", help="another build of clonarium-scan, timed uncached too")
    parser.add_argument("--files", type=int, default=FILES, help="a smaller tree alike, for a trial")
    args = parser.parse_args()
    files = args.files
    begun = time.perf_counter()
    tree = os.path.abspath(args.tree or os.path.join(args.root, "build", "bench", "million-tree"))
    os.makedirs(os.path.dirname(tree), exist_ok=True)
    ensure_tree(tree, files)
    win_tree = exact.windows_path(tree)
    wine = os.path.join(args.root, "tools", "wine.sh")
    binaries = os.path.join(args.root, "build", "bin")
    scan = [wine, os.path.join(binaries, "clonarium-scan.exe")]
    cache = os.path.join(binaries, "settings", "search-cache.db")
    results = os.path.join(args.root, "build", "bench", "results")
    os.makedirs(results, exist_ok=True)
    nothing = os.path.join(results, "admit-nothing.prs")
    # Scan masks on, and none: the walk lists every entry and admits nothing.
    with open(nothing, "w", encoding="utf-16") as f:
        f.write("[Search]\r\nUseScanMasks=1\r\nScanMasks=\r\n")
    print("machine: %d cores, load average %s" % (os.cpu_count(), exact.load()), flush=True)

    walk, _, _, _ = timed(scan + ["--preset", exact.windows_path(nothing), win_tree])
    row("walk alone (a preset that admits nothing)", walk, files)
    uncached, ours_text, errors, uncached_mb = timed(scan + ["--all", "--clear-cache", win_tree])
    row("clonarium-scan --all, cache emptied first", uncached, files,
        "peak %.0f MB; search %.1f s; %d files opened, %.0f MB read" % (
            uncached_mb, counter(errors, "seconds"), counter(errors, "files opened"),
            counter(errors, "bytes read") / 1e6))
    if args.baseline:
        base, _, base_errors, base_mb = timed([wine, os.path.abspath(args.baseline), "--all", "--no-cache", win_tree])
        row("baseline --all, uncached", base, files, "peak %.0f MB; search %.1f s" % (
            base_mb, counter(base_errors, "seconds")))
    cache_mb = sum(os.path.getsize(cache + end) for end in ("", "-wal") if os.path.exists(cache + end)) / 1e6
    repeat, repeat_text, errors, repeat_mb = timed(scan + ["--all", win_tree])
    row("clonarium-scan --all, cached repeat", repeat, files, "peak %.0f MB; search %.1f s; %d files opened" % (
        repeat_mb, counter(errors, "seconds"), counter(errors, "files opened")))
    print("search cache: %.1f MB for %d files (%.0f bytes a file)" % (cache_mb, files, cache_mb * 1e6 / files))

    report = os.path.join(results, "million-report.csv")
    window_seconds, window_text, _, _ = timed([wine, os.path.join(binaries, "window-search-bench.exe"), win_tree,
                                               exact.windows_path(report)])
    print("the window, with the cache (whole process %.1f s):" % window_seconds)
    print("  " + window_text.strip().replace("\n", "\n  "), flush=True)
    steps = {m.group(1): tuple(float(m.group(i)) for i in range(2, 7))
             for m in re.finditer(r"^(\w+)\s+([\d.]+) s\s+peak working set\s+([\d.]+) MB\s+peak private\s+([\d.]+) MB"
                                  r"\s+longest unanswered\s+([\d.]+) ms\s+within the step\s+([\d.]+) ms",
                                  window_text, re.MULTILINE)}
    if os.path.exists(report):
        os.remove(report)

    jdupes_text = None
    for name, command in [] if args.no_peers else exact.peers(tree):
        seconds, text, _, peak = timed(command)
        row(name, seconds, files, "peak %.0f MB" % peak)
        jdupes_text = text if name.startswith("jdupes") else jdupes_text

    to_unix = lambda p: p[2:].replace("\\", "/") if p.startswith("Z:") else p  # noqa: E731
    ours = exact.read_groups(ours_text, to_unix)
    same_repeat = exact.read_groups(repeat_text, to_unix) == ours
    same = same_repeat and len(ours) == files // GROUPS_PER_FILE
    print("groups: ours %d (%d files), the cached repeat's %s" % (
        len(ours), sum(len(g) for g in ours), "the same" if same_repeat else "DIFFERENT"))
    if jdupes_text is not None:
        jdupes = exact.read_groups(jdupes_text)
        same = same and ours == jdupes
        print("groups against jdupes -r (no empty files here): %s" % ("equal" if ours == jdupes else "DIFFERENT"))

    print("\nwhere the time goes (us a file): walk %.1f; uncached, reading and comparing %.1f; cached, the lookups "
          "and the rest %.1f" % (1e6 * walk / files, 1e6 * (uncached - walk) / files, 1e6 * (repeat - walk) / files))
    print("figures:")
    verdict("uncached scan, us a file", 1e6 * uncached / files, 150, "us")
    verdict("cached repeat, us a file", 1e6 * repeat / files, 20, "us")
    if steps:
        verdict("the window's peak working set through search, rule and report", max(s[1] for s in steps.values()),
                1024, "MB")
        verdict("the window's longest unanswered message during the search", steps["search"][3], 200, "ms")
        verdict("  of those that began and ended while the search ran", steps["search"][4], 200, "ms")
        verdict("the window's longest unanswered message in any step", max(s[3] for s in steps.values()), 200, "ms")
    verdict("the cache file", cache_mb, 400, "MB")
    if not args.keep:
        shutil.rmtree(tree, ignore_errors=True)
        os.remove(tree + ".stamp")
    print("load average %s; the whole benchmark took %.0f s" % (exact.load(), time.perf_counter() - begun))
    return 0 if same and steps else 1


if __name__ == "__main__":
    sys.exit(main())
