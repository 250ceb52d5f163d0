"""Prints what a Windows shortcut (.lnk) starts: "TARGET in WORKING-FOLDER".

Reads the shell link format: the header, the item list (skipped), the link
information with the local path, and the strings that follow it.
    python3 link-target.py FILE.lnk
"""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR, IS_UNICODE = 1, 2, 4, 8, 16, 128

data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
at = 0x4C
if flags & HAS_ID_LIST:
    at += 2 + struct.unpack_from("<H", data, at)[0]
if not flags & HAS_LINK_INFO:
    sys.exit("link-target: the shortcut carries no local path")
info_size, _, _, _, base_at, _, suffix_at = struct.unpack_from("<7I", data, at)


def text_at(offset):
    return data[offset : data.index(b"\0", offset)].decode("latin-1")


target = text_at(at + base_at) + text_at(at + suffix_at)
at += info_size
working = ""
for flag in (HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR):
    if flags & flag:
        count = struct.unpack_from("<H", data, at)[0]
        width = 2 if flags & IS_UNICODE else 1
        value = data[at + 2 : at + 2 + count * width].decode("utf-16-le" if width == 2 else "latin-1")
        at += 2 + count * width
        if flag == HAS_WORKING_DIR:
            working = value.rstrip("\0")
print(f"{target} in {working}")
