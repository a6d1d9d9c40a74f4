#include "app/ProfileFile.h"

#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

enum class LineKind {
    kOther,          // blank, comment or anything else; kept and ignored
    kSection,        // "[name]"
    kBrokenSection,  // "[name" without its ']': ends the section before it
    kKey,            // "key=value"
};

struct Line {
    QByteArray text;  // without its line end
    QByteArray end;   // "\n", "\r\n", or empty for a last line without one
    LineKind kind = LineKind::kOther;
    QByteArray name;   // section name or key, without the blanks around it
    QByteArray value;  // without the blanks around it
};

bool IsHeader(const Line& line) {
    return line.kind == LineKind::kSection || line.kind == LineKind::kBrokenSection;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

void Classify(Line& line) {
    const QByteArray trimmed = line.text.trimmed();
    if (trimmed.startsWith('[')) {
        const qsizetype close = trimmed.indexOf(']');
        if (close < 0) {
            line.kind = LineKind::kBrokenSection;
        } else {
            line.kind = LineKind::kSection;
            line.name = trimmed.mid(1, close - 1).trimmed();
        }
        return;
    }
    if (trimmed.startsWith(';') || trimmed.startsWith('#')) return;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0) return;
    QByteArray key = trimmed.left(equals).trimmed();
    if (key.isEmpty()) return;
    line.kind = LineKind::kKey;
    line.name = std::move(key);
    line.value = trimmed.mid(equals + 1).trimmed();
}

Line KeyLine(const QByteArray& key, const QByteArray& value, const QByteArray& end) {
    Line line;
    line.text = key + '=' + value;
    line.end = end;
    line.kind = LineKind::kKey;
    line.name = key;
    line.value = value;
    return line;
}

[[noreturn]] void ThrowUnableToWrite(const QString& path) {
    throw std::runtime_error("Unable to write to " + path.toStdString());
}

void RequireStorable(const QByteArray& text, const char* what) {
    if (text.contains('\n') || text.contains('\r')) {
        throw std::invalid_argument(std::string("A line break cannot be stored in a settings ") +
                                    what + ": " + text.toStdString());
    }
}

void RequireSectionName(const QByteArray& section) {
    RequireStorable(section, "section name");
    if (section.contains(']') || section.trimmed() != section) {
        throw std::invalid_argument("Not a settings section name: " + section.toStdString());
    }
}

void RequireKey(const QByteArray& key) {
    RequireStorable(key, "key");
    if (key.isEmpty() || key.contains('=') || key.trimmed() != key || key.startsWith('[') ||
        key.startsWith(';') || key.startsWith('#')) {
        throw std::invalid_argument("Not a settings key: " + key.toStdString());
    }
}

std::optional<int> ParseInteger(const QByteArray& text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t number = 0;
        for (qsizetype i = 2; i < text.size(); ++i) {
            const char c = AsciiLower(text[i]);
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else {
                return std::nullopt;
            }
            number = number * 16 + static_cast<std::uint64_t>(digit);
            if (number > 0xFFFFFFFFu) return std::nullopt;
        }
        // The digits are the number's 32 bits, as hexadecimal is written for flags and colours.
        return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(number)));
    }
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    if (!text.isEmpty() && (text[0] == '-' || text[0] == '+')) ++i;
    if (i == text.size()) return std::nullopt;
    std::int64_t number = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
        if (number > std::int64_t{std::numeric_limits<int>::max()} + 1) return std::nullopt;
    }
    if (negative) number = -number;
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

// The settings file as lines, parsed once per call. Every line keeps its bytes, so that what
// the program does not change is written back exactly.
class Document {
public:
    static Document Load(const QString& path) {
        Document document;
        // Only a regular file is read: a pipe or device in its place would hang or never end.
        if (!QFileInfo(path).isFile()) return document;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return document;
        QByteArray bytes = file.readAll();
        if (bytes.startsWith(kByteOrderMark)) {
            document.prefix_ = kByteOrderMark;
            bytes.remove(0, kByteOrderMark.size());
        }
        qsizetype start = 0;
        while (start < bytes.size()) {
            const qsizetype newline = bytes.indexOf('\n', start);
            Line line;
            if (newline < 0) {
                line.text = bytes.mid(start);
                start = bytes.size();
            } else {
                line.text = bytes.mid(start, newline - start);
                line.end = "\n";
                start = newline + 1;
            }
            if (!line.end.isEmpty() && line.text.endsWith('\r')) {
                line.text.chop(1);
                line.end = "\r\n";
            }
            Classify(line);
            document.lines_.push_back(std::move(line));
        }
        return document;
    }

    QByteArray Bytes() const {
        QByteArray bytes = prefix_;
        for (const Line& line : lines_) bytes += line.text + line.end;
        return bytes;
    }

    // Index of the first header of `section`, or -1.
    int FirstHeader(const QByteArray& section) const {
        for (int i = 0; i < Count(); ++i) {
            if (lines_[i].kind == LineKind::kSection && SameName(lines_[i].name, section)) {
                return i;
            }
        }
        return -1;
    }

