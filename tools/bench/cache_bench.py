#!/usr/bin/env python3
"""Search cache benchmark, run through cache.sh.

Exact mode, on the tree of exact_duplicates.py: a first search (the cache
emptied by --clear-cache, then written) against the same search by a
baseline build, and a repeat search (the cache of the first) against
`jdupes -r`. Image mode, on the picture set of picture-bench.sh: the same
two searches against dupeGuru's picture scan, first with its caches removed
and then repeated with them. The tools take turns within each round; medians
and ratios are printed, and the groups checked: the repeat search's against
`jdupes -r -z` and an uncached search's, and both picture finders' scored
against the set's known truth.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exact_duplicates as exact  # noqa: E402

DUPEGURU_PYTHON = "/usr/bin/python3"  # the interpreter dupeGuru is packaged for


def picture_set(root, originals):
    bench = os.path.join(root, "tools", "bench")
    folder = os.path.join(root, "build", "bench", "pictures-%d" % originals)
    generator = hashlib.md5(open(os.path.join(bench, "make-picture-set.sh"), "rb").read()).hexdigest()
    stamp = os.path.join(folder, ".complete")
    # The stamp is md5sum's line of the generator, as picture-bench.sh writes it.
    if not (os.path.exists(stamp) and open(stamp).read().split()[0] == generator):
        print("bench: making the picture set in %s" % folder, flush=True)
        shutil.rmtree(folder, ignore_errors=True)
        subprocess.run([os.path.join(bench, "make-picture-set.sh"), folder, str(originals)], check=True)
        with open(stamp, "w") as f:
            f.write(generator + "  -\n")
    return folder


def time_rounds(tools, runs):
    """tools: (name, command, prepare or None); returns name -> times."""
    for _, command, prepare in tools:  # warm-up, not timed
        if prepare:
            prepare()
        exact.run(command)
    times = {name: [] for name, _, _ in tools}
    for _ in range(runs):
        for name, command, prepare in tools:
            if prepare:
                prepare()
            times[name].append(exact.run(command))
    return times


def report(times, ratios):
    print("%-26s %9s  %s" % ("", "median s", "runs (s)"))
    for name, values in times.items():
        print("%-26s %9.3f  %s" % (name, statistics.median(values), " ".join("%.2f" % t for t in values)))
    for label, ours, theirs, bound in ratios:
        if theirs in times:
            ratio = statistics.median(times[ours]) / statistics.median(times[theirs])
            print("%-45s %.2f (asked: at most %.2f)" % (label, ratio, bound))


def scan_output(command):
    return subprocess.run(command, capture_output=True, check=True).stdout.decode("utf-8")


def names_a_line(text):
    """clonarium-scan's groups as score-groups.py takes them."""
    groups = exact.read_groups(text)
    return "".join("\t".join(sorted(p.rsplit("\\", 1)[-1] for p in g)) + "\n" for g in groups)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--originals", type=int, default=200, help="distinct pictures of the set (200: 650 files)")
    parser.add_argument("--baseline", metavar="EXE", help="another build of clonarium-scan, timed on first searches")
    args = parser.parse_args()
    root = args.root
    wine = os.path.join(root, "tools", "wine.sh")
    scan = os.path.join(root, "build", "bin", "clonarium-scan.exe")
    baseline = os.path.abspath(args.baseline) if args.baseline else None
    out = os.path.join(root, "build", "bench", "results")
    os.makedirs(out, exist_ok=True)
    failed = False

    tree = os.path.join(root, "build", "bench", "exact-tree")
    exact.ensure_tree(tree)
    exact.warm_cache(tree)
    files, size = exact.tree_totals(tree)
    win_tree = exact.windows_path(tree)
    tools = [("ours, first search", [wine, scan, "--clear-cache", "--all", win_tree], None),
             ("ours, repeat search", [wine, scan, "--all", win_tree], None),
             ("jdupes -r", ["jdupes", "-r", tree], None)]
    if baseline:
        tools.insert(0, ("baseline, first search", [wine, baseline, "--all", win_tree], None))
    print("exact mode: %s: %d files, %.2f GB; %d cores, load %s" % (tree, files, size / 1e9, os.cpu_count(),
                                                                  exact.load()), flush=True)
    times = time_rounds(tools, args.runs)
    report(times, [("first search, ours / baseline", "ours, first search", "baseline, first search", 1.05),
                   ("repeat search, ours / jdupes -r", "ours, repeat search", "jdupes -r", 1.0)])
    to_unix = lambda p: p[2:].replace("\\", "/") if p.startswith("Z:") else p  # noqa: E731
    repeat = exact.read_groups(scan_output([wine, scan, "--all", win_tree]), to_unix)
    uncached = exact.read_groups(scan_output([wine, scan, "--no-cache", "--all", win_tree]), to_unix)
    jdupes = exact.read_groups(subprocess.run(["jdupes", "-r", "-z", tree], capture_output=True,
                                              check=True).stdout.decode())
    same = repeat == jdupes == uncached
    failed |= not same
    print("groups of the repeat search: %s jdupes -r -z and the uncached search (%d groups)"
          % ("equal to" if same else "DIFFERENT from", len(repeat)))
    print("load after: %s" % exact.load(), flush=True)

    pictures = picture_set(root, args.originals)
    count = sum(1 for n in os.listdir(pictures) if not n.startswith("."))
    win_set = exact.windows_path(pictures)
    dupeguru_cache = os.path.join(root, "build", "bench", "dupeguru-cache")
    dupeguru = [DUPEGURU_PYTHON, os.path.join(root, "tools", "bench", "dupeguru_pictures.py"), pictures,
                dupeguru_cache]
    tools = [("ours, first search", [wine, scan, "--clear-cache", "--mode", "images", "--all", win_set], None),
             ("ours, repeat search", [wine, scan, "--mode", "images", "--all", win_set], None),
             ("dupeGuru, first scan", dupeguru, lambda: shutil.rmtree(dupeguru_cache, ignore_errors=True)),
             ("dupeGuru, repeat scan", dupeguru, None)]
    if baseline:
        tools.insert(0, ("baseline, first search", [wine, baseline, "--mode", "images", "--all", win_set], None))
    print("\nimage mode: %s: %d pictures; load %s" % (pictures, count, exact.load()), flush=True)
    times = time_rounds(tools, args.runs)
    report(times, [("first search, ours / baseline", "ours, first search", "baseline, first search", 1.05),
                   ("repeat search, ours / dupeGuru's repeat scan", "ours, repeat search", "dupeGuru, repeat scan",
                    0.5)])
    repeat = scan_output([wine, scan, "--mode", "images", "--all", win_set])
    uncached = scan_output([wine, scan, "--no-cache", "--mode", "images", "--all", win_set])
    same = exact.read_groups(repeat) == exact.read_groups(uncached)
    failed |= not same
    print("groups of the repeat search: %s the uncached search" % ("equal to" if same else "DIFFERENT from"))
    scorer = os.path.join(root, "tools", "bench", "score-groups.py")
    for name, text in (("ours", names_a_line(repeat)), ("dupeGuru", scan_output(dupeguru))):
        path = os.path.join(out, "cache-%s.txt" % name)
        with open(path, "w") as f:
            f.write(text)
        score = subprocess.run([sys.executable, scorer, pictures, path], capture_output=True, text=True).stdout
        print("%-9s %s" % (name + ":", score.strip()))
    print("load after: %s" % exact.load())
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
