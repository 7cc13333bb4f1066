#!/usr/bin/env python3
"""Turns the output of dump_upcase.c ("XXXX YYYY" per code unit with an upper
case) into the range table of src/support/text_case.cpp.

    x86_64-w64-mingw32-gcc -O1 -o dump_upcase.exe dump_upcase.c
    wine dump_upcase.exe > upcase.txt
    python3 gen_upcase_table.py upcase.txt

A range covers first..last, every unit (step 1) or every other one (step 2),
each mapped to itself plus delta. The Wine test of the table compares it with
CompareStringOrdinal over every code unit."""
import sys

pairs = []
with open(sys.argv[1]) as f:
    for line in f:
        a, b = line.split()
        pairs.append((int(a, 16), int(b, 16)))
pairs.sort()

ranges = []  # [first, last, delta, step]
for c, u in pairs:
    d = u - c
    if ranges:
        r = ranges[-1]
        if r[2] == d and r[3] == 1 and c == r[1] + 1:
            r[1] = c
            continue
        if r[2] == d and r[3] == 2 and c == r[1] + 2:
            r[1] = c
            continue
        if r[2] == d and r[0] == r[1] and c == r[1] + 2:
            r[1], r[3] = c, 2
            continue
    ranges.append([c, c, d, 1])

print(f"// {len(pairs)} code units in {len(ranges)} ranges: first, last, delta, step")
for first, last, delta, step in ranges:
    print(f"    {{0x{first:04X}, 0x{last:04X}, {delta}, {step}}},")
