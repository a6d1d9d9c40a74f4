// Key forms. The general-collation tables are those of the stored files: a change here makes
// existing indexes unreadable.
#include "table/KeyCollation.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::array<uint8_t, 256> kPrimary = {
    // 0x00
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x11,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    0x10,
    // 0x20
    0x11,
    0x12,
    0x13,
    0x14,
    0x15,
    0x16,
    0x17,
    0x18,
    0x19,
    0x1a,
    0x1b,
    0x1c,
    0x1d,
    0x1e,
    0x1f,
    0x20,
    0x56,
    0x57,
    0x58,
    0x59,
    0x5a,
    0x5b,
    0x5c,
    0x5d,
    0x5e,
    0x5f,
    0x21,
    0x22,
    0x23,
    0x24,
    0x25,
    0x26,
    // 0x40
    0x27,
    0x60,
    0x61,
    0x62,
    0x64,
    0x66,
    0x67,
    0x68,
    0x69,
    0x6a,
    0x6b,
    0x6c,
    0x6d,
    0x6f,
    0x70,
    0x72,
    0x73,
    0x74,
    0x75,
    0x76,
    0x77,
    0x78,
    0x7a,
    0x7b,
    0x7c,
    0x7d,
    0x7e,
    0x28,
    0x29,
    0x2a,
    0x2b,
    0x2c,
    // 0x60
    0x2d,
    0x60,
    0x61,
    0x62,
    0x64,
    0x66,
    0x67,
    0x68,
    0x69,
    0x6a,
    0x6b,
    0x6c,
    0x6d,
    0x6f,
    0x70,
    0x72,
    0x73,
    0x74,
    0x75,
    0x76,
    0x77,
    0x78,
    0x7a,
    0x7b,
    0x7c,
    0x7d,
    0x7e,
    0x2e,
    0x2f,
    0x30,
    0x31,
    0x10,
    // 0x80
    0x10,
    0x10,
    0x18,
    0x32,
    0x13,
    0x33,
    0x34,
    0x35,
    0x36,
    0x37,
    0x76,
    0x18,
    0x00,
    0x10,
    0x10,
    0x10,
    0x10,
    0x18,
    0x18,
    0x13,
    0x13,
    0x38,
    0x1e,
    0x1e,
    0x39,
    0x3a,
    0x76,
    0x18,
    0x00,
    0x10,
    0x10,
    0x7d,
    // 0xA0
    0x20,
    0x3b,
    0x3c,
    0x3d,
    0x3e,
    0x3f,
    0x40,
    0x41,
    0x42,
    0x43,
    0x44,
    0x13,
    0x45,
    0x1e,
    0x46,
    0x47,
    0x48,
    0x49,
    0x58,
    0x59,
    0x4a,
    0x4b,
    0x4c,
    0x4d,
    0x4e,
    0x57,
    0x4f,
    0x13,
    0x50,
    0x51,
    0x52,
    0x53,
    // 0xC0
    0x60,
    0x60,
    0x60,
    0x60,
    0x60,
    0x60,
    0x06,
    0x62,
    0x66,
    0x66,
    0x66,
    0x66,
    0x6a,
    0x6a,
    0x6a,
    0x6a,
    0x65,
    0x70,
    0x72,
    0x72,
    0x72,
    0x72,
    0x72,
    0x54,
    0x81,
    0x78,
    0x78,
    0x78,
    0x78,
    0x7d,
    0x12,
    0x0c,
    // 0xE0
    0x60,
    0x60,
    0x60,
    0x60,
    0x60,
    0x60,
    0x06,
    0x62,
    0x66,
    0x66,
    0x66,
    0x66,
    0x6a,
    0x6a,
    0x6a,
    0x6a,
    0x65,
    0x70,
    0x72,
    0x72,
    0x72,
    0x72,
    0x72,
    0x55,
    0x81,
    0x78,
    0x78,
    0x78,
    0x78,
    0x7d,
    0x12,
    0x7d,
};

constexpr std::array<uint8_t, 256> kSecondary = {
    // 0x00 .. 0x3F
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // 0x40
    0x00,
    0x20,
    0x00,
    0x20,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x00,
    0x20,
    0x20,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    // 0x60
    0x00,
    0x20,
    0x00,
    0x20,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x00,
    0x20,
    0x20,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    // 0x80
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x28,
    0x00,
    0x80,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x28,
    0x00,
    0x80,
    0x00,
    0x00,
    0x24,
    // 0xA0
    0x21,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    // 0xC0
    0x22,
    0x21,
    0x23,
    0x25,
    0x24,
    0x26,
    0x80,
    0x27,
    0x22,
    0x21,
    0x23,
    0x24,
    0x22,
    0x21,
    0x23,
    0x24,
    0x00,
    0x25,
    0x22,
    0x21,
    0x23,
    0x25,
    0x24,
    0x00,
    0x00,
    0x22,
    0x21,
    0x23,
    0x24,
    0x21,
    0x80,
    0x80,
    // 0xE0
    0x22,
    0x21,
    0x23,
    0x25,
    0x24,
    0x26,
    0x80,
    0x27,
    0x22,
    0x21,
    0x23,
    0x24,
    0x22,
    0x21,
    0x23,
    0x24,
    0x00,
    0x25,
    0x22,
    0x21,
    0x23,
    0x25,
    0x24,
    0x00,
    0x00,
    0x22,
    0x21,
    0x23,
    0x24,
    0x21,
    0x80,
    0x24,
};

