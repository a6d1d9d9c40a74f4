"""The lookup table's NAME keys and its Windows-1252 text, worked out independently of the
engine, for the tool tests' oracles.

Keys follow doc/cdx_format.md: the key expression "RTYPE-UPPER(NAME)" evaluated on a row's
stored bytes, then its general-collation index form; keys compare as bytes with the shorter
padded by 0x00, so a key sorts before the longer keys it begins, and equal keys by record
number.
"""

# --- General collation, from doc/cdx_format.md -------------------------------------------------

PRIMARY = bytes.fromhex(
    "10 10 10 10 10 10 10 10 10 11 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10"
    "11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20 56 57 58 59 5a 5b 5c 5d 5e 5f 21 22 23 24 25 26"
    "27 60 61 62 64 66 67 68 69 6a 6b 6c 6d 6f 70 72 73 74 75 76 77 78 7a 7b 7c 7d 7e 28 29 2a 2b 2c"
    "2d 60 61 62 64 66 67 68 69 6a 6b 6c 6d 6f 70 72 73 74 75 76 77 78 7a 7b 7c 7d 7e 2e 2f 30 31 10"
    "10 10 18 32 13 33 34 35 36 37 76 18 00 10 10 10 10 18 18 13 13 38 1e 1e 39 3a 76 18 00 10 10 7d"
    "20 3b 3c 3d 3e 3f 40 41 42 43 44 13 45 1e 46 47 48 49 58 59 4a 4b 4c 4d 4e 57 4f 13 50 51 52 53"
    "60 60 60 60 60 60 06 62 66 66 66 66 6a 6a 6a 6a 65 70 72 72 72 72 72 54 81 78 78 78 78 7d 12 0c"
    "60 60 60 60 60 60 06 62 66 66 66 66 6a 6a 6a 6a 65 70 72 72 72 72 72 55 81 78 78 78 78 7d 12 7d"
)
SECONDARY = bytes(64) + bytes.fromhex(
    "00 20 00 20 00 20 00 00 00 20 00 00 00 00 20 20 00 00 00 20 00 20 00 00 00 20 00 00 00 00 00 00"
    "00 20 00 20 00 20 00 00 00 20 00 00 00 00 20 20 00 00 00 20 00 20 00 00 00 20 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 28 00 80 00 00 00 00 00 00 00 00 00 00 00 00 00 28 00 80 00 00 24"
    "21 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "22 21 23 25 24 26 80 27 22 21 23 24 22 21 23 24 00 25 22 21 23 25 24 00 00 22 21 23 24 21 80 80"
    "22 21 23 25 24 26 80 27 22 21 23 24 22 21 23 24 00 25 22 21 23 25 24 00 00 22 21 23 24 21 80 24"
)
EXPANSION = bytes.fromhex(
    "00 02 72 20 66 20 00 02 60 20 66 20 00 02 76 20 76 20 00 02 77 00 69 00 00 00") + bytes(6)
EXPANDING = (0x00, 0x06, 0x12, 0x18)
PAD = 0x00  # the pad of the shorter key in comparisons: a key before the keys it begins

assert len(PRIMARY) == 256 and len(SECONDARY) == 256

# The primary weights of the letters A to Z.
LETTER_WEIGHTS = {PRIMARY[ord(letter)]: letter for letter in "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}
assert len(LETTER_WEIGHTS) == 26


def general_form(text, key_length):
    """The general-collation index form of `text` (bytes), cut to `key_length`."""
    text = text.rstrip(b" ")
    primaries = bytearray()
    secondaries = bytearray()
    for byte in text:
        p, s = PRIMARY[byte], SECONDARY[byte]
        if p in EXPANDING and EXPANSION[p + 1] != 0:
            primaries += bytes((EXPANSION[p + 2], EXPANSION[p + 4]))
        else:
            primaries.append(p)
        if s == 0x80:
            for index in (p + 3, p + 5):
                if EXPANSION[index] != 0:
                    secondaries.append(EXPANSION[index] | 0xF0)
        elif s != 0:
            secondaries.append(s | 0xF0)
    while secondaries and secondaries[-1] == 0xF0:
        secondaries.pop()
    return bytes(primaries + secondaries)[:key_length]


def padded(key, key_length):
    return key + bytes([PAD]) * (key_length - len(key))


# --- Key expression "RTYPE-UPPER(NAME)" ----------------------------------------------------------

# UPPER() maps each byte through the code page 437 upper-case table of the key expressions.
UPPER_437 = bytearray(range(256))
for c in range(0x61, 0x7B):
    UPPER_437[c] = c - 0x20
for source, target in {
        0x81: 0x9A, 0x82: 0x45, 0x83: 0x41, 0x84: 0x8E, 0x85: 0x41, 0x86: 0x8F, 0x87: 0x80,
        0x88: 0x45, 0x89: 0x45, 0x8A: 0x45, 0x8B: 0x49, 0x8C: 0x49, 0x8D: 0x49, 0x91: 0x92,
        0x93: 0x4F, 0x94: 0x99, 0x95: 0x4F, 0x96: 0x55, 0x97: 0x55, 0x98: 0x59, 0xA0: 0x41,
        0xA1: 0x49, 0xA2: 0x4F, 0xA3: 0x55, 0xA4: 0xA5}.items():
    UPPER_437[source] = target
UPPER_437 = bytes(UPPER_437)


def name_key_text(rtype, name):
    """RTYPE-UPPER(NAME): "-" moves the left term's trailing blanks behind the right one."""
    left = rtype.rstrip(b" ")
    return left + name.translate(UPPER_437) + b" " * (len(rtype) - len(left))


# --- Windows-1252 ----------------------------------------------------------------------------------

def _decode_byte(b):
    try:
        return bytes([b]).decode("cp1252")
    except UnicodeDecodeError:
        return chr(b)  # the five unassigned bytes stand for the C1 controls of the same value


DECODE = [_decode_byte(b) for b in range(256)]
ENCODE = {ch: b for b, ch in enumerate(DECODE)}

# Upper case in Windows-1252: a letter whose upper case is one Windows-1252 character becomes
# that character; every other byte stays.
ANSI_UPPER = bytes(
    ENCODE.get(DECODE[b].upper(), b) if len(DECODE[b].upper()) == 1 else b for b in range(256))


def to_windows1252(utf8):
    """Typed text as the dialogs seek it: in the form the lookup table stores text."""
    from lookup_oracle import stored_form  # the one statement of the storing rule
    return stored_form(utf8.decode("utf-8", errors="replace"))  # one U+FFFD per ill-formed part


def to_utf8(ansi):
    return "".join(DECODE[b] for b in ansi).encode("utf-8")
