#!/usr/bin/env python3
"""Packs as Python's zipfile writes them: non-ASCII names stored as UTF-8, bit 11 set.

  make_utf8_packs.py DIR   writes DIR/echecs.tpx and DIR/shogi.tpx
"""
import os
import sys
import zipfile

PACKS = {
    "echecs.tpx": [("Échecs/Règles.txt", "rules"), ("Échecs/tpx.cfg", "[tpx]\r\ntitle=Echecs\r\n")],
    # 表 and ソ end in the byte 0x5C in code page 932.
    "shogi.tpx": [
        ("将棋/駒.txt", "piece"),
        ("将棋/表/ソ", "so"),
        ("将棋/tpx.cfg", "[tpx]\r\ntitle=Shogi\r\n"),
    ],
}

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for pack, entries in PACKS.items():
    with zipfile.ZipFile(os.path.join(out, pack), "w", zipfile.ZIP_DEFLATED) as zf:
        for name, text in entries:
            zf.writestr(zipfile.ZipInfo(name, (2004, 5, 6, 7, 8, 10)), text)
