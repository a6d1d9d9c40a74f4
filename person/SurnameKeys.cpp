#include "person/SurnameKeys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <deque>

#include "table/CharServices.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "table/KeyCollation.h"
#include "table/KeyExpression.h"

namespace surnames {

namespace {

constexpr uint8_t kFirstSecondary = 0xF0;  // accent codes are 0xF0 to 0xF8, weights below

bool IsSecondary(char c) { return static_cast<uint8_t>(c) >= kFirstSecondary; }

}  // namespace

TSurnameWeights::TSurnameWeights() {
    // What a byte adds is read off the key of the byte followed by "É", whose weight (0x66) and
    // accent code (0xF1) mark where the byte's own parts end.
    const std::array<unsigned char, 256>& upper = UpperTable();
    std::string key;
    for (int c = 1; c < 256; ++c) {
        const char probe[] = {static_cast<char>(upper[static_cast<size_t>(c)]), '\xC9'};
        GeneralKeyForm(std::string_view(probe, 2), 16, key);
        size_t split = 0;
        while (split < key.size() && !IsSecondary(key[split])) ++split;
        TByteWeights& w = bytes_[static_cast<size_t>(c)];
        w.primaries = key.substr(0, split - 1);
        w.secondaries = key.substr(split, key.size() - split - 1);
    }
    individual_ = static_cast<uint8_t>(bytes_['I'].primaries.front());
    comma_ = static_cast<uint8_t>(bytes_[','].primaries.front());
    blank_ = static_cast<uint8_t>(bytes_[' '].primaries.front());
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        letters_[static_cast<size_t>(letter - 'A')] =
            static_cast<uint8_t>(bytes_[static_cast<unsigned char>(letter)].primaries.front());
    }
    for (int a = 1; a < 256; ++a) {
        for (int b = a + 1; b < 256; ++b) {
            const TByteWeights& wa = bytes_[static_cast<size_t>(a)];
            const TByteWeights& wb = bytes_[static_cast<size_t>(b)];
            if (wa.primaries != wb.primaries || wa.secondaries != wb.secondaries) continue;
            if (AnsiUpperChar(static_cast<unsigned char>(a)) ==
                AnsiUpperChar(static_cast<unsigned char>(b))) {
                continue;
            }
            lookalikes_[static_cast<size_t>(a)].push_back(static_cast<uint8_t>(b));
            lookalikes_[static_cast<size_t>(b)].push_back(static_cast<uint8_t>(a));
        }
    }
}

std::string TSurnameWeights::Primaries(std::string_view text) const {
    std::string out;
    for (char c : text) out += bytes_[static_cast<unsigned char>(c)].primaries;
    return out;
}

std::string TSurnameWeights::Secondaries(std::string_view text) const {
    std::string out;
    for (char c : text) out += bytes_[static_cast<unsigned char>(c)].secondaries;
    return out;
}

char TSurnameWeights::LetterOfWeight(uint8_t weight) const {
    for (size_t i = 0; i < letters_.size(); ++i) {
        if (letters_[i] == weight) return static_cast<char>('A' + i);
    }
    return '#';
}

const TSurnameWeights& SurnameWeights() {
    static const TSurnameWeights weights;
    return weights;
}

TNameKey ParseNameKey(std::string_view key) {
    size_t split = 0;
    while (split < key.size() && !IsSecondary(key[split])) ++split;
    TNameKey parts{key.substr(0, split), key.substr(split), std::string_view::npos};
    parts.comma = parts.primaries.find(static_cast<char>(SurnameWeights().CommaWeight()));
    return parts;
}

bool SignatureMatches(std::string_view keySecondaries, std::string_view signature) {
    for (size_t i = 0; i < signature.size(); ++i) {
        const char code = i < keySecondaries.size() ? keySecondaries[i] : '\xF0';
        if (code != signature[i]) return false;
    }
    return true;
}