    // One past the last line under the header at `header`.
    int SectionEnd(int header) const {
        int i = header + 1;
        while (i < Count() && !IsHeader(lines_[i])) ++i;
        return i;
    }

    // Calls `visit(index)` for every key line of `section`, under each of its headers.
    template <typename Visit>
    void ForEachKey(const QByteArray& section, Visit visit) const {
        bool inside = false;
        for (int i = 0; i < Count(); ++i) {
            const Line& line = lines_[i];
            if (IsHeader(line)) {
                inside = line.kind == LineKind::kSection && SameName(line.name, section);
            } else if (inside && line.kind == LineKind::kKey) {
                if (!visit(i)) return;
            }
        }
    }

    int FindKey(const QByteArray& section, const QByteArray& key) const {
        int found = -1;
        ForEachKey(section, [&](int i) {
            if (!SameName(lines_[i].name, key)) return true;
            found = i;
            return false;
        });
        return found;
    }

    // Where new keys go in the section whose header is at `header`: after its last key or,
    // without keys, after its last line that is not blank.
    int InsertionPoint(int header) const {
        const int end = SectionEnd(header);
        int point = header + 1;
        bool sawKey = false;
        for (int i = header + 1; i < end; ++i) {
            if (lines_[i].kind == LineKind::kKey) {
                point = i + 1;
                sawKey = true;
            } else if (!sawKey && !lines_[i].text.trimmed().isEmpty()) {
                point = i + 1;
            }
        }
        return point;
    }

    // Inserts `added` before index `at`; a line before them that had no line end gets one.
    void Insert(int at, std::vector<Line> added) {
        if (at > 0 && lines_[at - 1].end.isEmpty()) lines_[at - 1].end = LineEnd();
        lines_.insert(lines_.begin() + at, std::make_move_iterator(added.begin()),
                      std::make_move_iterator(added.end()));
    }

    // Adds `section` with `keys` at the end of the file, a blank line before it when the file
    // does not already end in one.
    void AppendSection(const QByteArray& section, std::vector<Line> keys) {
        std::vector<Line> added;
        if (!lines_.empty() && !lines_.back().text.trimmed().isEmpty()) {
            Line blank;
            blank.end = LineEnd();
            added.push_back(std::move(blank));
        }
        Line header;
        header.text = '[' + section + ']';
        header.end = LineEnd();
        header.kind = LineKind::kSection;
        header.name = section;
        added.push_back(std::move(header));
        for (Line& key : keys) added.push_back(std::move(key));
        Insert(Count(), std::move(added));
    }

    void ReplaceValue(int index, const QByteArray& value) {
        Line& line = lines_[index];
        line.text = line.name + '=' + value;
        line.value = value;
    }

    // Drops every key line of `section` and puts `keys` where the first of them was (after the
    // first header's last other line when there was none). A later header of the section that
    // is left with nothing but blank lines goes as well.
    void ReplaceKeys(const QByteArray& section, std::vector<Line> keys) {
        const int first = FirstHeader(section);
        std::vector<Line> result;
        result.reserve(lines_.size() + keys.size());
        bool placed = false;
        int i = 0;
        // Lines before the first header belong to no section.
        for (; i < Count() && !IsHeader(lines_[i]); ++i) result.push_back(lines_[i]);
        while (i < Count()) {
            const Line& header = lines_[i];
            const int end = SectionEnd(i);
            const bool ours = header.kind == LineKind::kSection && SameName(header.name, section);
            if (!ours) {
                for (; i < end; ++i) result.push_back(lines_[i]);
                continue;
            }
            const int fallbackPoint = InsertionPoint(i);
            std::vector<Line> kept;
            bool anythingButBlanks = false;
            kept.push_back(header);
            for (int j = i + 1; j < end; ++j) {
                const Line& line = lines_[j];
                if (line.kind == LineKind::kKey) {
                    if (i == first && !placed) {
                        for (Line& key : keys) kept.push_back(std::move(key));
                        placed = true;
                    }
                    continue;
                }
                if (i == first && !placed && j == fallbackPoint) {
                    for (Line& key : keys) kept.push_back(std::move(key));
                    placed = true;
                }
                if (!line.text.trimmed().isEmpty()) anythingButBlanks = true;
                kept.push_back(line);
            }
            if (i == first && !placed) {
                for (Line& key : keys) kept.push_back(std::move(key));
                placed = true;
            }
            // A kept line that had no line end may now have lines after it.
            for (size_t k = 0; k + 1 < kept.size(); ++k) {
                if (kept[k].end.isEmpty()) kept[k].end = LineEnd();
            }
            const bool dropHeader = i != first && !anythingButBlanks;
            for (size_t k = dropHeader ? 1 : 0; k < kept.size(); ++k) {
                result.push_back(std::move(kept[k]));
            }
            i = end;
        }
        lines_ = std::move(result);
    }

