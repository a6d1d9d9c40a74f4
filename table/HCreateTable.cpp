#include "table/HCreateTable.h"

#include <climits>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "table/EZadarirError.h"
#include "table/HDBFFile.h"
#include "table/HFileObject.h"
#include "table/HTable.h"
#include "table/Host.h"

namespace {

constexpr const char* kInvalidList = "Field list is invalid";
constexpr const char* kRangeError = "Range check error";
constexpr size_t kMemoHeaderSize = 512;
constexpr int kFoxMemoBlockSize = 64;

struct RawField {
    std::string name;
    char type;
    int width;
    int decimals;
};

[[noreturn]] void InvalidList() { throw EZadarirError(kInvalidList); }

// A decimal integer as the field list writes it: leading blanks, an optional sign, digits.
int ToInteger(const std::string& text) {
    size_t i = text.find_first_not_of(' ');
    bool ok = i != std::string::npos;
    bool negative = false;
    if (ok && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    ok = ok && i < text.size();
    for (; ok && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            ok = false;
            break;
        }
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) ok = false;
    }
    if (negative) value = -value;
    if (!ok || value > INT_MAX || value < INT_MIN) {
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    }
    return static_cast<int>(value);
}

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

RawField ParseLine(const std::string& line) {
    RawField field{};
    size_t semicolon = line.find(';');
    if (semicolon == std::string::npos) InvalidList();
    field.name = AsciiUpper(line.substr(0, std::min<size_t>(semicolon, dbf::kMaxFieldNameLength)));
    std::string rest = line.substr(semicolon + 1);
    // The type is exactly one character followed by ";".
    if (rest.size() < 2 || rest[1] != ';') InvalidList();
    field.type = rest[0];
    rest = rest.substr(2);
    semicolon = rest.find(';');
    if (semicolon == std::string::npos) InvalidList();
    field.width = ToInteger(rest.substr(0, semicolon));
    field.decimals = ToInteger(rest.substr(semicolon + 1, 3));
    return field;
}

HFieldDefinition Normalise(const RawField& raw) {
    HFieldDefinition field;
    field.name = AsciiUpper(raw.name.substr(0, dbf::kMaxFieldNameLength));
    field.type = AsciiUpper(std::string(1, raw.type))[0];
    field.width = raw.width;
    field.decimals = raw.decimals;
    switch (field.type) {
        case 'D':
            field.width = 8;
            field.decimals = 0;
            break;
        case 'L':
            field.width = 1;
            field.decimals = 0;
            break;
        case 'B':
        case 'G':
        case 'M':
            field.width = 10;
            field.decimals = 0;
            break;
        case 'C':
            // The width alone counts; its high byte takes the place of the decimals.
            if (field.width < 0 || field.width > 65535) throw std::out_of_range(kRangeError);
            field.decimals = 0;
            break;
        default:
            if (field.width < 0 || field.width > 255 || field.decimals < 0 ||
                field.decimals > 255) {
                throw std::out_of_range(kRangeError);
            }
    }
    return field;
}

bool IsMemoType(char type) { return type == 'B' || type == 'G' || type == 'M'; }

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The name of the file to create: no blanks or quotes around it, ".DBF" when it has no
// extension. The case is kept: file names are case-sensitive here, and the table opens the
// file by the name it was given.
std::string CreationName(const std::string& name) {
    const size_t begin = name.find_first_not_of(" \"");
    if (begin == std::string::npos) return {};
    std::string path = name.substr(begin, name.find_last_not_of(" \"") - begin + 1);
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) path += ".DBF";
    return path;
}

