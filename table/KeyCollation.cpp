// Key forms. The general-collation tables are those of the stored files: a change here makes
// existing indexes unreadable.
#include "table/KeyCollation.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// clang-format off
constexpr std::array<uint8_t, 256> kPrimary = {
    0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x11, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,  // 0x00
    0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,  // 0x10
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20,  // 0x20
    0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26,  // 0x30
    0x27, 0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72,  // 0x40
    0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x28, 0x29, 0x2A, 0x2B, 0x2C,  // 0x50
    0x2D, 0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72,  // 0x60
    0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x2E, 0x2F, 0x30, 0x31, 0x10,  // 0x70
    0x10, 0x10, 0x18, 0x32, 0x13, 0x33, 0x34, 0x35, 0x36, 0x37, 0x76, 0x18, 0x00, 0x10, 0x10, 0x10,  // 0x80
    0x10, 0x18, 0x18, 0x13, 0x13, 0x38, 0x1E, 0x1E, 0x39, 0x3A, 0x76, 0x18, 0x00, 0x10, 0x10, 0x7D,  // 0x90
    0x20, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x13, 0x45, 0x1E, 0x46, 0x47,  // 0xA0
    0x48, 0x49, 0x58, 0x59, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x57, 0x4F, 0x13, 0x50, 0x51, 0x52, 0x53,  // 0xB0
    0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x06, 0x62, 0x66, 0x66, 0x66, 0x66, 0x6A, 0x6A, 0x6A, 0x6A,  // 0xC0
    0x65, 0x70, 0x72, 0x72, 0x72, 0x72, 0x72, 0x54, 0x81, 0x78, 0x78, 0x78, 0x78, 0x7D, 0x12, 0x0C,  // 0xD0
    0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x06, 0x62, 0x66, 0x66, 0x66, 0x66, 0x6A, 0x6A, 0x6A, 0x6A,  // 0xE0
    0x65, 0x70, 0x72, 0x72, 0x72, 0x72, 0x72, 0x55, 0x81, 0x78, 0x78, 0x78, 0x78, 0x7D, 0x12, 0x7D,  // 0xF0
};

constexpr std::array<uint8_t, 256> kSecondary = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x00
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x10
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x20
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x30
    0x00, 0x20, 0x00, 0x20, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x20, 0x20,  // 0x40
    0x00, 0x00, 0x00, 0x20, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x50
    0x00, 0x20, 0x00, 0x20, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x20, 0x20,  // 0x60
    0x00, 0x00, 0x00, 0x20, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x70
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 0x80, 0x00, 0x00, 0x00,  // 0x80
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 0x80, 0x00, 0x00, 0x24,  // 0x90
    0x21, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xA0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xB0
    0x22, 0x21, 0x23, 0x25, 0x24, 0x26, 0x80, 0x27, 0x22, 0x21, 0x23, 0x24, 0x22, 0x21, 0x23, 0x24,  // 0xC0
    0x00, 0x25, 0x22, 0x21, 0x23, 0x25, 0x24, 0x00, 0x00, 0x22, 0x21, 0x23, 0x24, 0x21, 0x80, 0x80,  // 0xD0
    0x22, 0x21, 0x23, 0x25, 0x24, 0x26, 0x80, 0x27, 0x22, 0x21, 0x23, 0x24, 0x22, 0x21, 0x23, 0x24,  // 0xE0
    0x00, 0x25, 0x22, 0x21, 0x23, 0x25, 0x24, 0x00, 0x00, 0x22, 0x21, 0x23, 0x24, 0x21, 0x80, 0x24,  // 0xF0
};

constexpr std::array<uint8_t, 32> kExpansion = {
    0x00, 0x02, 0x72, 0x20, 0x66, 0x20, 0x00, 0x02, 0x60, 0x20, 0x66, 0x20, 0x00,  // 0x00
    0x02, 0x76, 0x20, 0x76, 0x20, 0x00, 0x02, 0x77, 0x00, 0x69, 0x00, 0x00, 0x00,  // 0x0D
};
// clang-format on

uint8_t ExpansionAt(int index) {
    return index >= 0 && index < static_cast<int>(kExpansion.size()) ? kExpansion[index] : 0;
}

}  // namespace

std::string_view TrimTrailing(std::string_view text, bool nulsToo) {
    size_t n = text.size();
    // Fields give keys long runs of trailing blanks: skip them eight at a time first.
    constexpr uint64_t kEightBlanks = 0x2020202020202020ull;
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + n - 8, sizeof word);
        if (word != kEightBlanks) break;
        n -= 8;
    }
    while (n > 0 && (text[n - 1] == ' ' || (nulsToo && text[n - 1] == '\0'))) --n;
    return text.substr(0, n);
}

namespace {}  // namespace

const std::array<uint8_t, 256>& GeneralPrimaryWeights() { return kPrimary; }
const std::array<uint8_t, 256>& GeneralSecondaryCodes() { return kSecondary; }
const std::array<uint8_t, 32>& GeneralExpansion() { return kExpansion; }

