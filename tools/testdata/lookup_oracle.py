#!/usr/bin/env python3
"""The rows `lineatum-tool build FILE.ged LOOKUP.DBF` should write, worked out independently
from the GEDCOM file's bytes.

usage: lookup_oracle.py FILE.ged LOOKUP.DBF   compare the table (read with dbfread) with the
                                              expected rows; exit 1 on any difference
       lookup_oracle.py --rows FILE.ged       print the expected rows
       lookup_oracle.py --selftest            check the oracle against known conversions

Reading: the file's character set is decided once. A byte-order mark says UTF-16LE, UTF-16BE
or UTF-8; otherwise the first "1 CHAR" line of the header says IBMPC (code page 437), ANSI,
ANSEL or MAC (Mac OS Roman); anything else is the default, where each line that is valid UTF-8
is UTF-8 and any other line Windows-1252. Lines end at LF, CR LF or a lone CR; a NUL ends a
line's text; offsets are byte offsets into the file.

Storing: each decoded line is composed (NFC) and converted to Windows-1252, characters it
cannot hold falling back to a near letter or to "?" (stored_form below). The rows then come
from the converted lines as the builder reads them (expected_rows below).

Every table holds Windows-1252 text, whatever the file's character set.
"""

import os
import sys
import unicodedata

sys.dont_write_bytecode = True  # leave no cache beside the sources

HERE = os.path.dirname(os.path.abspath(__file__))
ANSEL_TABLE = os.path.join(HERE, "..", "..", "testing", "data", "charsets", "ansel.txt")

WIDTHS = {"RTYPE": 1, "NAME": 70, "POINTER": 20, "OFFSET": 10}



# --- Windows-1252 ---------------------------------------------------------------------------------

def _cp1252_char(b):
    try:
        return bytes([b]).decode("cp1252")
    except UnicodeDecodeError:
        return chr(b)  # 81 8D 8F 90 9D stand for the C1 controls of the same value


CP1252_DECODE = [_cp1252_char(b) for b in range(256)]
CP1252_ENCODE = {ch: b for b, ch in enumerate(CP1252_DECODE)}


def decode_cp1252(data):
    return "".join(CP1252_DECODE[b] for b in data)


# --- ANSEL ----------------------------------------------------------------------------------------

def _load_ansel():
    table = {b: chr(b) for b in range(0x80)}
    with open(ANSEL_TABLE, encoding="utf-8") as source:
        for line in source:
            if not line.strip() or line.startswith("#"):
                continue
            byte, point = line.split("\t")[:2]
            table[int(byte, 16)] = chr(int(point[2:], 16))
    return table


ANSEL = _load_ansel()


def decode_ansel(data):
    """ANSEL bytes to Unicode, each run of combining marks (E0-FE) moved after the character
    that follows it, in the run's order. Marks with nothing after them stay at the end."""
    out = []
    marks = []
    for b in data:
        ch = ANSEL.get(b, "\ufffd")
        if 0xE0 <= b <= 0xFE and b in ANSEL:
            marks.append(ch)
        else:
            out.append(ch)
            out.extend(marks)
            marks = []
    out.extend(marks)
    return "".join(out)


# --- Reading the file -----------------------------------------------------------------------------

def byte_lines(data):
    """(offset, bytes) of each line of an 8-bit file: LF, CR LF and a lone CR end a line; the
    text stops at the first NUL."""
    lines = []
    start = 0
    i = 0
    n = len(data)
    while i < n:
        b = data[i]
        if b == 0x0A or b == 0x0D:
            lines.append((start, data[start:i]))
            i += 2 if b == 0x0D and i + 1 < n and data[i + 1] == 0x0A else 1
            start = i
        else:
            i += 1
    if start < n:
        lines.append((start, data[start:]))
    return [(offset, text.split(b"\x00", 1)[0]) for offset, text in lines]


