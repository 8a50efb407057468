#!/usr/bin/env python3
"""Writes small seed archives for archive_fuzzer into a folder."""
import io
import os
import sys
import zipfile


class Unseekable(io.RawIOBase):
    """Makes zipfile write data descriptors (flag bit 3)."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def archive(entries, comment=b"", prefix=b""):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        for name, data, method in entries:
            z.writestr(zipfile.ZipInfo(name, (2001, 2, 3, 4, 5, 6)), data, compress_type=method)
        z.comment = comment
    return prefix + buf.getvalue()


def main(folder):
    os.makedirs(folder, exist_ok=True)
    S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
    seeds = {
        "stored": archive([("a.txt", b"hello", S)]),
        "deflated": archive([("dir/b.bin", b"abc" * 300, D)]),
        "mixed": archive([("d/", b"", S), ("d/x", b"x" * 40, D), ("d/y", b"yy", S),
                          ("tpx.cfg", b"[tpx]\ntitle=T\n", D)]),
        "empty_entries": archive([("e", b"", S), ("f", b"", D)]),
        "comment": archive([("c", b"c", S)], comment=b"PK\x05\x06 comment"),
        "prefix": archive([("p", b"p" * 100, D)], prefix=b"MZ stub " * 4),
    }
    raw = Unseekable()
    with zipfile.ZipFile(raw, "w") as z:
        z.writestr("streamed.txt", b"streamed " * 20, compress_type=D)
    seeds["descriptor"] = bytes(raw.data)
    for name, data in seeds.items():
        with open(os.path.join(folder, name + ".zip"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "archive_seeds")