void MachineKeyForm(std::string_view text, int keyLength, std::string& out) {
    std::string_view t = TrimTrailing(text, true);
    if (keyLength >= 0 && t.size() > static_cast<size_t>(keyLength)) t = t.substr(0, keyLength);
    out.assign(t.data(), t.size());
}

std::string MachineKeyForm(std::string_view text, int keyLength) {
    std::string out;
    MachineKeyForm(text, keyLength, out);
    return out;
}

namespace {

// What one byte contributes to a general key: one or two primary weights and zero to two
// secondary codes, worked out once from the tables above.
struct GeneralWeights {
    uint8_t primaryCount;
    uint8_t secondaryCount;
    uint8_t primary[2];
    uint8_t secondary[2];
};

std::array<GeneralWeights, 256> MakeGeneralWeights() {
    std::array<GeneralWeights, 256> table{};
    for (int c = 0; c < 256; ++c) {
        GeneralWeights& w = table[static_cast<size_t>(c)];
        const uint8_t p = kPrimary[static_cast<size_t>(c)];
        const uint8_t s = kSecondary[static_cast<size_t>(c)];
        if ((p == 0x00 || p == 0x06 || p == 0x12 || p == 0x18) && ExpansionAt(p + 1) != 0) {
            w.primary[w.primaryCount++] = ExpansionAt(p + 2);
            w.primary[w.primaryCount++] = ExpansionAt(p + 4);
        } else {
            w.primary[w.primaryCount++] = p;
        }
        if (s == 0x80) {
            if (ExpansionAt(p + 3) != 0)
                w.secondary[w.secondaryCount++] = static_cast<uint8_t>(ExpansionAt(p + 3) | 0xF0);
            if (ExpansionAt(p + 5) != 0)
                w.secondary[w.secondaryCount++] = static_cast<uint8_t>(ExpansionAt(p + 5) | 0xF0);
        } else if (s != 0) {
            w.secondary[w.secondaryCount++] = static_cast<uint8_t>(s | 0xF0);
        }
    }
    return table;
}

const std::array<GeneralWeights, 256> kGeneralWeights = MakeGeneralWeights();

// The primary weight of each byte that adds one primary weight and no secondary code other
// than 0xF0 (blanks, digits, most letters); 0 for every other byte. A text of such bytes has
// a key of its primary weights alone: its secondary codes are all 0xF0 and trail. No byte
// has a single primary weight of 0, so 0 is free to mark the others.
std::array<uint8_t, 256> MakeSimplePrimary() {
    std::array<uint8_t, 256> table{};
    for (size_t c = 0; c < 256; ++c) {
        const GeneralWeights& w = kGeneralWeights[c];
        bool simple = w.primaryCount == 1 && w.primary[0] != 0;
        for (int i = 0; i < w.secondaryCount; ++i)
            if (w.secondary[i] != 0xF0) simple = false;
        table[c] = simple ? w.primary[0] : 0;
    }
    return table;
}

const std::array<uint8_t, 256> kSimplePrimary = MakeSimplePrimary();

// The whole computation, for texts with bytes of any kind. `t` is trimmed already, and `out`
// begins with the primary weights of t[0, done), bytes with a simple primary weight.
void GeneralKeyFormFrom(std::string_view t, size_t done, int keyLength, std::string& out) {
    // Primary weights go straight to `out`, secondary codes to a buffer on the stack; each
    // byte gives at most two of each, and key texts are at most a few hundred bytes.
    out.resize(2 * t.size());
    char* primary = out.data();
    std::vector<char> heap;
    char local[2 * 512];
    char* secondary = local;
    if (t.size() > 512) {
        heap.resize(2 * t.size());
        secondary = heap.data();
    }
    size_t np = done, ns = 0;
    for (size_t i = 0; i < done; ++i)
        ns += kGeneralWeights[static_cast<uint8_t>(t[i])].secondaryCount;
    std::memset(secondary, 0xF0, ns);  // the only code the simple bytes have
    // Both slots of each weight pair are stored whatever the counts; only the counts advance.
    for (size_t i = done; i < t.size(); ++i) {
        const GeneralWeights& w = kGeneralWeights[static_cast<uint8_t>(t[i])];
        primary[np] = static_cast<char>(w.primary[0]);
        primary[np + 1] = static_cast<char>(w.primary[1]);
        np += w.primaryCount;
        secondary[ns] = static_cast<char>(w.secondary[0]);
        secondary[ns + 1] = static_cast<char>(w.secondary[1]);
        ns += w.secondaryCount;
    }
    while (ns > 0 && static_cast<uint8_t>(secondary[ns - 1]) == 0xF0) --ns;
    size_t total = np + ns;
    if (keyLength >= 0 && total > static_cast<size_t>(keyLength))
        total = static_cast<size_t>(keyLength);
    out.resize(std::min(np, total));
    if (total > np) out.append(secondary, total - np);
}

}  // namespace

