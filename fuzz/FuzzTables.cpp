#include "fuzz/FuzzTables.h"

#include <cstring>

namespace fuzz {
namespace {

void Put16(std::string& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

std::string Little(uint64_t value, size_t width) {
    std::string bytes(width, '\0');
    for (size_t i = 0; i < width; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

bool RightAligned(char type) { return type == 'N' || type == 'F'; }

// A small deterministic generator: the corpus and the targets must make the same table on
// every machine, which the standard distributions do not promise.
class TSequence {
public:
    explicit TSequence(uint32_t seed) : state_(seed) {}
    uint32_t Next(uint32_t below) {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 8) % below;
    }

private:
    uint32_t state_;
};

int RecordLength(const std::vector<TFieldSpec>& fields) {
    int length = 1;
    for (const TFieldSpec& field : fields) length += field.width;
    return length;
}

}  // namespace

std::string TableBytes(uint8_t version, const std::vector<TFieldSpec>& fields,
                       const std::vector<std::string>& records) {
    const size_t headerLength = 32 + 32 * fields.size() + 1 + (version == 0x30 ? 263 : 0);
    std::string bytes(headerLength, '\0');
    bytes[0] = static_cast<char>(version);
    bytes[1] = 26;  // 2026-01-01
    bytes[2] = 1;
    bytes[3] = 1;
    Put32(bytes, 4, static_cast<uint32_t>(records.size()));
    Put16(bytes, 8, static_cast<uint32_t>(headerLength));
    Put16(bytes, 10, static_cast<uint32_t>(RecordLength(fields)));
    for (size_t i = 0; i < fields.size(); ++i) {
        const size_t at = 32 + 32 * i;
        std::memcpy(&bytes[at], fields[i].name, std::strlen(fields[i].name));
        bytes[at + 11] = fields[i].type;
        if (fields[i].type == 'C') {
            Put16(bytes, at + 16, static_cast<uint32_t>(fields[i].width));
        } else {
            bytes[at + 16] = static_cast<char>(fields[i].width);
            bytes[at + 17] = static_cast<char>(fields[i].decimals);
        }
    }
    bytes[32 + 32 * fields.size()] = 0x0D;
    for (const std::string& record : records) bytes += record;
    bytes += '\x1A';
    return bytes;
}

std::string TextRecord(const std::vector<TFieldSpec>& fields,
                       const std::vector<std::string>& values, bool deleted) {
    std::string record(1, deleted ? '*' : ' ');
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto width = static_cast<size_t>(fields[i].width);
        std::string value = i < values.size() ? values[i] : std::string();
        if (value.size() > width) value.resize(width);
        const std::string pad(width - value.size(), ' ');
        record += RightAligned(fields[i].type) ? pad + value : value + pad;
    }
    return record;
}

const std::vector<TFieldSpec>& IndexTableFields() {
    static const std::vector<TFieldSpec> fields = {
        {"RTYPE", 'C', 1, 0},   {"NAME", 'C', 30, 0},  {"POINTER", 'C', 12, 0},
        {"OFFSET", 'N', 10, 0}, {"AMOUNT", 'N', 8, 2}, {"BIRTH", 'D', 8, 0},
        {"ALIVE", 'L', 1, 0},
    };
    return fields;
}

std::string IndexTableBytes() {
    static const char* const surnames[] = {"Smith",
                                           "SMITH",
                                           "smith",
                                           "\xC9tienne",
                                           "M\xFCller",
                                           "\xD8stergaard",
                                           "O'Brien",
                                           "van der Berg",
                                           "",
                                           "Sm\xEFth",
                                           "\x8A"
                                           "ebek",
                                           "Zz",
                                           "Aa",
                                           "Young",
                                           "\xC6"
                                           "bel"};
    static const char* const given[] = {"John", "Ann", "\xC9lise", "", "Mary Jane", "Zo\xEB"};
    static const char* const types[] = {"I", "I", "I", "I", "F", "S", "N", " "};
    TSequence sequence(1793);
    std::vector<std::string> records;
    for (int n = 1; n <= 150; ++n) {
        const std::string type = types[sequence.Next(8)];
        std::string name = surnames[sequence.Next(15)];
        if (type == "I") name += std::string(", ") + given[sequence.Next(6)];
        const std::string pointer = (type == "F" ? "F" : "I") + std::to_string(n % 40 == 0 ? 7 : n);
        const std::string offset = n % 23 == 0 ? "" : std::to_string(n * 137);
        const std::string amount = std::to_string(static_cast<int>(sequence.Next(20000)) - 10000) +
                                   "." + std::to_string(10 + sequence.Next(90));
        const std::string birth = n % 11 == 0 ? ""
                                              : std::to_string(1700 + sequence.Next(320)) + "0" +
                                                    std::to_string(1 + sequence.Next(9)) +
                                                    std::to_string(10 + sequence.Next(18));
        const std::string alive = sequence.Next(2) ? "T" : "F";
        records.push_back(TextRecord(
            IndexTableFields(), {type, name, pointer, offset, amount, birth, alive}, n % 17 == 0));
    }
    return TableBytes(0x03, IndexTableFields(), records);
}

const std::vector<std::string>& IndexTableKeys() {
    static const std::vector<std::string> keys = {
        "",      "I",    "ISMITH",   "ISMITH, JOHN", "SMITH", "I7",     "I12",
        "F3",    "I150", "Z",        "\xFF",         "\xC9",  "IM\xDC", "42",
        "-12.5", "137",  "20000101", "17991231",     "T",     " ",      "ISMITH, JOHNX",
    };
    return keys;
}

const std::vector<TTagSpec>& IndexTableTags() {
    static const std::vector<TTagSpec> tags = {
        {"NAME", "RTYPE-UPPER(NAME)", "", 7, 1},
        {"POINTER", "POINTER", "", 7, 1},
        {"UNAME", "UPPER(NAME)", "", 0, 1},
        {"DNAME", "UPPER(NAME)+POINTER", "", 1, 1},
        {"GDESC", "POINTER", "", 8, 1},
        {"OFFSET", "STR(OFFSET,10)", "", 0, 1},
        {"AMOUNT", "AMOUNT", "", 0, 1},
        {"BIRTH", "BIRTH", "", 0, 1},
        {"DTOS", "DTOS(BIRTH)+LEFT(NAME,5)", "", 7, 1},
        {"RTYPE", "RTYPE", "", 0, 0},
        {"LIVE", "UPPER(LEFT(NAME,3))+STR(OFFSET,10)", ".NOT.DELETED()", 0, 1},
        {"SUB", "SUBSTR(NAME,2,4)-LOWER(POINTER)", "", 7, 1},
    };
    return tags;
}

const std::vector<TFieldSpec>& KeyTableFields() {
    static const std::vector<TFieldSpec> fields = {
        {"RTYPE", 'C', 1, 0},   {"NAME", 'C', 40, 0},  {"POINTER", 'C', 20, 0},
        {"OFFSET", 'N', 10, 0}, {"AMOUNT", 'N', 8, 2}, {"RATIO", 'F', 12, 4},
        {"BIRTH", 'D', 8, 0},   {"ALIVE", 'L', 1, 0},  {"STAMP", 'T', 8, 0},
        {"PRICE", 'Y', 8, 4},   {"WEIGHT", 'B', 8, 2}, {"COUNT", 'I', 4, 0},
        {"NOTES", 'M', 4, 0},   {"ODD", 'Q', 5, 0},
    };
    return fields;
}

int KeyTableRecordLength() { return RecordLength(KeyTableFields()); }

std::vector<std::string> KeyTableRecords() {
    struct Sample {
        const char* type;
        const char* name;
        const char* pointer;
        const char* offset;
        const char* amount;
        const char* ratio;
        const char* birth;
        const char* alive;
        uint32_t day;
        uint32_t milliseconds;
        int64_t price;
        double weight;
        int32_t count;
    };
    static const Sample samples[] = {
        {"I", "Smith, John", "I12", "42", "3.50", "0.2500", "20000101", "T", 2451545, 45000000,
         123450000, 72.5, 7},
        {"F", "\xC9tienne, \xC9lise", "F3", "", "-0.01", "", "        ", "?", 0, 0, -1, -0.0,
         -2147483647 - 1},
        {" ", "", "", "9999999999", "99999.99", "1e300", "18991231", "y", 0xFFFFFFFFu, 0xFFFFFFFFu,
         INT64_MIN, 1.0e308, 2147483647},
    };
    std::vector<std::string> records;
    for (const Sample& s : samples) {
        std::string record = TextRecord(KeyTableFields(), {s.type, s.name, s.pointer, s.offset,
                                                           s.amount, s.ratio, s.birth, s.alive});
        // The binary fields follow the text ones: STAMP, PRICE, WEIGHT, COUNT, NOTES, ODD.
        size_t at = static_cast<size_t>(KeyTableRecordLength()) - (8 + 8 + 8 + 4 + 4 + 5);
        uint64_t weightBits = 0;
        std::memcpy(&weightBits, &s.weight, 8);
        const std::string binary =
            Little(s.day, 4) + Little(s.milliseconds, 4) +
            Little(static_cast<uint64_t>(s.price), 8) + Little(weightBits, 8) +
            Little(static_cast<uint32_t>(s.count), 4) + Little(0, 4) + "ab  z";
        record.replace(at, binary.size(), binary);
        records.push_back(record);
    }
    return records;
}

std::string KeyTableBytes() { return TableBytes(0x30, KeyTableFields(), KeyTableRecords()); }

}  // namespace fuzz
