#!/usr/bin/env python3
"""Search-dialog benchmark: search-bench against clonarium-scan --all.

Run through search-dialog.sh. Both run on the tree of exact_duplicates.py
with a warm cache, taking turns within each round, twice over: without the
search cache (--no-cache), and with it, both then using the one cache
clonarium-scan keeps (filled by a search before the rounds), as the program
uses its own. Each run gives two times: the whole process, and the search as
the program itself times it (for clonarium-scan its finder and output, for
search-bench the dialog from opening to its end), which is what a search
started from the main window costs. Prints the medians and ratios of both;
the limit holds for the search. Then checks that all printed the same groups.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exact_duplicates as bench  # noqa: E402

LIMIT = 1.1  # search-bench may cost at most this many times clonarium-scan


def run(command):
    """Whole-process seconds and the seconds the program reports."""
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    whole = time.perf_counter() - start
    for line in done.stderr.decode("utf-8", "replace").splitlines():
        if line.startswith("seconds:"):
            return whole, float(line.split()[1])
    raise RuntimeError("%s reported no seconds" % command[1])


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
    scan = [wine, os.path.join(binaries, "clonarium-scan.exe"), "--all"]
    dialog = [wine, os.path.join(binaries, "search-bench.exe"), "--all"]
    path = [bench.windows_path(tree)]
    modes = [("without the cache", [("clonarium-scan --all", scan + ["--no-cache"] + path),
                                    ("search-bench --all", dialog + ["--no-cache"] + path)]),
             ("with the cache", [("clonarium-scan --all", scan + path), ("search-bench --all", dialog + path)])]

    bench.warm_cache(tree)
    run(scan + ["--clear-cache"] + path)  # fills the cache both use
    print("tree: %s: %d files, %.2f GB (seed %d)" % (tree, files, size / 1e9, bench.SEED))
    print("machine: %d cores, load average before: %s" % (os.cpu_count(), bench.load()))
    within = True
    groups = []
    for mode, tools in modes:
        for _, command in tools:
            run(command)  # warm-up, not timed
        whole = {name: [] for name, _ in tools}
        search = {name: [] for name, _ in tools}
        for _ in range(args.runs):
            for name, command in tools:
                process, own = run(command)
                whole[name].append(process)
                search[name].append(own)
        print("\n%s; load average after: %s" % (mode, bench.load()))
        print("%-22s %-8s %9s  %s" % ("program", "time", "median s", "runs (s)"))
        for name, _ in tools:
            for label, times in (("process", whole), ("search", search)):
                print("%-22s %-8s %9.3f  %s" % (name, label, statistics.median(times[name]),
                                               " ".join("%.2f" % t for t in times[name])))
        ratios = {label: statistics.median(times[tools[1][0]]) / statistics.median(times[tools[0][0]])
                  for label, times in (("process", whole), ("search", search))}
        print("search-bench / clonarium-scan, whole process: %.3f" % ratios["process"])
        ratio = ratios["search"]
        print("search-bench / clonarium-scan, search: %.3f (limit %.1f): %s" % (ratio, LIMIT,
                                                                               "ok" if ratio <= LIMIT else "OVER"))
        within &= ratio <= LIMIT
        groups += [bench.read_groups(subprocess.run(command, capture_output=True, check=True).stdout.decode("utf-8"))
                   for _, command in tools]
    same = all(g == groups[0] for g in groups)
    print("\ngroups: %s: %s" % (", ".join(str(len(g)) for g in groups), "equal" if same else "DIFFERENT"))
    return 0 if same and within else 1


if __name__ == "__main__":
    sys.exit(main())
