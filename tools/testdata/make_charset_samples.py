#!/usr/bin/env python3
"""Writes the small character-set samples of testing/data/gedcom-samples: one GEDCOM file for
each way a file can spell its text (UTF-16 either way round, GEDCOM 7 UTF-8, ANSEL,
Mac OS Roman, UTF-8 with stray Windows-1252 bytes, IBM PC code page 437).

usage: make_charset_samples.py [FOLDER]   (default: the samples folder of this checkout)

The bytes are fixed by this script: run it again and the files come out the same. The
README beside the samples lists which pointer carries which name.
"""

import os
import sys

sys.dont_write_bytecode = True  # leave no cache beside the sources

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "..", "..", "testing", "data", "gedcom-samples")


def head(char, vers="5.5.1", name=None):
    lines = ["0 HEAD", "1 SOUR LINEATUM", "2 NAME Lineatum character-set samples", "1 GEDC",
             "2 VERS " + vers, "2 FORM LINEAGE-LINKED"]
    if char is not None:
        lines.append("1 CHAR " + char)
    if name is not None:
        lines.append("1 FILE " + name)
    return lines


# --- UTF-16 -------------------------------------------------------------------------------------

# U+1D11E MUSICAL SYMBOL G CLEF and U+20BB7 (a variant of the first character of Yoshida) lie
# beyond the Basic Multilingual Plane: surrogate pairs in UTF-16.
def unicode_people(note_extra):
    return [
        "0 @I1@ INDI",
        "1 NAME Antonín /Dvořák/",
        "2 GIVN Antonín",
        "2 SURN Dvořák",
        "1 SEX M",
        "1 BIRT",
        "2 DATE 8 SEP 1841",
        "2 PLAC Nelahozeves, Čechy",
        "1 FAMS @F1@",
        "1 NOTE Skladatel, žák varhanické školy v Praze.",
        "2 CONT Symfonie č. 9 „Z Nového světa“ \U0001D11E",
        "2 CONT " + note_extra,
        "0 @I2@ INDI",
        "1 NAME Anna /Čermáková/",
        "1 SEX F",
        "1 FAMS @F1@",
        "0 @I3@ INDI",
        "1 NAME Otilie /Dvořáková/",
        "1 SEX F",
        "1 FAMC @F1@",
        "0 @I4@ INDI",
        "1 NAME Charlotte /Brontë/",
        "1 SEX F",
        "1 FAMS @F2@",
        "0 @I5@ INDI",
        "1 NAME Hlöðvir /Þorfinnsson/",
        "1 SEX M",
        "1 FAMS @F2@",
        "0 @I6@ INDI",
        "1 NAME Łukasz /Šimek/",
        "1 SEX M",
        "1 FAMC @F2@",
        "0 @I7@ INDI",
        "1 NAME Ona /Žukas/",
        "1 SEX F",
        "0 @I8@ INDI",
        "1 NAME Élise /Œuvre/",
        "1 SEX F",
        "0 @I9@ INDI",
        "1 NAME Ωμέγα /Παπαδόπουλος/",
        "1 SEX M",
        "0 @I10@ INDI",
        "1 NAME 太郎 /\U00020BB7田/",
        "1 SEX M",
        "0 @F1@ FAM",
        "1 HUSB @I1@",
        "1 WIFE @I2@",
        "1 CHIL @I3@",
        "1 MARR",
        "2 PLAC Praha",
        "0 @F2@ FAM",
        "1 HUSB @I5@",
        "1 WIFE @I4@",
        "1 CHIL @I6@",
        "0 @N1@ NOTE Poznámka o rodině Dvořákových:",
        "1 CONT Œuvre complète, Brontë, Þingvellir, Łódź.",
        "0 TRLR",
    ]


def utf16le():
    # An unpaired high surrogate in a note line, and one byte after the last line.
    lines = head("UNICODE", name="utf16le.ged") + unicode_people("Nepárová náhrada: [\uD800] konec.")
    text = "\r\n".join(lines) + "\r\n"
    return b"\xff\xfe" + text.encode("utf-16-le", "surrogatepass") + b"\x1a"


def utf16be():
    lines = head("UNICODE", name="utf16be.ged") + unicode_people("Konec poznámky.")
    return b"\xfe\xff" + ("\n".join(lines) + "\n").encode("utf-16-be")


