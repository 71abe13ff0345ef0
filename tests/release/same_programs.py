#!/usr/bin/env python3
"""The release's programs are byte for byte those of another build of the same
sources (the mingw64 preset's): proof that the build is reproducible, made in
another folder at another time, without building the release twice.

    same_programs.py RELEASE_FOLDER BUILD_BIN_FOLDER
"""
import sys
import zipfile
from pathlib import Path

PROGRAMS = ("Korvel.exe", "KorvelEverywhere.exe", "korvel-convert.exe")


def main():
    release, built = Path(sys.argv[1]), Path(sys.argv[2])
    (packed,) = release.glob("Korvel-*-win64.zip")
    differ = []
    with zipfile.ZipFile(packed) as archive:
        names = {Path(name).name: name for name in archive.namelist()}
        for program in PROGRAMS:
            if archive.read(names[program]) != (built / program).read_bytes():
                differ.append(program)
    for program in differ:
        print(f"{program} in {packed.name} differs from {built / program}", file=sys.stderr)
    if not differ:
        print(f"{', '.join(PROGRAMS)}: the same bytes in {packed.name} and in {built}")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
