#!/usr/bin/env python3
"""Every meter instance's fix-up table against the relocations its object file carries.

    unit_fixups_test.py OBJECT...

The assembler resolves every jump within a unit itself; what it leaves to the linker is
exactly the set of address fields a copy laid elsewhere must have set again. So, for every
unit (<routine>_unit) in the ELF objects given: its code fix-ups are the relocations in its
code, its data fix-ups the relocations in its own data; an absolute relocation stands for an
absolute kind, a PC-relative one for FIXUP_REL32_OUT. Objects without units are passed
over; none with units at all is a failure.
"""
import re
import struct
import subprocess
import sys
import tempfile

ABS32_OUT, REL32_OUT, ABS32_DATA, DATA_ABS32_CODE = 1, 2, 3, 4
ABSOLUTE = {"R_386_32", "R_X86_64_32", "R_X86_64_32S"}
RELATIVE = {"R_386_PC32", "R_X86_64_PC32", "R_X86_64_PLT32", "R_386_PLT32"}


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def section_bytes(obj, name):
    with tempfile.NamedTemporaryFile() as out:
        run("objcopy", "-O", "binary", "--only-section=" + name, obj, out.name)
        return out.read()


def relocations(obj):
    """{section: [(offset, type, addend or None)]}"""
    found, current = {}, None
    for line in run("objdump", "-r", obj).splitlines():
        header = re.match(r"RELOCATION RECORDS FOR \[(.*)\]", line)
        if header:
            current = header.group(1)
            continue
        fields = line.split()
        if current and len(fields) >= 3 and re.fullmatch(r"[0-9a-f]+", fields[0]):
            addend = re.search(r"([+-])0x([0-9a-f]+)$", fields[2])
            value = None
            if addend:
                value = int(addend.group(2), 16) * (-1 if addend.group(1) == "-" else 1)
            found.setdefault(current, []).append((int(fields[0], 16), fields[1], value))
    return found


def check(obj):
    """The number of units checked; failures printed."""
    if ".rodata.unit_fixups" not in run("objdump", "-h", obj):
        return 0, 0
    pointer = 8 if "elf64" in run("objdump", "-f", obj) else 4
    symbols = {}
    for line in run("nm", "-S", obj).splitlines():
        fields = line.split()
        if len(fields) == 4:
            symbols[fields[3]] = int(fields[0], 16)
    data = section_bytes(obj, ".data")
    fixups = section_bytes(obj, ".rodata.unit_fixups")
    relocated = relocations(obj)
    data_relocations = {offset: (kind, addend) for offset, kind, addend in relocated.get(".data", [])}
    units = sorted((address, name) for name, address in symbols.items() if name.endswith("_unit"))
    failures, position = 0, 0
    for address, name in units:
        start = symbols[name[: -len("_unit")]]
        code_bytes, data_bytes, count = struct.unpack_from("<III", data, address + 3 * pointer)
        entries = [struct.unpack_from("<II", fixups, position + 8 * i) for i in range(count)]
        position += 8 * count
        # The unit's data: the descriptor's second pointer, relocated against .data.
        data_start = None
        if data_bytes:
            kind, addend = data_relocations[address + pointer]
            data_start = addend if addend is not None else struct.unpack_from("<I", data, address + pointer)[0]

        def kinds_of(section, begin, size):
            return sorted((offset - begin, "abs" if kind in ABSOLUTE else "rel" if kind in RELATIVE else kind)
                          for offset, kind, _ in relocated.get(section, []) if begin <= offset < begin + size)

        def named(kind):
            return "rel" if kind == REL32_OUT else "abs"

        code = sorted((offset, named(kind)) for kind, offset in entries if kind != DATA_ABS32_CODE)
        own = sorted((offset, named(kind)) for kind, offset in entries if kind == DATA_ABS32_CODE)
        expected_code = kinds_of(".text", start, code_bytes)
        expected_own = kinds_of(".data", data_start, data_bytes) if data_bytes else []
        for what, table, expected in (("code", code, expected_code), ("data", own, expected_own)):
            if table != expected:
                failures += 1
                print(f"{obj}: {name}: {what} fix-ups {table} but relocations {expected}")
    if position != len(fixups):
        failures += 1
        print(f"{obj}: {len(fixups) - position} bytes of fix-up entries belong to no unit")
    return len(units), failures


def main():
    units = failures = 0
    for obj in sys.argv[1:]:
        checked, failed = check(obj)
        units += checked
        failures += failed
    if units == 0:
        print("unit_fixups_test: no units in the objects given")
        return 1
    print(f"{units} units checked, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