    // Removes every header of `section` with the lines under it.
    void Erase(const QByteArray& section) {
        std::vector<Line> result;
        for (int i = 0; i < Count();) {
            const Line& line = lines_[i];
            if (line.kind == LineKind::kSection && SameName(line.name, section)) {
                i = SectionEnd(i);
            } else {
                result.push_back(line);
                ++i;
            }
        }
        lines_ = std::move(result);
    }

    // The line end new lines take: that of the file's first line, else LF.
    QByteArray LineEnd() const {
        for (const Line& line : lines_) {
            if (!line.end.isEmpty()) return line.end;
        }
        return "\n";
    }

    int Count() const { return static_cast<int>(lines_.size()); }
    const Line& At(int index) const { return lines_[index]; }

private:
    QByteArray prefix_;  // the byte-order mark, when the file has one
    std::vector<Line> lines_;
};

bool MayReplace(const QString& path) {
    // Effective rights, as the rename below will use them; access() would ask with the real
    // user's, which for the superuser always says yes.
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

void Store(const QString& path, const QByteArray& before, const QByteArray& after) {
    if (after == before) return;
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) ThrowUnableToWrite(path);
    // The rename would replace a read-only file whenever its folder is writable; the file's
    // read-only mark is the user's wish that it stays.
    if (info.exists() && !MayReplace(path)) ThrowUnableToWrite(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) ThrowUnableToWrite(path);
    if (file.write(after) != after.size()) {
        file.cancelWriting();
        ThrowUnableToWrite(path);
    }
    if (!file.commit()) ThrowUnableToWrite(path);
}

}  // namespace

TProfileFile::TProfileFile(QString path) : path_(std::move(path)) {}

QString TProfileFile::ReadString(const QString& section, const QString& key,
                                 const QString& fallback) const {
    const Document document = Document::Load(path_);
    const int index = document.FindKey(section.toUtf8(), key.toUtf8());
    return index < 0 ? fallback : QString::fromUtf8(document.At(index).value);
}

int TProfileFile::ReadInteger(const QString& section, const QString& key, int fallback) const {
    const Document document = Document::Load(path_);
    const int index = document.FindKey(section.toUtf8(), key.toUtf8());
    if (index < 0) return fallback;
    return ParseInteger(document.At(index).value).value_or(fallback);
}

bool TProfileFile::ReadBool(const QString& section, const QString& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

QList<QPair<QString, QString>> TProfileFile::ReadSection(const QString& section) const {
    const Document document = Document::Load(path_);
    QList<QPair<QString, QString>> lines;
    document.ForEachKey(section.toUtf8(), [&](int i) {
        const Line& line = document.At(i);
        lines.append({QString::fromUtf8(line.name), QString::fromUtf8(line.value)});
        return true;
    });
    return lines;
}

void TProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QByteArray sectionBytes = section.toUtf8();
    const QByteArray keyBytes = key.toUtf8();
    const QByteArray valueBytes = value.toUtf8();
    RequireSectionName(sectionBytes);
    RequireKey(keyBytes);
    RequireStorable(valueBytes, "value");

    Document document = Document::Load(path_);
    const QByteArray before = document.Bytes();
    const int existing = document.FindKey(sectionBytes, keyBytes);
    const int header = document.FirstHeader(sectionBytes);
    if (existing >= 0) {
        document.ReplaceValue(existing, valueBytes);
    } else if (header >= 0) {
        const int at = document.InsertionPoint(header);
        std::vector<Line> added;
        added.push_back(KeyLine(keyBytes, valueBytes, document.LineEnd()));
        document.Insert(at, std::move(added));
    } else {
        std::vector<Line> added;
        added.push_back(KeyLine(keyBytes, valueBytes, document.LineEnd()));
        document.AppendSection(sectionBytes, std::move(added));
    }
    Store(path_, before, document.Bytes());
}

void TProfileFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TProfileFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TProfileFile::WriteSection(const QString& section,
                                const QList<QPair<QString, QString>>& lines) {
    if (lines.isEmpty()) {
        EraseSection(section);
        return;
    }
    const QByteArray sectionBytes = section.toUtf8();
    RequireSectionName(sectionBytes);
    std::vector<std::pair<QByteArray, QByteArray>> pairs;
    for (const auto& [key, value] : lines) {
        pairs.emplace_back(key.toUtf8(), value.toUtf8());
        RequireKey(pairs.back().first);
        RequireStorable(pairs.back().second, "value");
    }

    Document document = Document::Load(path_);
    const QByteArray before = document.Bytes();
    std::vector<Line> keys;
    for (const auto& [key, value] : pairs) keys.push_back(KeyLine(key, value, document.LineEnd()));
    if (document.FirstHeader(sectionBytes) >= 0) {
        document.ReplaceKeys(sectionBytes, std::move(keys));
    } else {
        document.AppendSection(sectionBytes, std::move(keys));
    }
    Store(path_, before, document.Bytes());
}

void TProfileFile::EraseSection(const QString& section) {
    Document document = Document::Load(path_);
    const QByteArray before = document.Bytes();
    document.Erase(section.toUtf8());
    Store(path_, before, document.Bytes());
}
