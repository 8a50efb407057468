#!/usr/bin/env python3
"""Builds the demo service pack (.tpx, a ZIP archive) from a source folder.

Usage: make_sample_pack.py OUT.tpx [SOURCE_DIR]

SOURCE_DIR defaults to examples/sample-pack. Entries keep the folder's names and
letter case (the installer lower-cases them), directories get entries of their own,
files are deflated, and every entry carries one fixed time so that the pack is the
same byte for byte on every build.
"""
import os
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXED_TIME = (2024, 5, 17, 14, 30, 0)
ATTR_DIRECTORY = 0x10
ATTR_ARCHIVE = 0x20


def entries(source):
    """(archive name, file path or None for a directory), parents before children."""
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        rel = os.path.relpath(folder, source)
        if rel != ".":
            yield rel.replace(os.sep, "/") + "/", None
        for name in sorted(files):
            path = os.path.join(folder, name)
            yield os.path.relpath(path, source).replace(os.sep, "/"), path


def build(out, source):
    with zipfile.ZipFile(out, "w") as pack:
        for name, path in entries(source):
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.create_system = 0  # attributes are Windows ones
            if path is None:
                info.external_attr = ATTR_DIRECTORY
                pack.writestr(info, b"")
            else:
                info.external_attr = ATTR_ARCHIVE
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    pack.writestr(info, f.read())


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    source = argv[2] if len(argv) == 3 else os.path.join(ROOT, "examples", "sample-pack")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    build(out, source)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
