#!/usr/bin/env python3
"""Writes what an independent reader (Python's zipfile) makes of each archive in a
folder, for the corpus test to compare against.

Lines:  A <file> <opens 0|1>
        E <index> <name hex> <ok|refused> <size> <crc32> <adler32>
Only stored and deflated, unencrypted entries count as ok.
"""
import os
import sys
import zipfile
import zlib


def raw_name(info):
    if info.flag_bits & 0x800:
        return info.orig_filename.encode("utf-8")
    return info.orig_filename.encode("cp437")


def main(folder, out_path):
    lines = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".zip"):
            continue
        try:
            archive = zipfile.ZipFile(os.path.join(folder, name))
        except Exception:
            lines.append("A %s 0" % name)
            continue
        lines.append("A %s 1" % name)
        with archive:
            for index, info in enumerate(archive.infolist()):
                status, size, crc, adler = "refused", 0, 0, 0
                if info.compress_type in (0, 8) and not info.flag_bits & 1:
                    try:
                        data = archive.read(info)
                        status, size = "ok", len(data)
                        crc, adler = zlib.crc32(data), zlib.adler32(data)
                    except Exception:
                        pass
                lines.append("E %d %s %s %d %d %d" % (index, raw_name(info).hex() or "-",
                                                     status, size, crc, adler))
    tmp = out_path + ".tmp"
    with open(tmp, "w") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(tmp, out_path)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
