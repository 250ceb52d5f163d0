#!/usr/bin/env python3
"""Exact-duplicate benchmark: clonarium-scan against jdupes, rmlint, rdfind and fdupes.

Run through exact-duplicates.sh, which installs the peers and builds the tool.
Two sets, each with a warm cache:
- the tree: about 20,000 files (1.4 GB) of many sizes, copies among them;
- the large set: 60 files of about 200 MB in same-size pairs that differ in
  their first or in their last byte (the middle of each is a hole, so the set
  takes 120 MB of disk; every tool reads the holes as data).
The tools take turns within each round, so that a change of load touches
them alike. For each tool: the median time of the whole process, the bytes
it read (rchar of the process and its children, which for ours under Wine
also counts the replies of Wine's server) and, for ours, the bytes of file
content the search itself read and the time of the search as it reports it.
Then checks that our groups equal those of `jdupes -r -z`, and prints the
issue's figures against their targets.
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

LARGE_VERSION = "large-set 1"
LARGE_PAIRS = 30
LARGE_SIZE = 200 * 1000 * 1000
LARGE_ENDS = 1 << 20         # written at each end of a large file; the rest is a hole


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


def generate_large_set(folder):
    """Pair k: two files of LARGE_SIZE + k bytes, random at both ends, that
    differ in their first byte (k even) or their last (k odd)."""
    rng = random.Random(SEED + 1)
    os.makedirs(folder, exist_ok=True)
    for pair in range(LARGE_PAIRS):
        size = LARGE_SIZE + pair
        head, tail = rng.randbytes(LARGE_ENDS), rng.randbytes(LARGE_ENDS)
        for copy in range(2):
            first = bytes([(head[0] + copy) % 256]) + head[1:] if pair % 2 == 0 else head
            last = tail[:-1] + bytes([(tail[-1] + copy) % 256]) if pair % 2 == 1 else tail
            with open(os.path.join(folder, "pair%02d-%d.bin" % (pair, copy)), "wb") as f:
                f.write(first)
                f.seek(size - LARGE_ENDS)
                f.write(last)


def tree_totals(tree):
    files = 0
    size = 0
    for folder, _, names in os.walk(tree):
        for name in names:
            files += 1
            size += os.path.getsize(os.path.join(folder, name))
    return files, size


def ensure(tree, version, generate):
    stamp = os.path.join(tree, "..", os.path.basename(tree) + ".stamp")
    if os.path.exists(stamp) and open(stamp).read() == version:
        return
    print("bench: generating %s" % tree, flush=True)
    subprocess.run(["rm", "-rf", tree], check=True)
    generate(tree)
    with open(stamp, "w") as f:
        f.write(version)


def ensure_tree(tree):
    ensure(tree, TREE_VERSION, generate_tree)


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


def measured_run(command):
    """Seconds of the whole process, bytes it and its children read (rchar,
    which a shell gets from the children it waited for), and the lines it
    wrote on standard error."""
    wrapper = ["sh", "-c", '"$@" >/dev/null 2>"$ERRORS"; status=$?; grep rchar /proc/$$/io; exit $status', "sh"]
    errors = "/tmp/clonarium-bench-%d.err" % os.getpid()
    start = time.perf_counter()
    done = subprocess.run(wrapper + command, stdout=subprocess.PIPE, env=dict(os.environ, ERRORS=errors), check=True)
    seconds = time.perf_counter() - start
    with open(errors, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    os.remove(errors)
    return seconds, int(done.stdout.split()[1]), lines


def reported(lines, label):
    """The number after `label` in clonarium-scan's counters; None when absent."""
    for line in lines:
        if line.startswith(label + ":"):
            return float(line.split()[-1])
    return None


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


def measure(tools, runs):
    """name -> {"times", "rchar", "search", "content"} over `runs` rounds, after an untimed warm-up round."""
    for _, command in tools:
        run(command)
    results = {name: {"times": [], "rchar": 0, "search": [], "content": None} for name, _ in tools}
    for _ in range(runs):
        for name, command in tools:
            seconds, rchar, lines = measured_run(command)
            result = results[name]
            result["times"].append(seconds)
            result["rchar"] = rchar
            search = reported(lines, "seconds")
            if search is not None:
                result["search"].append(search)
            result["content"] = reported(lines, "bytes read")
    return results


def print_results(results, ours):
    print("%-22s %9s  %-36s %9s %10s %11s %10s" % ("tool", "median s", "runs (s)", "ours/tool", "MB rchar",
                                                    "MB content", "search s"))
    mine = statistics.median(results[ours]["times"])
    for name, result in results.items():
        median = statistics.median(result["times"])
        content = "%.1f" % (result["content"] / 1e6) if result["content"] is not None else "-"
        search = "%.3f" % statistics.median(result["search"]) if result["search"] else "-"
        print("%-22s %9.3f  %-36s %9.2f %10.1f %11s %10s" % (
            name, median, " ".join("%.2f" % t for t in result["times"]), mine / median, result["rchar"] / 1e6,
            content, search))


def verdict(label, value, limit, unit=""):
    print("  %-62s %10.3f%s (target: at most %.3f%s): %s" % (label, value, unit, limit, unit,
                                                             "met" if value <= limit else "NOT MET"))