constexpr std::array<uint8_t, 32> kExpansion = {
    0x00, 0x02, 0x72, 0x20, 0x66, 0x20, 0x00, 0x02, 0x60, 0x20, 0x66, 0x20, 0x00,
    0x02, 0x76, 0x20, 0x76, 0x20, 0x00, 0x02, 0x77, 0x00, 0x69, 0x00, 0x00, 0x00,
};

uint8_t ExpansionAt(int index) {
    return index >= 0 && index < static_cast<int>(kExpansion.size()) ? kExpansion[index] : 0;
}

std::string_view TrimTrailing(std::string_view text, bool nulsToo) {
    size_t n = text.size();
    while (n > 0 && (text[n - 1] == ' ' || (nulsToo && text[n - 1] == '\0'))) --n;
    return text.substr(0, n);
}

}  // namespace

const std::array<uint8_t, 256>& GeneralPrimaryWeights() { return kPrimary; }
const std::array<uint8_t, 256>& GeneralSecondaryCodes() { return kSecondary; }
const std::array<uint8_t, 32>& GeneralExpansion() { return kExpansion; }

std::string MachineKeyForm(std::string_view text, int keyLength) {
    std::string_view t = TrimTrailing(text, true);
    if (keyLength >= 0 && t.size() > static_cast<size_t>(keyLength)) t = t.substr(0, keyLength);
    return std::string(t);
}

std::string GeneralKeyForm(std::string_view text, int keyLength) {
    std::string_view t = TrimTrailing(text, false);
    std::string primary;
    std::string secondary;
    primary.reserve(t.size() * 2);
    for (char ch : t) {
        const uint8_t c = static_cast<uint8_t>(ch);
        const uint8_t p = kPrimary[c];
        const uint8_t s = kSecondary[c];
        if ((p == 0x00 || p == 0x06 || p == 0x12 || p == 0x18) && ExpansionAt(p + 1) != 0) {
            primary += static_cast<char>(ExpansionAt(p + 2));
            primary += static_cast<char>(ExpansionAt(p + 4));
        } else {
            primary += static_cast<char>(p);
        }
        if (s == 0x80) {
            if (ExpansionAt(p + 3) != 0) secondary += static_cast<char>(ExpansionAt(p + 3) | 0xF0);
            if (ExpansionAt(p + 5) != 0) secondary += static_cast<char>(ExpansionAt(p + 5) | 0xF0);
        } else if (s != 0) {
            secondary += static_cast<char>(s | 0xF0);
        }
    }
    while (!secondary.empty() && static_cast<uint8_t>(secondary.back()) == 0xF0)
        secondary.pop_back();
    primary += secondary;
    if (keyLength >= 0 && primary.size() > static_cast<size_t>(keyLength))
        primary.resize(keyLength);
    return primary;
}

std::string NumericKeyForm(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    if (bits & 0x8000000000000000ull)
        bits = ~bits;
    else
        bits |= 0x8000000000000000ull;
    std::string out(8, '\0');
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>((bits >> (56 - 8 * i)) & 0xFF);
    return out;
}

std::string NumericKeyForm(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\0')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\0')) --e;
    std::string t(text.substr(b, e - b));
    double value = 0;
    if (!t.empty()) {
        char* end = nullptr;
        value = std::strtod(t.c_str(), &end);
        if (end == t.c_str()) value = 0;
    }
    return NumericKeyForm(value);
}

std::string ToIndexForm(std::string_view text, const HKeyShape& shape) {
    switch (shape.kind) {
        case HKeyKind::General:
            return GeneralKeyForm(text, shape.keyLength);
        case HKeyKind::Numeric:
            return NumericKeyForm(text);
        case HKeyKind::Machine:
            break;
    }
    return MachineKeyForm(text, shape.keyLength);
}

uint8_t ComparePad(HKeyKind kind) {
    switch (kind) {
        case HKeyKind::General:
            return 0x11;
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

void ClearHighNibbleRun(std::string& part) {
    for (size_t i = part.size(); i > 0; --i) {
        uint8_t c = static_cast<uint8_t>(part[i - 1]);
        if (c < 0xF0) break;
        part[i - 1] = static_cast<char>(c & 0x0F);
    }
}

void RestoreHighNibbleRun(std::string& key) {
    for (size_t i = key.size(); i > 1; --i) {
        uint8_t c = static_cast<uint8_t>(key[i - 1]);
        if (c >= 0x10) break;
        key[i - 1] = static_cast<char>(c | 0xF0);
    }
}
