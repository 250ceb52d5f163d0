#!/usr/bin/env python3
"""Search-dialog benchmark: search-bench against clonarium-scan --all.

Run through search-dialog.sh. Both run on the tree of exact_duplicates.py
with a warm cache, taking turns within each round; prints the median of
each and the ratio of search-bench to clonarium-scan, then checks that both
printed the same groups.
"""

import argparse
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exact_duplicates as bench  # noqa: E402

LIMIT = 1.1  # search-bench may cost at most this many times clonarium-scan


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="repository root")
    parser.add_argument("--tree", help="where the tree is made (default build/bench/exact-tree)")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    tree = os.path.abspath(args.tree or os.path.join(args.root, "build", "bench", "exact-tree"))
    os.makedirs(os.path.dirname(tree), exist_ok=True)
    bench.ensure_tree(tree)
    files, size = bench.tree_totals(tree)

    wine = os.path.join(args.root, "tools", "wine.sh")
    binaries = os.path.join(args.root, "build", "bin")
    tools = [
        ("clonarium-scan --all", [wine, os.path.join(binaries, "clonarium-scan.exe"), "--all",
                                  bench.windows_path(tree)]),
        ("search-bench --all", [wine, os.path.join(binaries, "search-bench.exe"), "--all",
                                bench.windows_path(tree)]),
    ]

    bench.warm_cache(tree)
    for _, command in tools:
        bench.run(command)  # warm-up, not timed

    print("tree: %s: %d files, %.2f GB (seed %d)" % (tree, files, size / 1e9, bench.SEED))
    print("machine: %d cores, load average before: %s" % (os.cpu_count(), bench.load()))
    times = {name: [] for name, _ in tools}
    for _ in range(args.runs):
        for name, command in tools:
            times[name].append(bench.run(command))
    print("load average after: %s" % bench.load())

    scan = statistics.median(times[tools[0][0]])
    print("%-22s %9s  %s" % ("program", "median s", "runs (s)"))
    for name, _ in tools:
        print("%-22s %9.3f  %s" % (name, statistics.median(times[name]), " ".join("%.2f" % t for t in times[name])))
    ratio = statistics.median(times[tools[1][0]]) / scan
    print("search-bench / clonarium-scan: %.3f (limit %.1f): %s" % (ratio, LIMIT, "ok" if ratio <= LIMIT else "OVER"))

    groups = [bench.read_groups(subprocess.run(command, capture_output=True, check=True).stdout.decode("utf-8"))
              for _, command in tools]
    same = groups[0] == groups[1]
    print("groups: clonarium-scan %d, search-bench %d: %s" % (len(groups[0]), len(groups[1]),
                                                               "equal" if same else "DIFFERENT"))
    return 0 if same and ratio <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
