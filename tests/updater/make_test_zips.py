#!/usr/bin/env python3
"""Writes the ZIP packages of the extraction tests into the given folder."""
import sys
import zipfile


def data_bin():
    return bytes((i * 7 + 3) & 0xFF for i in range(200000))


def add(archive, name, data, method=zipfile.ZIP_DEFLATED):
    info = zipfile.ZipInfo(name, date_time=(2024, 5, 6, 7, 8, 10))
    info.compress_type = method
    archive.writestr(info, data)


def main(folder):
    with zipfile.ZipFile(folder + "/extract-package.zip", "w") as z:
        add(z, "readme.txt", b"hello package\r\n")
        add(z, "bin/data.bin", data_bin())
        add(z, "bin/empty/", b"", zipfile.ZIP_STORED)
        add(z, "../escape.txt", b"escape")
        add(z, "/abs/root.txt", b"root")
        add(z, "C:/drive.txt", b"drive")
        add(z, "sub\\back.txt", b"back")
        add(z, "\u6570\u636e/\u6587\u4ef6.txt", "\u4e2d\u6587".encode("utf-8"))

    path = folder + "/extract-badcrc.zip"
    with zipfile.ZipFile(path, "w") as z:
        add(z, "good.txt", b"good data", zipfile.ZIP_STORED)
        add(z, "bad.txt", b"BAD-DATA-HERE", zipfile.ZIP_STORED)
    raw = bytearray(open(path, "rb").read())
    at = raw.find(b"BAD-DATA-HERE")
    raw[at] = ord("b")  # the stored CRC no longer matches
    open(path, "wb").write(bytes(raw))


if __name__ == "__main__":
    main(sys.argv[1])