# --- GEDCOM 7, UTF-8 without byte-order mark or CHAR line ------------------------------------

def gedcom7():
    lines = [
        "0 HEAD",
        "1 GEDC",
        "2 VERS 7.0",
        "1 SOUR LINEATUM",
        "2 NAME Lineatum character-set samples",
        "1 LANG en",
        "0 @PERSON1@ INDI",
        "1 NAME Cher",
        "1 SEX F",
        "1 FAMS @I1@",
        "0 @P12@ INDI",
        "1 NAME Gregg /Allman/",
        "1 SEX M",
        "1 FAMS @I1@",
        "0 @PERSON3@ INDI",
        "1 NAME",
        "1 SEX M",
        "1 FAMC @I1@",
        "0 @PERSON4@ INDI",
        "1 NAME    ",
        "1 SEX U",
        "0 @X9@ INDI",
        "1 NAME José /Martínez Nuñez/",
        "2 GIVN José",
        "2 SURN Martínez Nuñez",
        "1 SEX M",
        "1 NOTE Nació en Córdoba; emigró a Zürich.",
        "2 CONT Señor Martínez habla español y français.",
        "0 @I1@ FAM",
        "1 HUSB @P12@",
        "1 WIFE @PERSON1@",
        "1 CHIL @PERSON3@",
        "0 @N1@ SNOTE Geteilte Notiz über die Familie Allman – ümlaut.",
        "0 TRLR",
    ]
    return ("\n".join(lines) + "\n").encode("utf-8")


# --- ANSEL: combining marks come before their letter ----------------------------------------

def ansel():
    lines = [line.encode("ascii") for line in head("ANSEL", vers="5.5", name="ansel-names.ged")]
    lines += [
        b"0 @I1@ INDI",
        b"1 NAME Anton\xe2in /Dvo\xe9r\xe2ak/",  # Anton<acute>in Dvo<caron>r<acute>ak
        b"1 SEX M",
        b"1 FAMS @F1@",
        b"1 NOTE Composer, born at Nelahozeves; pupil of the organ school in Praha.",
        b"2 CONT Symphony No. 9 \"Z Nov\xe2eho sv\xe9eta\", first played in 1893.",
        b"0 @I2@ INDI",
        b"1 NAME Charlotte /Bront\xe8e/",  # diaeresis before e
        b"1 SEX F",
        b"1 FAMS @F1@",
        b"0 @I3@ INDI",
        b"1 NAME Hl\xe8o\xbavir /\xa4orfinnsson/",  # o with diaeresis, eth, capital thorn
        b"1 SEX M",
        b"1 FAMC @F1@",
        b"0 @I4@ INDI",
        b"1 NAME \xa1ukasz /Wa\xb1\xf1esa/",  # L stroke, l stroke, ogonek before e
        b"1 SEX M",
        b"0 @I5@ INDI",
        b"1 NAME V\xe6an /Nguy\xe3\xe4en/",  # breve before a; circumflex and tilde before e
        b"1 SEX M",
        b"0 @I6@ INDI",
        b"1 NAME Fran\xf0cois /Mu\xe4noz/",  # cedilla before c, tilde before n
        b"1 SEX M",
        b"0 @I7@ INDI",
        b"1 NAME \xe2Elise /\xa6uvre/",  # acute before E, ligature OE
        b"1 SEX F",
        b"0 @I8@ INDI",
        b"1 NAME Mei /L\xe8\xe2u/",  # diaeresis and acute before u
        b"1 SEX F",
        b"0 @F1@ FAM",
        b"1 HUSB @I1@",
        b"1 WIFE @I2@",
        b"1 CHIL @I3@",
        b"0 @N1@ NOTE Note on the \xa1ukasiewicz family of \xa1\xe2od\xe2z.",
        b"1 CONT \xa5sir and \xb5sa; \xc3 1990.",
        b"0 TRLR",
    ]
    return b"\r\n".join(lines) + b"\r\n"


# --- Mac OS Roman, classic Macintosh line ends (CR) -----------------------------------------

