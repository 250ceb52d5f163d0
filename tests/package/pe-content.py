"""Prints the SHA-256 of a Windows program's bytes apart from what an
Authenticode signature adds: the signature itself, the padding before it,
the checksum field and the directory entry that point to it. A program and
its signed copy print the same.
    python3 pe-content.py PROGRAM.exe
"""
import hashlib
import struct
import sys

data = bytearray(open(sys.argv[1], "rb").read())
header = struct.unpack_from("<I", data, 0x3C)[0] + 24  # the optional header
pe32_plus = struct.unpack_from("<H", data, header)[0] == 0x20B
checksum = header + 64
security = header + (112 if pe32_plus else 96) + 4 * 8  # data directory 4
offset, size = struct.unpack_from("<II", data, security)
struct.pack_into("<I", data, checksum, 0)
struct.pack_into("<II", data, security, 0, 0)
if size:
    del data[offset:]
print(hashlib.sha256(bytes(data).rstrip(b"\0")).hexdigest())
