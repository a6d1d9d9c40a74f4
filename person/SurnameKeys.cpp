#include "person/SurnameKeys.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Of two lookalikes at most one is printable ASCII, and a letter spelled out as two weighs
    // as two ASCII letters: the other side of every likeness is a byte marked here.
    for (int c = 1; c < 256; ++c) {
        const bool printable = c >= 0x20 && c < 0x7F;
        const bool spelledOut = bytes_[static_cast<size_t>(c)].primaries.size() > 1;
        mixing_[static_cast<size_t>(c)] =
            spelledOut || (!printable && !lookalikes_[static_cast<size_t>(c)].empty());
    }
    codeCounts_.fill(-1);
    // Reading weights back: only bytes that cannot share a key with another spelling.
    for (int c = 1; c < 256; ++c) {
        const TByteWeights& w = bytes_[static_cast<size_t>(c)];
        if (w.primaries.size() != 1 || mixing_[static_cast<size_t>(c)]) continue;
        const auto p = static_cast<uint8_t>(w.primaries.front());
        codeCounts_[p] = static_cast<int>(w.secondaries.size());
        const unsigned char upper = AnsiUpperChar(static_cast<unsigned char>(c));
        std::vector<TSpelling>& known = spellings_[p];
        const auto same = std::find_if(known.begin(), known.end(), [&](const TSpelling& k) {
            return k.secondaries == w.secondaries;
        });
        if (same == known.end()) {
            known.push_back({w.secondaries, upper});
        } else if (same->upper != upper) {
            same->upper = 0;
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

bool TSurnameWeights::SpellOut(std::string_view primaries, std::string_view secondaries,
                               std::string* upper, std::string* codes) const {
    upper->clear();
    codes->clear();
    size_t at = 0;
    for (char weight : primaries) {
        const auto p = static_cast<uint8_t>(weight);
        const int count = codeCounts_[p];
        if (count < 0) return false;
        const size_t start = codes->size();
        for (int i = 0; i < count; ++i, ++at) {
            *codes += at < secondaries.size() ? secondaries[at] : '\xF0';
        }
        const std::string_view own = std::string_view(*codes).substr(start);
        const std::vector<TSpelling>& known = spellings_[p];
        const auto match = std::find_if(known.begin(), known.end(),
                                        [&](const TSpelling& k) { return k.secondaries == own; });
        if (match == known.end() || match->upper == 0) return false;
        *upper += static_cast<char>(match->upper);
    }
    const size_t end = upper->find_last_not_of(' ');
    upper->erase(end == std::string::npos ? 0 : end + 1);
    upper->erase(0, std::min(upper->size(), upper->find_first_not_of(' ')));
    return true;
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

namespace {

// Eight bytes at a time: whether any of them may be a mixing byte (outside printable ASCII, or
// "!").
bool MayMix(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    // A zero byte of v, with the classic borrow test.
    const auto zeroByte = [](uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    const uint64_t below = (w - kOnes * 0x20) & ~w & kHigh;  // a byte below 0x20
    return ((w & kHigh) | below | zeroByte(w ^ (kOnes * 0x7F)) | zeroByte(w ^ (kOnes * '!'))) != 0;
}

// The surname part of a stored NAME field (before the first comma; empty without one), when it
// holds a mixing byte.
std::string_view MixedSurname(std::string_view field) {
    const TSurnameWeights& weights = SurnameWeights();
    const size_t comma = field.find(',');
    if (comma == std::string_view::npos) return {};
    const std::string_view surname = field.substr(0, comma);
    const auto* bytes = reinterpret_cast<const unsigned char*>(surname.data());
    size_t i = 0;
    bool candidate = false;
    for (; i + 8 <= surname.size() && !candidate; i += 8) candidate = MayMix(bytes + i);
    if (!candidate && i == surname.size()) return {};
    for (unsigned char c : surname) {
        if (weights.Mixing(c)) return surname;
    }
    return {};
}

struct TCensusEntry {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    std::shared_ptr<const TNameCensus> census;
};

// Reads the NAME field of every record of the table file.
std::shared_ptr<const TNameCensus> ReadCensus(int fd, const HDBFTable& object, int nameField) {
    auto census = std::make_shared<TNameCensus>();
    const TSurnameWeights& weights = SurnameWeights();
    const HFieldDescriptor& name = object.Field(nameField);
    const size_t recordLength = static_cast<size_t>(object.RecordLength());
    const size_t perChunk = std::max<size_t>(1, (1 << 20) / recordLength);
    std::vector<char> chunk(perChunk * recordLength);
    const int64_t records = object.RecordCount();
    const std::string comma(1, static_cast<char>(weights.CommaWeight()));
    for (int64_t first = 0; first < records; first += static_cast<int64_t>(perChunk)) {
        const size_t count =
            static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(perChunk), records - first));
        const off_t at =
            object.HeaderLength() + static_cast<off_t>(first) * static_cast<off_t>(recordLength);
        const ssize_t got = ::pread(fd, chunk.data(), count * recordLength, at);
        if (got < 0) return census;  // incomplete: every block counts as mixed
        const size_t whole = static_cast<size_t>(got) / recordLength;
        for (size_t r = 0; r < whole; ++r) {
            const std::string_view field(chunk.data() + r * recordLength + name.offset,
                                         static_cast<size_t>(name.width));
            const std::string_view surname = MixedSurname(field);
            if (surname.empty()) continue;
            census->mixedBlocks.insert(
                std::string(1, static_cast<char>(weights.IndividualWeight())) +
                weights.Primaries(surname) + comma);
        }
        if (whole < count) break;
    }
    census->complete = true;
    return census;
}

}  // namespace

std::shared_ptr<const TNameCensus> NameCensus(HTable& table) {
    HDBFTable* object = table.Table();
    const int nameField = table.FieldNumber("NAME");
    const auto unread = std::make_shared<TNameCensus>();
    if (object == nullptr || nameField <= 0) return unread;
    const int fd = ::open(object->Path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return unread;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return unread;
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
    std::shared_ptr<const TNameCensus> census = ReadCensus(fd, *object, nameField);
    ::close(fd);
    remembered.push_front({info.st_dev, info.st_ino, info.st_size, info.st_mtim, census});
    if (remembered.size() > 4) remembered.pop_back();
    return census;
}

}  // namespace surnames