def macroman():
    lines = head("MACINTOSH", vers="5.5", name="macroman.ged") + [
        "0 @I1@ INDI",
        "1 NAME José /Muñoz/",
        "1 SEX M",
        "1 FAMS @F1@",
        "1 NOTE Né à Málaga; émigré à Zürich.",
        "2 CONT Señor Muñoz, père de Jürgen.",
        "0 @I2@ INDI",
        "1 NAME Søren /Kierkegaard/",
        "1 SEX M",
        "0 @I3@ INDI",
        "1 NAME Jürgen /Müller/",
        "1 SEX M",
        "1 FAMC @F1@",
        "0 @I4@ INDI",
        "1 NAME Élise /Œuvre/",
        "1 SEX F",
        "1 FAMS @F1@",
        "0 @I5@ INDI",
        "1 NAME François /Straße/",
        "1 SEX M",
        "0 @F1@ FAM",
        "1 HUSB @I1@",
        "1 WIFE @I4@",
        "1 CHIL @I3@",
        "0 @N1@ NOTE Øresund, Åland, cœur, Ærø.",
        "0 TRLR",
    ]
    return ("\r".join(lines) + "\r").encode("mac_roman")


# --- UTF-8 with stray bytes -------------------------------------------------------------------

def utf8_stray():
    lines = [line.encode("ascii") for line in head("UTF-8", name="utf8-stray.ged")]
    lines += [
        b"0 @I1@ INDI",
        "1 NAME Antonín /Dvořák/".encode("utf-8"),
        b"1 SEX M",
        b"1 FAMS @F1@",
        "1 NOTE Skladatel, žák varhanické školy v Praze.".encode("utf-8"),
        "2 CONT Œuvre: Symfonie č. 9.".encode("utf-8"),
        b"0 @I2@ INDI",
        b"1 NAME Ren\xe9 /Descartes/",  # a Windows-1252 byte: not UTF-8
        b"1 SEX M",
        b"1 FAMS @F1@",
        b"0 @I3@ INDI",
        b"1 NAME Hans /Gr\x81n/",  # 0x81, undefined in Windows-1252
        b"1 SEX M",
        b"1 FAMC @F1@",
        b"0 @I4@ INDI",
        b"1 NAME Zo\xc3\xab /Fran\xe7ois/",  # UTF-8 and a stray byte on one line
        b"1 SEX F",
        b"0 @I5@ INDI",
        "1 NAME Łukasz /Šimek/".encode("utf-8"),
        b"1 SEX M",
        b"0 @I6@ INDI",
        "1 NAME Charlotte /Brontë/".encode("utf-8"),
        b"1 SEX F",
        b"0 @F1@ FAM",
        b"1 HUSB @I1@",
        b"1 WIFE @I2@",
        b"1 CHIL @I3@",
        b"0 @N1@ NOTE Caf\xe9 cr\xe8me, \x80 5",  # Windows-1252 throughout
        "1 CONT Café crème, € 5".encode("utf-8"),
        b"0 TRLR",
    ]
    return b"\n".join(lines) + b"\n"


# --- IBM PC, code page 437 --------------------------------------------------------------------

def ibmpc():
    lines = head("IBMPC", vers="5.5", name="ibmpc.ged") + [
        "0 @I1@ INDI",
        "1 NAME José /Muñoz/",
        "1 SEX M",
        "1 FAMS @F1@",
        "1 NOTE Né à Málaga; émigré à Zürich.",
        "2 CONT Señor Muñoz, père de Jürgen.",
        "0 @I2@ INDI",
        "1 NAME Élise /Ström/",
        "1 SEX F",
        "1 FAMS @F1@",
        "0 @I3@ INDI",
        "1 NAME Jürgen /Müller/",
        "1 SEX M",
        "1 FAMC @F1@",
        "0 @I4@ INDI",
        "1 NAME François /Ibáñez/",
        "1 SEX M",
        "0 @F1@ FAM",
        "1 HUSB @I1@",
        "1 WIFE @I2@",
        "1 CHIL @I3@",
        "0 @N1@ NOTE Ångström, Ärger, Ñandú.",
        "0 TRLR",
    ]
    return ("\r\n".join(lines) + "\r\n").encode("cp437")


SAMPLE_FILES = {
    "utf16le.ged": utf16le,
    "utf16be.ged": utf16be,
    "gedcom7.ged": gedcom7,
    "ansel-names.ged": ansel,
    "macroman.ged": macroman,
    "utf8-stray.ged": utf8_stray,
    "ibmpc.ged": ibmpc,
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else SAMPLES
    for name, make in SAMPLE_FILES.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(make())


if __name__ == "__main__":
    main()
