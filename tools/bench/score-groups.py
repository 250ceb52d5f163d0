#!/usr/bin/env python3
"""score-groups.py FOLDER GROUPS [--rotations-off]

Scores a grouping of the picture set against its known truth: files named
FAMILY_KIND.EXT belong together when FAMILY is the same. GROUPS has one group
per line, file paths separated by tabs or spaces (only the file names count).
Prints pairwise precision, recall and F1. With --rotations-off, copies turned
by 90, 180 or 270 degrees ("rot" kinds) are not expected with their family,
and the count of rotated copies that were grouped with it is printed as well.
"""
import itertools
import os
import re
import sys


def family(name):
    return name.split("_", 1)[0]


def is_rotated(name):
    return re.match(r"[^_]+_rot\d+\.", name) is not None


def main():
    folder, groups_file = sys.argv[1], sys.argv[2]
    rotations_off = "--rotations-off" in sys.argv[3:]
    names = sorted(n for n in os.listdir(folder) if "_" in n)
    expected = set()
    for _, members in itertools.groupby(names, key=family):
        members = [m for m in members if not (rotations_off and is_rotated(m))]
        expected.update(itertools.combinations(sorted(members), 2))

    found = set()
    rotated_with_family = 0
    with open(groups_file, encoding="utf-8") as lines:
        for line in lines:
            members = sorted(os.path.basename(p) for p in re.split(r"[\t ]+", line.strip()) if p)
            found.update(itertools.combinations(members, 2))
            for a, b in itertools.combinations(members, 2):
                if family(a) == family(b) and (is_rotated(a) or is_rotated(b)):
                    rotated_with_family += 1

    right = len(found & expected)
    precision = right / len(found) if found else 1.0
    recall = right / len(expected) if expected else 1.0
    f1 = 2 * precision * recall / (precision + recall) if precision + recall else 0.0
    text = f"pairs found {len(found)}, expected {len(expected)}, right {right}; " \
           f"precision {precision:.4f} recall {recall:.4f} F1 {f1:.4f}"
    if rotations_off:
        text += f"; rotated copies grouped with their family: {rotated_with_family}"
    print(text)


if __name__ == "__main__":
    main()
