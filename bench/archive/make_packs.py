#!/usr/bin/env python3
"""Generates the benchmark packs in a folder (kept when already there):

  small.tpx           20,000 small entries (0.1 to 6 KB) in nested folders, mostly deflated
  large-deflated.tpx  4 entries of 64 MiB of text-like data, deflated
  large-stored.tpx    4 entries of 64 MiB of the same data, stored
"""
import os
import random
import sys
import zipfile

WORDS = ("service pack lobby client game player match table round score level "
         "option config value title launch install custom folder file data "
         "alpha beta gamma delta omega zero one two three four five six").split()


def text_block(rng, size):
    out = []
    n = 0
    while n < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        line += " %d\n" % rng.randint(0, 1 << 30)
        out.append(line)
        n += len(line)
    return "".join(out).encode()[:size]


def make_small(path, rng):
    pool = text_block(rng, 1 << 20)
    with zipfile.ZipFile(path + ".tmp", "w") as z:
        for i in range(20000):
            folder = "pack/%02d/%02d" % (i % 37, (i // 37) % 23)
            size = rng.randint(100, 6000)
            start = rng.randint(0, len(pool) - size)
            method = zipfile.ZIP_STORED if i % 5 == 0 else zipfile.ZIP_DEFLATED
            # Distinct times, as real packs have them.
            when = (2020, 1 + i % 12, 1 + i % 28, i % 24, (i // 24) % 60, 2 * (i % 30))
            z.writestr(zipfile.ZipInfo("%s/file%05d.cfg" % (folder, i), when),
                       pool[start:start + size], compress_type=method)
    os.replace(path + ".tmp", path)


def make_large(path, method, rng_seed):
    rng = random.Random(rng_seed)
    block = text_block(rng, 4 << 20)
    with zipfile.ZipFile(path + ".tmp", "w", allowZip64=False) as z:
        for e in range(4):
            info = zipfile.ZipInfo("big/part%d.bin" % e, (2020, 5, 6, 7, 8, 10))
            info.compress_type = method
            with z.open(info, "w", force_zip64=False) as out:
                for chunk in range(16):  # 16 x 4 MiB = 64 MiB
                    # Rotate the block so that no two chunks are alike.
                    k = (chunk * 7919 + e * 104729) % len(block)
                    out.write(block[k:] + block[:k])
    os.replace(path + ".tmp", path)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    small = os.path.join(folder, "small.tpx")
    if not os.path.exists(small):
        make_small(small, random.Random(1))
    for name, method in (("large-deflated.tpx", zipfile.ZIP_DEFLATED),
                         ("large-stored.tpx", zipfile.ZIP_STORED)):
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            make_large(path, method, 2)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
