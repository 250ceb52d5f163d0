#!/usr/bin/env python3
"""score-groups.py FOLDER GROUPS [--rotations-off] [--mirrors-off] [--leave-out-mirrored]

Scores a grouping of the picture set against its known truth: files named
FAMILY_KIND.EXT belong together when FAMILY is the same. GROUPS has one group
per line, file paths separated by tabs or spaces (only the file names count).
Prints pairwise precision, recall and F1. With --rotations-off, copies turned
by 90, 180 or 270 degrees ("rot" kinds) and mirror images that are turned as
well ("mirror-turned", and "mirror-tb", a left-to-right mirror image turned by
half) are not expected with their family, and the count of such copies that
were grouped with it is printed as well. Copies stored turned with a tag that
turns them upright ("exif") stay expected. Mirror images ("mirror" kinds) are
expected with their family unless --mirrors-off is given; when the set has
any, the mirrored pairs found are printed. --leave-out-mirrored scores the
rest only: mirror images are dropped from the truth and from the groups.
"""
import itertools
import os
import re
import sys


def family(name):
    return name.split("_", 1)[0]


def is_rotated(name):
    return re.match(r"[^_]+_(rot\d+|mirror-turned|mirror-tb)\.", name) is not None


def is_mirrored(name):
    return re.match(r"[^_]+_mirror", name) is not None


def main():
    folder, groups_file = sys.argv[1], sys.argv[2]
    rotations_off = "--rotations-off" in sys.argv[3:]
    mirrors_off = "--mirrors-off" in sys.argv[3:]
    leave_out_mirrored = "--leave-out-mirrored" in sys.argv[3:]
    names = sorted(n for n in os.listdir(folder) if "_" in n and not (leave_out_mirrored and is_mirrored(n)))
    expected = set()
    for _, members in itertools.groupby(names, key=family):
        members = [m for m in members
                   if not (rotations_off and is_rotated(m)) and not (mirrors_off and is_mirrored(m))]
        expected.update(itertools.combinations(sorted(members), 2))

    found = set()
    rotated_with_family = 0
    with open(groups_file, encoding="utf-8") as lines:
        for line in lines:
            members = sorted(os.path.basename(p) for p in re.split(r"[\t ]+", line.strip())
                             if p and not (leave_out_mirrored and is_mirrored(os.path.basename(p))))
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
    mirrored_expected = {pair for pair in expected if is_mirrored(pair[0]) or is_mirrored(pair[1])}
    if mirrored_expected:
        text += f"; mirrored pairs found {len(mirrored_expected & found)} of {len(mirrored_expected)}"
    print(text)


if __name__ == "__main__":
    main()
