// TProfileFile: the program's settings file, "Quilbet.ini": sections in square brackets, each
// followed by its key=value lines. Written by our own code so that the file stays as people
// and other programs expect it: lines keep their order, values are written as they are (no
// quoting or escaping), paths in UTF-8, and sections and lines the program does not know are
// kept as they were.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Every call reads the file afresh (it is small); a missing or unreadable file reads as empty.
// Lines that are neither a section header nor key=value are kept and otherwise ignored. Section
// and key names compare without regard to ASCII case, as profile files do; values are taken as
// written, without the blanks around them. Writes replace the file as a whole and throw
// std::runtime_error("Unable to write to <path>") when it cannot be written (its folder is
// created when missing). User-interface thread only.
//
// Reading is lenient and never fails: a byte-order mark before the first line is skipped, CR LF
// and LF line ends are both taken, lines starting with ';' or '#' are comments, a line without
// '=' is an unknown line, and only the first '=' of a line splits key from value. A '[' line
// without its ']' is a broken header: it ends the section before it, and the lines up to the
// next header belong to no section. Bytes that are not UTF-8 read as replacement characters.
// A section whose header appears twice holds the lines under both; of a key that appears twice
// in a section, the first counts.
//
// Writing keeps every byte of the lines it does not change, the byte-order mark included; new
// lines take the line end of the file's first line (LF for a new file). The new content goes to
// a temporary file beside the settings file, which is then renamed over it, so that a failed
// write leaves the old file as it was. A write that would change nothing leaves the file alone.
// Names and values cannot hold a line break, and a key cannot hold '=', start with '[', ';' or
// '#', or have blanks at its ends (it would not read back); such a write throws
// std::invalid_argument and leaves the file alone. Blanks at the ends of a value are written but
// do not read back.
class TProfileFile {
public:
    explicit TProfileFile(QString path);

    const QString& Path() const { return path_; }

    // The value of `key` in `section`, or `fallback` when the file, section or key is missing.
    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
    // Decimal, with an optional sign; a value of more than two characters that starts with "0x"
    // or "0X" is hexadecimal, up to 8 digits taken as the 32 bits of the number ("0xFFFFFFFF" is
    // -1). A value that is not wholly a number ("12px", "0x", "0xG", "") or does not fit in an
    // int gives `fallback`.
    int ReadInteger(const QString& section, const QString& key, int fallback) const;
    // An integer, non-zero meaning true; a value that is not a number gives `fallback`.
    bool ReadBool(const QString& section, const QString& key, bool fallback) const;
    // Every key=value line of `section`, in file order, keys spelt as in the file (empty when
    // there is none).
    QList<QPair<QString, QString>> ReadSection(const QString& section) const;

    // Sets `key` in `section`: an existing line keeps its place and its key's spelling; a new
    // key is added after the section's last key (the section at the file's end).
    void WriteString(const QString& section, const QString& key, const QString& value);
    // Decimal.
    void WriteInteger(const QString& section, const QString& key, int value);
    // "0" or "1".
    void WriteBool(const QString& section, const QString& key, bool value);
    // Replaces every key=value line of `section` by `lines` (key, value), in that order, in one
    // write; they take the place of the section's first key. Comments and other lines of the
    // section stay. An empty list removes the section.
    void WriteSection(const QString& section, const QList<QPair<QString, QString>>& lines);
    // Removes `section` with all its lines, up to the next header.
    void EraseSection(const QString& section);

private:
    QString path_;
};
