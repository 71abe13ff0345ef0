#!/usr/bin/env python3
"""Checks Windows executables as a user's system will load them: ASLR
(DYNAMIC_BASE, and HIGH_ENTROPY_VA for 64-bit programs) and DEP (NX_COMPAT)
stay on, and the import table names only KnownDLLs, the system libraries the
loader never looks for beside the program. Any other library must be loaded
at run time from the system folder.

    check_executables.py PROGRAM.exe...
"""
import struct
import sys

DYNAMIC_BASE, HIGH_ENTROPY_VA, NX_COMPAT = 0x0040, 0x0020, 0x0100
# KnownDLLs of every supported Windows version that Korvel's programs may use.
KNOWN_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "SHELL32.DLL", "OLE32.DLL", "ADVAPI32.DLL", "MSVCRT.DLL"}


def read_pe(path):
    with open(path, "rb") as file:
        data = file.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    is_64_bit = magic == 0x20B
    characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    directories = optional + (112 if is_64_bit else 96)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    table = optional + optional_size
    section_list = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for virtual_size, address, raw_size, raw_pointer in section_list:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw_pointer
        raise ValueError(f"{path}: RVA {rva:#x} in no section")

    imports = []
    entry = offset(import_rva) if import_rva else None
    while entry is not None:
        name_rva = struct.unpack_from("<12xI", data, entry)[0]
        if name_rva == 0:
            break
        name = data[offset(name_rva):].split(b"\0", 1)[0].decode("ascii")
        imports.append(name.upper())
        entry += 20
    return is_64_bit, characteristics, imports


def main(paths):
    failures = []
    for path in paths:
        is_64_bit, characteristics, imports = read_pe(path)
        wanted = {"DYNAMIC_BASE": DYNAMIC_BASE, "NX_COMPAT": NX_COMPAT}
        if is_64_bit:
            wanted["HIGH_ENTROPY_VA"] = HIGH_ENTROPY_VA
        missing = [name for name, bit in wanted.items() if not characteristics & bit]
        foreign = sorted(set(imports) - KNOWN_DLLS)
        print(f"{path}: {'PE32+' if is_64_bit else 'PE32'}, DllCharacteristics {characteristics:#06x}, "
              f"imports {' '.join(imports)}")
        if missing:
            failures.append(f"{path}: {', '.join(missing)} off")
        if foreign:
            failures.append(f"{path}: imports {', '.join(foreign)}, which the loader may take from beside the program")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