def check_groups(scan, tree):
    ours_text = subprocess.run(scan, capture_output=True, check=True).stdout.decode("utf-8")
    ours = read_groups(ours_text, lambda p: p[2:].replace("\\", "/") if p.startswith("Z:") else p)
    jdupes_text = subprocess.run(["jdupes", "-r", "-z", tree], capture_output=True, check=True).stdout.decode()
    jdupes = read_groups(jdupes_text)
    same = ours == jdupes
    print("groups check against jdupes -r -z: %s (ours %d groups, %d files; jdupes %d groups)" % (
        "equal" if same else "DIFFERENT", len(ours), sum(len(g) for g in ours), len(jdupes)))
    return same


def peers(tree):
    return [
        ("jdupes -r", ["jdupes", "-r", tree]),
        ("rmlint", ["rmlint", "-T", "df", "-o", "fdupes", tree]),
        ("rdfind", ["rdfind", "-makeresultsfile", "false", tree]),
        ("fdupes -r", ["fdupes", "-r", tree]),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="repository root")
    parser.add_argument("--tree", help="where the tree is made (default build/bench/exact-tree)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--large-runs", type=int, default=3, help="rounds on the large set")
    parser.add_argument("--no-large", action="store_true", help="the tree only")
    parser.add_argument("--baseline", metavar="EXE",
                        help="another build of clonarium-scan (say, one of main) timed in the same rounds")
    parser.add_argument("--generate-only", action="store_true", help="make the sets, measure nothing")
    args = parser.parse_args()

    tree = os.path.abspath(args.tree or os.path.join(args.root, "build", "bench", "exact-tree"))
    large = os.path.join(os.path.dirname(tree), "large-set")
    os.makedirs(os.path.dirname(tree), exist_ok=True)
    ensure_tree(tree)
    if not args.no_large:
        ensure(large, LARGE_VERSION, generate_large_set)
    if args.generate_only:
        return 0

    wine = os.path.join(args.root, "tools", "wine.sh")
    scan = os.path.join(args.root, "build", "bin", "clonarium-scan.exe")
    # Every file read each time: the search cache has its own benchmark.
    ours = lambda folder: [wine, scan, "--all", "--no-cache", windows_path(folder)]  # noqa: E731
    baseline = None
    if args.baseline:
        exe = os.path.abspath(args.baseline)
        # Builds from before the search cache know no --no-cache and read every file anyway.
        with open(exe, "rb") as f:
            knows_cache = "--no-cache".encode("utf-16-le") in f.read()
        baseline = lambda folder: [wine, exe, "--all"] + (["--no-cache"] if knows_cache else []) + [  # noqa: E731
            windows_path(folder)]

    failed = False
    sets = [("tree", tree, args.runs)] + ([] if args.no_large else [("large set", large, args.large_runs)])
    figures = {}
    for label, folder, runs in sets:
        files, size = tree_totals(folder)
        tools = [("clonarium-scan --all", ours(folder))] + peers(folder)
        if baseline:
            tools.insert(1, ("baseline --all", baseline(folder)))
        warm_cache(folder)
        print("\n%s: %s: %d files, %.2f GB (seed %d)" % (label, folder, files, size / 1e9, SEED))
        print("machine: %d cores, load average before: %s" % (os.cpu_count(), load()), flush=True)
        results = measure(tools, runs)
        print_results(results, tools[0][0])
        print("load average after: %s" % load())
        failed |= not check_groups(ours(folder), folder)
        figures[label] = results

    print("\nfigures:")
    tree_results = figures["tree"]
    mine = tree_results["clonarium-scan --all"]
    careful = min(tree_results["rmlint"]["rchar"], tree_results["rdfind"]["rchar"])
    verdict("tree: MB of content read, against the careful peers' least rchar", mine["content"] / 1e6,
            careful / 1e6)
    verdict("tree: MB read (rchar, with Wine's replies), against the same", mine["rchar"] / 1e6, careful / 1e6)
    rmlint = statistics.median(tree_results["rmlint"]["times"])
    verdict("tree: time over rmlint's (whole process)", statistics.median(mine["times"]) / rmlint, 0.8)
    verdict("tree: time over rmlint's (our search as it reports it)", statistics.median(mine["search"]) / rmlint, 0.8)
    if baseline:
        verdict("tree: time over the baseline's (whole process)",
                statistics.median(mine["times"]) / statistics.median(tree_results["baseline --all"]["times"]), 1.05)
    if "large set" in figures:
        large_results = figures["large set"]
        mine = large_results["clonarium-scan --all"]
        fastest = min(statistics.median(large_results[name]["times"]) for name, _ in peers(large))
        if baseline:
            verdict("large set: content read over the baseline's",
                    mine["content"] / large_results["baseline --all"]["rchar"], 0.01)
        verdict("large set: time over the fastest peer's (whole process)",
                statistics.median(mine["times"]) / fastest, 2.0)
        verdict("large set: time over the fastest peer's (our search as it reports it)",
                statistics.median(mine["search"]) / fastest, 2.0)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