def utf16_lines(data, byteorder):
    """(offset, text) of each line of a UTF-16 file after its byte-order mark. Unpaired
    surrogates and a final odd byte are U+FFFD; lines end at the code units 000A and 000D (LF,
    CR LF, lone CR); a NUL code unit ends a line's text. The first line begins at 0."""
    units = []  # (byte offset, code unit)
    for i in range(2, len(data) - 1, 2):
        units.append((i, int.from_bytes(data[i:i + 2], byteorder)))
    odd = len(data) >= 2 and len(data) % 2 == 1

    lines = []
    start = 0
    chars = []
    ended = False  # a NUL has ended this line's text
    i = 0
    n = len(units)

    def add(ch):
        if not ended:
            chars.append(ch)

    while i < n:
        offset, u = units[i]
        if u == 0x0A or u == 0x0D:
            lines.append((start, "".join(chars)))
            chars = []
            ended = False
            i += 2 if u == 0x0D and i + 1 < n and units[i + 1][1] == 0x0A else 1
            start = units[i][0] if i < n else 2 + 2 * n
            continue
        if u == 0:
            ended = True
        elif 0xD800 <= u <= 0xDBFF and i + 1 < n and 0xDC00 <= units[i + 1][1] <= 0xDFFF:
            add(chr(0x10000 + ((u - 0xD800) << 10) + (units[i + 1][1] - 0xDC00)))
            i += 1
        elif 0xD800 <= u <= 0xDFFF:
            add("\ufffd")
        else:
            add(chr(u))
        i += 1
    if odd:
        add("\ufffd")
    if start < len(data):
        lines.append((start, "".join(chars)))
    return lines


def default_text(line):
    try:
        return line.decode("utf-8")
    except UnicodeDecodeError:
        return decode_cp1252(line)


def header_charset(lines):
    """The character set the header's first "1 CHAR" line names (None: the default)."""
    for index, (offset, text) in enumerate(lines):
        if index > 0 and text[:1] == b"0":
            break
        upper = text.strip(b" ").upper()
        if not upper.startswith(b"1 CHAR"):
            continue
        if b"IBMPC" in upper:
            return "IBMPC"
        if b"ANSI" in upper:
            return None
        if b"ANSEL" in upper:
            return "ANSEL"
        if b"MAC" in upper:
            return "MAC"
        return None
    return None


def decoded_lines(data):
    """(character set, [(offset, Unicode text)]) of the file's bytes."""
    if data[:2] == b"\xff\xfe":
        return "UTF-16LE", utf16_lines(data, "little")
    if data[:2] == b"\xfe\xff":
        return "UTF-16BE", utf16_lines(data, "big")
    lines = byte_lines(data)
    if data[:3] == b"\xef\xbb\xbf":
        lines[0] = (0, lines[0][1][3:])
        return "UTF-8", [(offset, default_text(text)) for offset, text in lines]
    charset = header_charset(lines)
    if charset == "IBMPC":
        decode = lambda text: text.decode("cp437")  # noqa: E731
    elif charset == "ANSEL":
        decode = decode_ansel
    elif charset == "MAC":
        decode = lambda text: text.decode("mac_roman")  # noqa: E731
    else:
        decode = default_text
    return charset or "default", [(offset, decode(text)) for offset, text in lines]


# --- The stored form ------------------------------------------------------------------------------

SPELLED_OUT = {"Š": b"S", "š": b"s", "Ž": b"Z", "ž": b"z", "Œ": b"OE", "œ": b"oe"}
PLAIN_LETTER = dict(zip("łŁđĐħĦıĸŀĿŧŦ", (c.encode() for c in "lLdDhHikllLtT")))
assert len(PLAIN_LETTER) == 12


def stored_char(ch):
    if ch in SPELLED_OUT:
        return SPELLED_OUT[ch]
    if ch in CP1252_ENCODE:
        return bytes([CP1252_ENCODE[ch]])
    if ch in PLAIN_LETTER:
        return PLAIN_LETTER[ch]
    rest = [c for c in unicodedata.normalize("NFD", ch)
            if not unicodedata.category(c).startswith("M")]
    if not rest:
        return b""
    if all(c in CP1252_ENCODE for c in rest):
        return bytes(CP1252_ENCODE[c] for c in rest)
    return b"?"


