#!/usr/bin/env python3
"""What `lineatum-tool surnames` and `lineatum-tool surname` should print, worked out
independently.

usage: surnames_oracle.py LOOKUP.DBF < queries

Reads the lookup table's rows with dbfread (never its index), computes each row's NAME tag key
"RTYPE-UPPER(NAME)" in the general-collation index form (collation.py), orders the rows by key,
then record number, and keeps the named individuals (keys from "I" to "J"). A row's surname is
the text of its NAME before the first comma, blank-trimmed and upper-cased in Windows-1252
(none without a comma); its initial is the first primary weight of its key after the "I": the
letter A to Z with that weight, else "#".

Each line on stdin (UTF-8, a trailing CR dropped) is one query; each answer ends with a line
holding the byte 0xFF alone, which no UTF-8 text contains (a surname may be "--"):
  surnames LETTER   the surnames of the rows whose initial is LETTER (A to Z in either case, or
                    "#"), each once, in the order of its first row
  surname SURNAME   the rows whose surname is SURNAME (blank-trimmed and upper-cased first) as
                    "pointer<TAB>name", the name blank-trimmed and upper-cased
  counts            every surname as "rows<TAB>surname", the most common first (equal counts in
                    the order of the surnames' first rows)
Text is printed in UTF-8.
"""

import os
import sys

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dbfread import DBF  # noqa: E402

from collation import (  # noqa: E402
    ANSI_UPPER, DECODE, LETTER_WEIGHTS, general_form, name_key_text, padded, to_utf8,
    to_windows1252)

# Upper case of the lists: only letters with two cases change, and the sharp s has none.
assert DECODE[ANSI_UPPER["ü".encode("cp1252")[0]]] == "Ü"
assert DECODE[ANSI_UPPER["š".encode("cp1252")[0]]] == "Š"
assert DECODE[ANSI_UPPER["ÿ".encode("cp1252")[0]]] == "Ÿ"
assert DECODE[ANSI_UPPER["ß".encode("cp1252")[0]]] == "ß"
assert DECODE[ANSI_UPPER["µ".encode("cp1252")[0]]] == "µ"


END_OF_ANSWER = b"\xff\n"


def surname_of(name):
    """The upper-cased, blank-trimmed text before the first comma; empty without a comma."""
    comma = name.find(b",")
    if comma < 0:
        return b""
    return name[:comma].strip(b" ").translate(ANSI_UPPER)


class Row:
    __slots__ = ("key", "number", "pointer", "name", "surname", "initial")


def read_rows(path):
    """The named individuals of the table in NAME tag order."""
    table = DBF(path, raw=True)
    widths = {field.name: field.length for field in table.fields}
    key_length = 2 * (widths["RTYPE"] + widths["NAME"])
    if len(table.deleted) != 0:
        sys.exit("surnames_oracle.py: deleted records are not supported")
    low = padded(general_form(b"I", key_length), key_length)
    high = padded(general_form(b"J", key_length), key_length)
    rows = []
    for number, record in enumerate(table, start=1):
        key = padded(general_form(name_key_text(record["RTYPE"], record["NAME"]), key_length),
                     key_length)
        if not low <= key <= high:
            continue
        row = Row()
        row.key = key
        row.number = number
        row.pointer = record["POINTER"].strip(b" ")
        row.name = record["NAME"].strip(b" ")
        row.surname = surname_of(record["NAME"])
        # key[0] is the weight of the "I"; key[1] the first primary of the name (both always
        # there: a key from "I" to "J" that is "I" alone would be a nameless individual).
        row.initial = LETTER_WEIGHTS.get(key[1], "#") if len(key) > 1 else "#"
        rows.append(row)
    rows.sort(key=lambda row: (row.key, row.number))
    return rows


def surnames_of_letter(rows, letter):
    seen = set()
    listed = []
    for row in rows:
        if row.initial == letter and row.surname and row.surname not in seen:
            seen.add(row.surname)
            listed.append(row.surname)
    return listed


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: surnames_oracle.py LOOKUP.DBF < queries")
    rows = read_rows(sys.argv[1])

    out = sys.stdout.buffer
    lines = sys.stdin.buffer.read().split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for line in lines:
        if line.endswith(b"\r"):
            line = line[:-1]
        command, _, argument = line.partition(b" ")
        if command == b"surnames":
            letter = argument.decode("ascii").upper()
            if not (letter == "#" or (len(letter) == 1 and "A" <= letter <= "Z")):
                sys.exit("surnames_oracle.py: no such letter button: %r" % argument)
            for surname in surnames_of_letter(rows, letter):
                out.write(to_utf8(surname) + b"\n")
        elif command == b"surname":
            sought = to_windows1252(argument).strip(b" ").translate(ANSI_UPPER)
            for row in rows:
                if sought and row.surname == sought:
                    out.write(to_utf8(row.pointer) + b"\t" +
                              to_utf8(row.name.translate(ANSI_UPPER)) + b"\n")
        elif command == b"counts":
            counts = {}
            for row in rows:
                if row.surname:
                    counts[row.surname] = counts.get(row.surname, 0) + 1
            # dicts keep the order of first insertion: the order of the surnames' first rows
            for surname, count in sorted(counts.items(), key=lambda item: -item[1]):
                out.write(b"%d\t" % count + to_utf8(surname) + b"\n")
        else:
            sys.exit("surnames_oracle.py: unknown query %r" % line)
        out.write(END_OF_ANSWER)


if __name__ == "__main__":
    main()
