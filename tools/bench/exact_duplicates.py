#!/usr/bin/env python3
"""Exact-duplicate benchmark: clonarium-scan against jdupes, rdfind and fdupes.

Run through exact-duplicates.sh, which installs the peers and builds the tool.
Every tool runs on the same generated tree with a warm cache; the tools take
turns within each round, so that a change of load on the machine touches
them alike. Prints the median of the runs of each and the ratio of ours to it,
then checks that our groups equal those of `jdupes -r -z`.
"""

import argparse
import os
import random
import statistics
import subprocess
import sys
import time

TREE_VERSION = "exact-tree 2"
SEED = 20240601

UNIQUE_FILES = 13000         # random content, piecewise log-uniform sizes
COPIED_ORIGINALS = 1100      # each present 2 to 5 times
SAME_SIZE_FILES = 2000       # one size, all different
SAME_SIZE = 25000
SHARED_PREFIX_FILES = 400    # one size, equal first 4 KiB, different after
SHARED_PREFIX_SIZE = 60000
EMPTY_FILES = 200
LARGEST_EXPONENT = 20        # sizes up to 2^20 bytes


def log_uniform_size(rng):
    exponent = rng.randint(0, LARGEST_EXPONENT - 1)
    return rng.randint(1 << exponent, (1 << (exponent + 1)) - 1)


def generate_tree(tree):
    rng = random.Random(SEED)
    folders = [os.path.join(tree, "d%02d" % a, "e%02d" % b) for a in range(20) for b in range(10)]
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    counter = 0

    def write(content):
        nonlocal counter
        path = os.path.join(rng.choice(folders), "f%06d.bin" % counter)
        counter += 1
        with open(path, "wb") as f:
            f.write(content)

    for _ in range(UNIQUE_FILES):
        write(rng.randbytes(log_uniform_size(rng)))
    for _ in range(COPIED_ORIGINALS):
        content = rng.randbytes(log_uniform_size(rng))
        for _ in range(rng.randint(2, 5)):
            write(content)
    for _ in range(SAME_SIZE_FILES):
        write(rng.randbytes(SAME_SIZE))
    prefix = rng.randbytes(4096)
    for _ in range(SHARED_PREFIX_FILES):
        write(prefix + rng.randbytes(SHARED_PREFIX_SIZE - 4096))
    for _ in range(EMPTY_FILES):
        write(b"")


def tree_totals(tree):
    files = 0
    size = 0
    for folder, _, names in os.walk(tree):
        for name in names:
            files += 1
            size += os.path.getsize(os.path.join(folder, name))
    return files, size


def ensure_tree(tree):
    stamp = os.path.join(tree, "..", os.path.basename(tree) + ".stamp")
    if os.path.exists(stamp) and open(stamp).read() == TREE_VERSION:
        return
    print("bench: generating %s" % tree, flush=True)
    subprocess.run(["rm", "-rf", tree], check=True)
    generate_tree(tree)
    with open(stamp, "w") as f:
        f.write(TREE_VERSION)


def warm_cache(tree):
    for folder, _, names in os.walk(tree):
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                while f.read(1 << 20):
                    pass


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(command, output=subprocess.DEVNULL):
    start = time.perf_counter()
    subprocess.run(command, stdout=output, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def read_groups(text, to_unix=lambda p: p):
    """Groups as a set of frozensets of paths; groups end at an empty line."""
    groups = set()
    current = []
    for line in text.splitlines() + [""]:
        if line:
            current.append(to_unix(line))
        elif current:
            groups.add(frozenset(current))
            current = []
    return groups


def load():
    return "%.2f %.2f %.2f" % os.getloadavg()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="repository root")
    parser.add_argument("--tree", help="where the tree is made (default build/bench/exact-tree)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--baseline", metavar="EXE",
                        help="another build of clonarium-scan (say, one of main) timed in the same rounds")
    parser.add_argument("--generate-only", action="store_true", help="make the tree, measure nothing")
    args = parser.parse_args()

    tree = os.path.abspath(args.tree or os.path.join(args.root, "build", "bench", "exact-tree"))
    os.makedirs(os.path.dirname(tree), exist_ok=True)
    ensure_tree(tree)
    if args.generate_only:
        return 0
    files, size = tree_totals(tree)

    wine = os.path.join(args.root, "tools", "wine.sh")
    scan = os.path.join(args.root, "build", "bin", "clonarium-scan.exe")
    # Every file read each time: the search cache has its own benchmark.
    tools = [
        ("clonarium-scan --all", [wine, scan, "--all", "--no-cache", windows_path(tree)]),
        ("jdupes -r", ["jdupes", "-r", tree]),
        ("rdfind", ["rdfind", "-makeresultsfile", "false", tree]),
        ("fdupes -r", ["fdupes", "-r", tree]),
    ]
    if args.baseline:
        baseline = os.path.abspath(args.baseline)
        # Builds from before the search cache know no --no-cache and read every file anyway.
        with open(baseline, "rb") as exe:
            knows_cache = "--no-cache".encode("utf-16-le") in exe.read()
        options = ["--all", "--no-cache"] if knows_cache else ["--all"]
        tools.insert(1, ("baseline --all", [wine, baseline] + options + [windows_path(tree)]))

    warm_cache(tree)
    for _, command in tools:
        run(command)  # warm-up, not timed

    print("tree: %s: %d files, %.2f GB (seed %d)" % (tree, files, size / 1e9, SEED))
    print("machine: %d cores, load average before: %s" % (os.cpu_count(), load()))
    times = {name: [] for name, _ in tools}
    for _ in range(args.runs):
        for name, command in tools:
            times[name].append(run(command))
    load_after = load()

    ours = statistics.median(times[tools[0][0]])
    print("%-22s %9s  %-40s %s" % ("tool", "median s", "runs (s)", "ratio ours/tool"))
    for name, _ in tools:
        median = statistics.median(times[name])
        runs = " ".join("%.2f" % t for t in times[name])
        print("%-22s %9.3f  %-40s %.2f" % (name, median, runs, ours / median))
    print("load average after: %s" % load_after)

    ours_text = subprocess.run(tools[0][1], capture_output=True, check=True).stdout.decode("utf-8")
    ours_groups = read_groups(ours_text, lambda p: p[2:].replace("\\", "/") if p.startswith("Z:") else p)
    jdupes_text = subprocess.run(["jdupes", "-r", "-z", tree], capture_output=True, check=True).stdout.decode()
    jdupes_groups = read_groups(jdupes_text)
    if ours_groups == jdupes_groups:
        print("groups check against jdupes -r -z: equal (%d groups, %d files)"
              % (len(ours_groups), sum(len(g) for g in ours_groups)))
        return 0
    print("groups check against jdupes -r -z: DIFFERENT (ours %d groups, jdupes %d; %d only ours, %d only jdupes)"
          % (len(ours_groups), len(jdupes_groups), len(ours_groups - jdupes_groups),
             len(jdupes_groups - ours_groups)))
    return 1


if __name__ == "__main__":
    sys.exit(main())