def stored_form(text):
    """The Windows-1252 bytes the table stores for a decoded line."""
    return b"".join(stored_char(ch) for ch in unicodedata.normalize("NFC", text))


# --- The rows -------------------------------------------------------------------------------------

def pointer_of(line):
    """(pointer, index of its closing "@" or -1) of a trimmed level-0 line."""
    first = line.find(b"@")
    if first < 0:
        return b"", -1
    second = line.find(b"@", first + 1, first + 100)
    if second < 0:
        return b"", -1
    return line[first + 1:second], second


def is_individual(line):
    _, closing = pointer_of(line)
    if closing < 0:
        return False
    word = line[closing + 1:].lstrip(b" ").split(b" ", 1)[0]
    return word.upper() == b"INDI"


def compose_name(line):
    """(name, named) of a trimmed "1 NAME" line."""
    value = line[6:105].strip(b" ")
    if b"/" not in value:
        return b", " + value, value != b""
    given, rest = value.split(b"/", 1)
    surname = rest.split(b"/", 1)[0]
    return surname.strip(b" ") + b", " + given.strip(b" "), surname != b"" or given != b""


def fit(text, width):
    return text[:width].ljust(width, b" ")


def expected_rows(data):
    """(character set, [(RTYPE, NAME, POINTER, OFFSET)]) with the texts stored and padded."""
    charset, lines = decoded_lines(data)
    rows = []
    record = None  # [offset, pointer, individual, name, named]

    def write():
        if record is not None:
            offset, pointer, individual, name, named = record
            rows.append((b"I" if named else b"R", fit(name if individual else b"", 70),
                         fit(pointer, 20), offset))

    for offset, text in lines:
        line = stored_form(text).strip(b" ")
        if not line or line[:1] not in (b"0", b"1"):
            continue
        if line.startswith(b"0 @"):
            write()
            record = [offset, pointer_of(line)[0], is_individual(line), b"", False]
        elif line.startswith(b"0 TR"):
            write()
            record = None
        elif line.startswith(b"1 NAME") and record is not None and record[2]:
            record[3], record[4] = compose_name(line)
    write()
    return charset, rows


# --- Comparing with the table ---------------------------------------------------------------------

def table_rows(path):
    try:
        from dbfread import DBF
    except ImportError:
        sys.stderr.write("lookup_oracle.py: needs dbfread (python3-dbfread)\n")
        sys.exit(2)
    table = DBF(path, raw=True)
    fields = {field.name: field for field in table.fields}
    problems = []
    for name, width in WIDTHS.items():
        field = fields.get(name)
        if field is None:
            problems.append("the table has no field %s" % name)
        elif field.length != width:
            problems.append("field %s is %d wide, not %d" % (name, field.length, width))
    if len(table.deleted) != 0:
        problems.append("the table has %d deleted rows" % len(table.deleted))
    rows = []
    if not problems:
        for record in table:
            offset = record["OFFSET"].strip(b" ")
            rows.append((record["RTYPE"], record["NAME"], record["POINTER"],
                         int(offset) if offset.isdigit() else offset))
    return problems, rows


def shown(value, decode):
    return repr(decode(value).rstrip(" ")) if isinstance(value, bytes) else repr(value)


def row_text(row, decode):
    rtype, name, pointer, offset = row
    return "%s %s %s %s" % (decode(rtype), shown(pointer, decode), shown(name, decode), offset)