void GeneralKeyForm(std::string_view text, int keyLength, std::string& out) {
    const std::string_view t = TrimTrailing(text, false);
    // Builds run this once per record, and most texts are of simple bytes only: their primary
    // weights go straight to `out`. Every byte counts one primary weight at least, so when
    // `keyLength` cuts the key within the first bytes, only those need to be simple. At the
    // first other byte the general loop takes over.
    const size_t limit =
        keyLength >= 0 ? std::min(t.size(), static_cast<size_t>(keyLength)) : t.size();
    out.resize(limit);
    char* to = out.data();
    const auto* from = reinterpret_cast<const uint8_t*>(t.data());
    for (size_t i = 0; i < limit; ++i) {
        const uint8_t weight = kSimplePrimary[from[i]];
        if (weight == 0) return GeneralKeyFormFrom(t, i, keyLength, out);
        to[i] = static_cast<char>(weight);
    }
}

std::string GeneralKeyForm(std::string_view text, int keyLength) {
    std::string out;
    GeneralKeyForm(text, keyLength, out);
    return out;
}

void NumericKeyForm(double value, std::string& out) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    if (bits & 0x8000000000000000ull)
        bits = ~bits;
    else
        bits |= 0x8000000000000000ull;
    out.resize(8);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>((bits >> (56 - 8 * i)) & 0xFF);
}

std::string NumericKeyForm(double value) {
    std::string out;
    NumericKeyForm(value, out);
    return out;
}

void NumericKeyForm(std::string_view text, std::string& out) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\0')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\0')) --e;
    double value = 0;
    if (e > b) {
        // strtod wants a terminated copy; numbers are short enough for the stack.
        std::string heap;
        char local[64];
        char* copy = local;
        if (e - b >= sizeof local) {
            heap.resize(e - b + 1);
            copy = heap.data();
        }
        std::memcpy(copy, text.data() + b, e - b);
        copy[e - b] = '\0';
        char* end = nullptr;
        value = std::strtod(copy, &end);
        if (end == copy) value = 0;
    }
    NumericKeyForm(value, out);
}

std::string NumericKeyForm(std::string_view text) {
    std::string out;
    NumericKeyForm(text, out);
    return out;
}

void ToIndexForm(std::string_view text, const HKeyShape& shape, std::string& out) {
    switch (shape.kind) {
        case HKeyKind::General:
            return GeneralKeyForm(text, shape.keyLength, out);
        case HKeyKind::Numeric:
            return NumericKeyForm(text, out);
        case HKeyKind::Machine:
            break;
    }
    MachineKeyForm(text, shape.keyLength, out);
}

std::string ToIndexForm(std::string_view text, const HKeyShape& shape) {
    std::string out;
    ToIndexForm(text, shape, out);
    return out;
}

size_t CommonPrefixLength(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    // Eight bytes at a time: the first differing byte is the lowest set byte of the XOR.
    static_assert(std::endian::native == std::endian::little);
    while (i + 8 <= n) {
        uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) return i + static_cast<size_t>(std::countr_zero(x ^ y) / 8);
        i += 8;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

uint8_t ComparePad(HKeyKind kind) {
    switch (kind) {
        case HKeyKind::General:
        case HKeyKind::Numeric:
            return 0x00;
        case HKeyKind::Machine:
            break;
    }
    return 0x20;
}

uint8_t StoragePad(HKeyKind kind) { return kind == HKeyKind::Numeric ? 0x00 : 0x20; }

int CompareKeys(std::string_view a, std::string_view b, uint8_t pad) {
    const size_t common = std::min(a.size(), b.size());
    if (common > 0) {
        int r = std::memcmp(a.data(), b.data(), common);
        if (r != 0) return r;
    }
    if (a.size() == b.size()) return 0;
    const bool aLonger = a.size() > b.size();
    std::string_view rest = aLonger ? a.substr(common) : b.substr(common);
    for (char ch : rest) {
        const uint8_t c = static_cast<uint8_t>(ch);
        if (c != pad) return (c > pad) == aLonger ? 1 : -1;
    }
    return 0;
}

size_t OwnKeyLength(std::string_view key, HKeyKind kind) {
    size_t n = key.size();
    if (kind == HKeyKind::Machine) {
        while (n > 0 && (key[n - 1] == ' ' || key[n - 1] == '\0')) --n;
    } else if (kind == HKeyKind::Numeric) {
        while (n > 0 && key[n - 1] == '\0') --n;
    }
    return n;
}

void ClearHighNibbleRun(uint8_t* part, size_t length) {
    for (size_t i = length; i > 0; --i) {
        if (part[i - 1] < 0xF0) break;
        part[i - 1] &= 0x0F;
    }
}

void ClearHighNibbleRun(std::string& part) {
    ClearHighNibbleRun(reinterpret_cast<uint8_t*>(part.data()), part.size());
}

void RestoreHighNibbleRun(std::string& key) {
    // Stored secondary codes are 0xF0 to 0xF8; a lower primary weight (the sharp s, 0x0C) ends
    // the run.
    for (size_t i = key.size(); i > 1; --i) {
        uint8_t c = static_cast<uint8_t>(key[i - 1]);
        if (c > 0x08) break;
        key[i - 1] = static_cast<char>(c | 0xF0);
    }
}
