#!/usr/bin/env python3
"""Generates the benchmark packs in a folder (kept when already there):

  small.tpx           20,000 files of 0.1 to 6 KB in nested folders, mostly deflated
  medium.tpx          2,000 files of 16 to 64 KiB in nested folders, deflated
  large-deflated.tpx  4 entries of 64 MiB of text-like data, deflated
  large-stored.tpx    the same 4 entries, stored
  max-entries.tpx     65,535 files of 1 to 100 bytes, the most a plain end record counts

Usage: make_packs.py FOLDER
"""
import os
import random
import struct
import sys
import zipfile

WORDS = ("service pack lobby client game player match table round score level "
         "option config value title launch install custom folder file data "
         "alpha beta gamma delta omega zero one two three four five six").split()
STAMP = (2020, 5, 6, 7, 8, 10)


def text_block(rng, size):
    out = []
    n = 0
    while n < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        line += " %d\n" % rng.randint(0, 1 << 30)
        out.append(line)
        n += len(line)
    return "".join(out).encode()[:size]


def make_files(path, count, low, high, stored_every, seed):
    rng = random.Random(seed)
    pool = text_block(rng, 4 << 20)
    with zipfile.ZipFile(path + ".tmp", "w") as z:
        for i in range(count):
            folder = "pack/%02d/%02d" % (i % 37, (i // 37) % 23)
            size = rng.randint(low, high)
            start = rng.randint(0, len(pool) - size)
            stored = stored_every and i % stored_every == 0
            # Distinct times, as real packs have them.
            when = (2020, 1 + i % 12, 1 + i % 28, i % 24, (i // 24) % 60, 2 * (i % 30))
            z.writestr(zipfile.ZipInfo("%s/file%05d.cfg" % (folder, i), when),
                       pool[start:start + size],
                       compress_type=zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED)
    os.replace(path + ".tmp", path)


def drop_zip64_end(path):
    """zipfile writes ZIP64 end records from 65,535 entries on, though the plain end
    record can hold that count: cut them out so that the pack is a plain ZIP."""
    with open(path, "r+b") as f:
        data = f.read()
        end = data.rfind(b"PK\x05\x06")
        locator = end - 20
        record = locator - 56
        if data[locator:locator + 4] != b"PK\x06\x07":
            return
        if data[record:record + 4] != b"PK\x06\x06":
            raise SystemExit("%s: unexpected ZIP64 end record" % path)
        count, = struct.unpack_from("<H", data, end + 10)
        size, offset = struct.unpack_from("<II", data, end + 12)
        if count != 0xFFFF or offset + size != record:
            raise SystemExit("%s: unexpected end record" % path)
        f.seek(record)
        f.write(data[end:])
        f.truncate()


def make_max_entries(path, seed):
    make_files(path + ".part", 65535, 1, 100, 2, seed)
    drop_zip64_end(path + ".part")
    os.replace(path + ".part", path)


def make_large(path, method, seed):
    rng = random.Random(seed)
    block = text_block(rng, 4 << 20)
    with zipfile.ZipFile(path + ".tmp", "w", allowZip64=False) as z:
        for e in range(4):
            info = zipfile.ZipInfo("big/part%d.bin" % e, STAMP)
            info.compress_type = method
            with z.open(info, "w", force_zip64=False) as out:
                for chunk in range(16):  # 16 x 4 MiB = 64 MiB
                    # Rotate the block so that no two chunks are alike.
                    k = (chunk * 7919 + e * 104729) % len(block)
                    out.write(block[k:] + block[:k])
    os.replace(path + ".tmp", path)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    packs = {
        "small.tpx": lambda p: make_files(p, 20000, 100, 6000, 5, 1),
        "medium.tpx": lambda p: make_files(p, 2000, 16 << 10, 64 << 10, 0, 2),
        "large-deflated.tpx": lambda p: make_large(p, zipfile.ZIP_DEFLATED, 3),
        "large-stored.tpx": lambda p: make_large(p, zipfile.ZIP_STORED, 3),
        "max-entries.tpx": lambda p: make_max_entries(p, 4),
    }
    for name, make in packs.items():
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            print("making", path)
            make(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