def compare(gedcom, table, out):
    charset, want = expected_rows(open(gedcom, "rb").read())
    problems, got = table_rows(table)
    for problem in problems:
        out.write(problem + "\n")
    if problems:
        return 1
    # Every table holds Windows-1252, whatever the file's character set.
    table_text = decode_cp1252
    differences = 0
    limit = 40
    if len(got) != len(want):
        out.write("%d rows in the table, %d expected\n" % (len(got), len(want)))
        differences += 1
    for number in range(1, max(len(got), len(want)) + 1):
        g = got[number - 1] if number <= len(got) else None
        w = want[number - 1] if number <= len(want) else None
        found = []
        if g is None:
            found.append("missing: %s" % row_text(w, decode_cp1252))
        elif w is None:
            found.append("extra: %s" % row_text(g, table_text))
        else:
            for index, field in enumerate(("RTYPE", "NAME", "POINTER", "OFFSET")):
                a, b = g[index], w[index]
                same = table_text(a) == decode_cp1252(b) if isinstance(b, bytes) else a == b
                if not same:
                    found.append("%s %s, expected %s" %
                                 (field, shown(a, table_text), shown(b, decode_cp1252)))
        if found:
            differences += 1
            if differences <= limit:
                pointer = decode_cp1252(w[2]) if w else table_text(g[2])
                out.write("row %d (%s): %s\n" % (number, pointer.rstrip(" "), "; ".join(found)))
    if differences > limit:
        out.write("... %d more differences\n" % (differences - limit))
    if differences:
        out.write("%s: %d differences (character set %s)\n" % (gedcom, differences, charset))
    return 1 if differences else 0


def print_rows(gedcom, out):
    charset, rows = expected_rows(open(gedcom, "rb").read())
    out.write("# %s: %d rows, character set %s\n" % (gedcom, len(rows), charset))
    for rtype, name, pointer, offset in rows:
        out.write("%s\t%s\t%s\t%d\n" % (decode_cp1252(rtype), decode_cp1252(pointer).rstrip(" "),
                                         decode_cp1252(name).rstrip(" "), offset))


# --- Checks of the oracle itself ------------------------------------------------------------------

