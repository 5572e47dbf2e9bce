#!/usr/bin/env python3
"""Writes a C++ header with md5sum's digests of the pattern files the MD5 tests create."""
import subprocess
import sys

BLOCK = 1 << 20
CASES = [  # (name, seed, size)
    ("Empty", 1, 0), ("OneByte", 1, 1), ("Bytes55", 1, 55), ("Bytes56", 1, 56), ("Bytes63", 1, 63),
    ("Bytes64", 1, 64), ("Bytes65", 1, 65), ("SeveralMiB", 3, 5 * BLOCK + 3),
    ("Huge", 7, 641 * BLOCK + 7),
]


def block(seed):
    out = bytearray(BLOCK)
    x = seed
    for i in range(BLOCK):
        x = (x * 1664525 + 1013904223) & 0xFFFFFFFF
        out[i] = x >> 24
    return bytes(out)


def md5sum_of(seed, size):
    data = block(seed)
    proc = subprocess.Popen(["md5sum"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    left = size
    while left > 0:
        take = min(left, BLOCK)
        proc.stdin.write(data[:take])
        left -= take
    proc.stdin.close()
    digest = proc.stdout.read().split()[0].decode()
    proc.wait()
    return digest


def main():
    lines = ["// Generated at build time from Debian's md5sum; do not edit.", "#pragma once",
             "#include <cstdint>", "struct Md5SumCase { const char* name; uint32_t seed; uint64_t size; const char* md5; };",
             "static const Md5SumCase kMd5SumCases[] = {"]
    for name, seed, size in CASES:
        lines.append('    {"%s", %du, %dull, "%s"},' % (name, seed, size, md5sum_of(seed, size)))
    lines.append("};")
    with open(sys.argv[1], "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
