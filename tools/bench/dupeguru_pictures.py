#!/usr/bin/python3
"""Runs dupeGuru's picture scan on one folder, without its window.

Drives the core the way its Qt front end does in picture mode with the
preferences it starts with (contents scan, filter hardness 95, pictures of
different sizes not matched), with its two caches (picture signatures and
file digests) in the folder CACHE, made when missing and kept between runs
as dupeGuru keeps them in its data folder. Prints a group a line, file
names apart by tabs, as score-groups.py takes them.
    dupeguru_pictures.py FOLDER CACHE
"""

import sys
from pathlib import Path

sys.path.insert(0, "/usr/share/dupeguru")

from PyQt5.QtCore import QCoreApplication  # noqa: E402

from core import fs  # noqa: E402
from core.directories import Directories  # noqa: E402
from core.pe.scanner import ScannerPE  # noqa: E402
from core.scanner import ScanType  # noqa: E402
from qt.pe.photo import File  # noqa: E402


def main():
    folder, cache = sys.argv[1], Path(sys.argv[2])
    cache.mkdir(parents=True, exist_ok=True)
    QCoreApplication([])  # the picture readers' plugins
    fs.filesdb.connect(str(cache / "hash_cache.db"))
    directories = Directories()
    directories.add_path(Path(folder))
    files = list(directories.get_files(fileclasses=[File]))
    scanner = ScannerPE()
    scanner.scan_type = ScanType.FUZZYBLOCK
    scanner.min_match_percentage = 95
    scanner.match_scaled = False
    scanner.cache_path = str(cache / "cached_pictures.db")
    groups = scanner.get_dupe_groups(files)
    fs.filesdb.commit()
    fs.filesdb.close()
    for group in groups:
        print("\t".join(f.name for f in group))
    return 0


if __name__ == "__main__":
    sys.exit(main())
