#!/usr/bin/env python3
"""Packs the unpacked extension into a zip for a browser's store: entries in
a fixed order with fixed times (SOURCE_DATE_EPOCH, else 1 January 1980), so
that the same files always give the same zip.

    pack_extension.py EXTENSION_DIR OUT.zip
"""
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "release"))
from make_release import write_zip  # noqa: E402


def main():
    folder, out = Path(sys.argv[1]), Path(sys.argv[2])
    entries = [(path.relative_to(folder).as_posix(), path.read_bytes())
               for path in sorted(folder.rglob("*")) if path.is_file()]
    write_zip(out, entries, int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")))


if __name__ == "__main__":
    main()