// The memo file beside `table`: same name, extension ".FPT" (FoxPro 2) or ".DBT", in the case
// of the table's extension.
std::string MemoName(const std::string& table, HDBFTypes type) {
    const size_t dot = table.find_last_of('.');
    std::string extension = type == HDBFTypes::FoxPro2 ? ".FPT" : ".DBT";
    const bool lower = dot != std::string::npos && dot + 1 < table.size() &&
                       table[dot + 1] >= 'a' && table[dot + 1] <= 'z';
    if (lower) {
        for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return table.substr(0, dot) + extension;
}

// An empty memo file: one 512-byte header block and no memos.
//   FoxPro 2 (.FPT): bytes 0..3 next free block, big-endian (512 / 64 = 8); bytes 6..7 block
//   size, big-endian (64).
//   dBase (.DBT): bytes 0..3 next free block, little-endian (1: the block after the header);
//   dBase IV also keeps its block size, little-endian, at bytes 20..21 (512).
std::string EmptyMemoFile(HDBFTypes type) {
    std::string bytes(kMemoHeaderSize, '\0');
    if (type == HDBFTypes::FoxPro2) {
        bytes[3] = static_cast<char>(kMemoHeaderSize / kFoxMemoBlockSize);
        bytes[7] = static_cast<char>(kFoxMemoBlockSize);
    } else {
        bytes[0] = 1;
        if (type == HDBFTypes::DBaseIV) {
            bytes[20] = static_cast<char>(kMemoHeaderSize & 0xFF);
            bytes[21] = static_cast<char>(kMemoHeaderSize >> 8);
        }
    }
    return bytes;
}

std::string TableBytes(const std::vector<HFieldDefinition>& fields, HDBFTypes type) {
    bool memo = false;
    int recordLength = 1;
    for (const HFieldDefinition& f : fields) {
        memo = memo || IsMemoType(f.type);
        recordLength += f.width;
    }
    const int headerLength =
        static_cast<int>(dbf::kHeaderSize + dbf::kDescriptorSize * fields.size() + 1);
    const HDateTime today = HDBFFile::Now();
    std::string bytes(dbf::kHeaderSize, '\0');
    bytes[dbf::kVersionOffset] = static_cast<char>(DbfVersionByte(type, memo));
    bytes[dbf::kYearOffset] = static_cast<char>(today.year % 100);
    bytes[dbf::kMonthOffset] = static_cast<char>(today.month);
    bytes[dbf::kDayOffset] = static_cast<char>(today.day);
    bytes[dbf::kHeaderLengthOffset] = static_cast<char>(headerLength & 0xFF);
    bytes[dbf::kHeaderLengthOffset + 1] = static_cast<char>(headerLength >> 8);
    bytes[dbf::kRecordLengthOffset] = static_cast<char>(recordLength & 0xFF);
    bytes[dbf::kRecordLengthOffset + 1] = static_cast<char>(recordLength >> 8);
    for (const HFieldDefinition& f : fields) {
        std::string descriptor(dbf::kDescriptorSize, '\0');
        descriptor.replace(0, f.name.size(), f.name);
        descriptor[dbf::kFieldTypeOffset] = f.type;
        if (f.type == 'C') {
            descriptor[dbf::kFieldWidthOffset] = static_cast<char>(f.width & 0xFF);
            descriptor[dbf::kFieldDecimalsOffset] = static_cast<char>(f.width >> 8);
        } else {
            descriptor[dbf::kFieldWidthOffset] = static_cast<char>(f.width);
            descriptor[dbf::kFieldDecimalsOffset] = static_cast<char>(f.decimals);
        }
        bytes += descriptor;
    }
    bytes += dbf::kTerminator;
    bytes += dbf::kEndOfFile;
    return bytes;
}

// Creates `path` holding `bytes`; failures go to `errors` (or the default handler). A file
// that was created but not completely written is removed.
bool WriteNewFile(const std::string& path, const std::string& bytes,
                  const HFileObject::ErrorEvent& errors) {
    HFileObject file;
    file.OnZadarirError = errors;
    if (!file.Create(path)) return false;
    bool written = false;
    try {
        written = file.WriteAt(0, bytes.data(), bytes.size());
    } catch (...) {
        file.Close();
        ::unlink(file.Path().c_str());
        throw;
    }
    const std::string fullPath = file.Path();
    file.Close();
    if (!written) ::unlink(fullPath.c_str());
    return written;
}

}  // namespace

HFieldDefinition ParseFieldDefinition(const std::string& line) {
    return Normalise(ParseLine(line));
}

bool HCreateTable::Execute() {
    if (!table_) throw EZadarirError("A table is not assigned");
    if (table_->Active()) throw EZadarirError("Cannot perform this operation on an open table");
    const std::string fileName = table_->FullName();
    if (!autoOverwrite_ && FileExists(fileName) &&
        !Host().AskYesNo("Table exists.  Do you want to overwrite?", "Warning", false)) {
        return false;
    }
    if (createFields_.empty()) InvalidList();

    // Every line is checked before anything is written.
    std::vector<RawField> raw;
    std::set<std::string> names;
    for (const std::string& line : createFields_) {
        raw.push_back(ParseLine(line));
        if (!names.insert(raw.back().name).second) InvalidList();
    }
    std::vector<HFieldDefinition> fields;
    bool memo = false;
    long recordLength = 1;
    for (const RawField& r : raw) {
        HFieldDefinition field = Normalise(r);
        if (field.name.empty()) continue;  // such a line adds no field
        memo = memo || IsMemoType(field.type);
        recordLength += field.width;
        fields.push_back(field);
    }
    // A table without fields cannot be opened again.
    if (fields.empty()) InvalidList();
    // Both lengths are 16-bit in the header.
    if (recordLength > 65535 ||
        dbf::kHeaderSize + dbf::kDescriptorSize * fields.size() + 1 > 65535) {
        throw std::out_of_range(kRangeError);
    }

    const HFileObject::ErrorEvent errors = table_->OnZadarirError;
    const std::string path = CreationName(fileName);
    if (!WriteNewFile(path, TableBytes(fields, type_), errors)) return false;
    if (memo && !WriteNewFile(MemoName(path, type_), EmptyMemoFile(type_), errors)) {
        ::unlink(ZadarirFullPath(path).c_str());
        return false;
    }
    if (keepOpen_) {
        const bool exclusive = table_->Exclusive();
        table_->SetActive(true);
        table_->SetExclusive(exclusive);
    }
    return true;
}
