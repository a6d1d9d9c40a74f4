#!/usr/bin/env python3
"""What `lineatum-tool names LOOKUP.DBF --count N -` should print, worked out independently.

usage: names_oracle.py LOOKUP.DBF N < prefixes

Reads the lookup table's rows with dbfread (never its index), computes each row's NAME tag key
"RTYPE-UPPER(NAME)" in the general-collation index form of doc/cdx_format.md, orders the keys
(the shorter padded with 0x00, so a key comes before the longer keys it begins; equal keys by
record number; the collation is in collation.py), keeps the keys from "I" to "J" and,
for every prefix on stdin (UTF-8, one a line, a trailing CR dropped), prints the rows from the
first key not less than "I" + the prefix (converted to Windows-1252, blank-trimmed and
upper-cased as the Select Person dialog does), at most N, as "pointer<TAB>name", then "--".
"""

import bisect
import os
import sys

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dbfread import DBF  # noqa: E402

from collation import (  # noqa: E402
    ANSI_UPPER, general_form, name_key_text, padded, to_utf8, to_windows1252)


# --- The search --------------------------------------------------------------------------------------


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: names_oracle.py LOOKUP.DBF N < prefixes")
    table = DBF(sys.argv[1], raw=True)
    count = int(sys.argv[2])
    widths = {field.name: field.length for field in table.fields}
    key_length = 2 * (widths["RTYPE"] + widths["NAME"])
    if len(table.deleted) != 0:
        sys.exit("names_oracle.py: deleted records are not supported")

    forms = {}  # many rows share a name
    entries = []
    for number, record in enumerate(table, start=1):
        text = name_key_text(record["RTYPE"], record["NAME"])
        key = forms.get(text)
        if key is None:
            key = forms[text] = padded(general_form(text, key_length), key_length)
        entries.append((key, number, record["POINTER"], record["NAME"]))
    entries.sort(key=lambda entry: (entry[0], entry[1]))

    low = padded(general_form(b"I", key_length), key_length)
    high = padded(general_form(b"J", key_length), key_length)
    entries = [entry for entry in entries if low <= entry[0] <= high]
    keys = [entry[0] for entry in entries]

    out = sys.stdout.buffer
    data = sys.stdin.buffer.read()
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for line in lines:
        if line.endswith(b"\r"):
            line = line[:-1]
        typed = to_windows1252(line).strip(b" ").translate(ANSI_UPPER)
        sought = padded(general_form(b"I" + typed, key_length), key_length)
        first = bisect.bisect_left(keys, sought)
        for key, number, pointer, name in entries[first:first + count]:
            out.write(to_utf8(pointer.strip(b" ")) + b"\t" + to_utf8(name.strip(b" ")) + b"\n")
        out.write(b"--\n")


if __name__ == "__main__":
    main()