bool TNameCensus::Ambiguous(std::string_view spelling) const {
    const TSurnameWeights& weights = SurnameWeights();
    for (char c : spelling) {
        for (uint8_t other : weights.Lookalikes(static_cast<unsigned char>(c))) {
            if (present[other]) return true;
        }
    }
    return false;
}

namespace {

// True for the bytes a census must look for: those outside printable ASCII.
bool Unusual(uint8_t b) { return b < 0x20 || b >= 0x7F; }

// Eight bytes at a time: whether any of them is unusual.
bool AnyUnusual(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t below = (w - kOnes * 0x20) & ~w & kHigh;  // a byte below 0x20
    const uint64_t del = ((w ^ (kOnes * 0x7F)) - kOnes) & ~(w ^ (kOnes * 0x7F)) & kHigh;
    return ((w & kHigh) | below | del) != 0;
}

struct TCensusEntry {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    TNameCensus census;
};

// Reads the NAME field of every record of the table file and notes its unusual bytes.
TNameCensus ReadCensus(int fd, const HDBFTable& object, int nameField) {
    TNameCensus census;
    for (int b = 0x20; b < 0x7F; ++b) census.present[static_cast<size_t>(b)] = true;
    const HFieldDescriptor& name = object.Field(nameField);
    const size_t recordLength = static_cast<size_t>(object.RecordLength());
    const size_t perChunk = std::max<size_t>(1, (1 << 20) / recordLength);
    std::vector<unsigned char> chunk(perChunk * recordLength);
    const int64_t records = object.RecordCount();
    for (int64_t first = 0; first < records; first += static_cast<int64_t>(perChunk)) {
        const size_t count = static_cast<size_t>(std::min<int64_t>(
            static_cast<int64_t>(perChunk), records - first));
        const off_t at = object.HeaderLength() + static_cast<off_t>(first) *
                                                     static_cast<off_t>(recordLength);
        const ssize_t got = ::pread(fd, chunk.data(), count * recordLength, at);
        if (got <= 0) break;
        const size_t whole = static_cast<size_t>(got) / recordLength;
        for (size_t r = 0; r < whole; ++r) {
            const unsigned char* field = chunk.data() + r * recordLength +
                                         static_cast<size_t>(name.offset);
            const size_t width = static_cast<size_t>(name.width);
            size_t i = 0;
            for (; i + 8 <= width; i += 8) {
                if (!AnyUnusual(field + i)) continue;
                for (size_t k = i; k < i + 8; ++k) {
                    if (Unusual(field[k])) census.present[field[k]] = true;
                }
            }
            for (; i < width; ++i) {
                if (Unusual(field[i])) census.present[field[i]] = true;
            }
        }
        if (whole < count) break;
    }
    return census;
}

}  // namespace

TNameCensus NameCensus(HTable& table) {
    HDBFTable* object = table.Table();
    const int nameField = table.FieldNumber("NAME");
    TNameCensus everything;
    everything.present.fill(true);
    if (object == nullptr || nameField <= 0) return everything;
    const int fd = ::open(object->Path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return everything;  // every lookalike counts as present: exact, only slower
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return everything;
    }
    // A few tables are remembered: the viewer has one open at a time.
    static std::deque<TCensusEntry> remembered;
    for (const TCensusEntry& entry : remembered) {
        if (entry.device == info.st_dev && entry.inode == info.st_ino &&
            entry.size == info.st_size && entry.modified.tv_sec == info.st_mtim.tv_sec &&
            entry.modified.tv_nsec == info.st_mtim.tv_nsec) {
            ::close(fd);
            return entry.census;
        }
    }
    TNameCensus census = ReadCensus(fd, *object, nameField);
    ::close(fd);
    remembered.push_front({info.st_dev, info.st_ino, info.st_size, info.st_mtim, census});
    if (remembered.size() > 4) remembered.pop_back();
    return census;
}

}  // namespace surnames