def selftest(out):
    failures = []

    def check(what, got, want):
        if got != want:
            failures.append("%s: %r, expected %r" % (what, got, want))

    check("Czech", stored_form("Dvořák, Antonín"), b"Dvor\xe1k, Anton\xedn")
    check("decomposed", stored_form("Dvor\u030ca\u0301k"), b"Dvor\xe1k")
    check("S caron", stored_form("Šimek"), b"Simek")
    check("Z caron", stored_form("Žukas žena"), b"Zukas zena")
    check("OE", stored_form("Œuvre œil"), b"OEuvre oeil")
    check("Greek", stored_form("Ωμέγα"), b"?????")
    check("CJK beyond the BMP", stored_form("\U00020bb7田"), b"??")
    check("L stroke", stored_form("Łukasz Wałęsa"), b"Lukasz Walesa")
    check("Icelandic", stored_form("Hlöðvir Þorfinnsson"), b"Hl\xf6\xf0vir \xdeorfinnsson")
    check("Y diaeresis", stored_form("Ÿ"), b"\x9f")
    check("euro", stored_form("€"), b"\x80")
    check("C1 controls", stored_form("\x81\x8d\x8f\x90\x9d"), b"\x81\x8d\x8f\x90\x9d")
    check("lone mark", stored_form("\u0301a"), b"a")
    check("two marks", stored_form("e\u0323\u0302"), b"e")
    check("replacement", stored_form("\ufffd"), b"?")
    check("ANSEL acute e", stored_form(decode_ansel(b"\xe2e")), b"\xe9")
    check("ANSEL name", stored_form(decode_ansel(b"Dvo\xe9r\xe2ak")), b"Dvor\xe1k")
    check("ANSEL two marks", decode_ansel(b"\xf2\xe3e"), "e\u0323\u0302")
    check("ANSEL L stroke", stored_form(decode_ansel(b"\xa1ukasz")), b"Lukasz")
    check("ANSEL undefined", decode_ansel(b"\xaf\xfc"), "\ufffd\ufffd")
    check("ANSEL mark at the end", decode_ansel(b"a\xe2"), "a\u0301")
    check("Windows-1252 line", default_text(b"Ren\xe9 \x81"), "René \x81")
    check("UTF-8 line", default_text(b"Ren\xc3\xa9"), "René")
    check("8-bit lines", byte_lines(b"0 A\r\n1 B\r1 C\n1 D\x00x\n\n1 E"),
          [(0, b"0 A"), (5, b"1 B"), (9, b"1 C"), (13, b"1 D"), (19, b""), (20, b"1 E")])
    check("UTF-16LE lines", utf16_lines(b"\xff\xfe0\x00\r\x00\n\x001\x00\x00\xd8x\x00\r\x00"
                                        b"2\x00=\xd8\x00\xde\n\x00A", "little"),
          [(0, "0"), (8, "1\ufffdx"), (16, "2\U0001f600"), (24, "\ufffd")])
    check("UTF-16BE NUL", utf16_lines(b"\xfe\xff\x000\x00\x00\x00x\x00\n", "big"), [(0, "0")])
    check("header IBMPC", header_charset([(0, b"0 HEAD"), (8, b" 1 char IBMPC ")]), "IBMPC")
    check("header ends", header_charset([(0, b"0 HEAD"), (8, b"0 @I1@ INDI"),
                                         (20, b"1 CHAR ANSEL")]), None)
    check("header first CHAR", header_charset([(0, b"0 HEAD"), (8, b"1 CHAR UTF-8"),
                                               (20, b"1 CHAR ANSEL")]), None)
    check("Macintosh", header_charset([(0, b"0 HEAD"), (8, b"1 CHAR MACINTOSH")]), "MAC")
    check("name", compose_name(b"1 NAME John  /Smith/ Jr"), (b"Smith, John", True))
    check("no slash", compose_name(b"1 NAME Cher"), (b", Cher", True))
    check("empty name", compose_name(b"1 NAME"), (b", ", False))
    check("surname only", compose_name(b"1 NAME /Young"), (b"Young, ", True))
    check("blank parts", compose_name(b"1 NAME  / /"), (b", ", True))
    check("INDI", is_individual(b"0 @P12@ indi"), True)
    check("FAM", is_individual(b"0 @I1@ FAM"), False)
    check("long pointer", pointer_of(b"0 @" + b"x" * 98 + b"@ INDI")[0], b"x" * 98)
    check("too long pointer", pointer_of(b"0 @" + b"x" * 99 + b"@ INDI")[0], b"")
    # The last NAME wins; a family's NAME line gives no name; a note after the trailer is a row.
    rows = expected_rows(b"0 HEAD\n1 CHAR ANSEL\n0 @I1@ INDI\n1 NAME Ann /Lee/\n"
                         b"1 NAME Jos\xe2e /Mu\xe4noz/\n0 @F1@ FAM\n1 NAME X /Y/\n0 TRLR\n"
                         b"0 @N1@ NOTE\n")[1]
    check("rows", rows, [(b"I", fit(b"Mu\xf1oz, Jos\xe9", 70), fit(b"I1", 20), 20),
                         (b"R", fit(b"", 70), fit(b"F1", 20), 71),
                         (b"R", fit(b"", 70), fit(b"N1", 20), 102)])
    for failure in failures:
        out.write(failure + "\n")
    out.write("selftest: %d failures\n" % len(failures))
    return 1 if failures else 0


def main():
    out = open(sys.stdout.fileno(), "w", encoding="utf-8", errors="backslashreplace",
               closefd=False)
    args = sys.argv[1:]
    if args == ["--selftest"]:
        code = selftest(out)
    elif len(args) == 2 and args[0] == "--rows":
        print_rows(args[1], out)
        code = 0
    elif len(args) == 2 and not args[0].startswith("-"):
        code = compare(args[0], args[1], out)
    else:
        sys.exit("usage: lookup_oracle.py FILE.ged LOOKUP.DBF | --rows FILE.ged | --selftest")
    out.flush()
    sys.exit(code)


if __name__ == "__main__":
    main()
