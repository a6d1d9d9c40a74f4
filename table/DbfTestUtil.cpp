#include "table/DbfTestUtil.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace testutil {

TempDir::TempDir() {
    char pattern[] = "/tmp/lineatum-table-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<FieldSpec> LookupFields() {
    return {{"RTYPE", 'C', 1, 0},
            {"NAME", 'C', 70, 0},
            {"POINTER", 'C', 20, 0},
            {"OFFSET", 'N', 10, 0}};
}

namespace {
void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}
}  // namespace

std::string BuildTable(uint8_t version, const std::vector<FieldSpec>& fields,
                       const std::vector<std::string>& records, int64_t headerCount) {
    const size_t backlink = version == 0x30 ? 263 : 0;
    const size_t headerLength = 32 + 32 * fields.size() + 1 + backlink;
    size_t recordLength = 1;
    for (const FieldSpec& f : fields) recordLength += static_cast<size_t>(f.width);
    std::string out(32, '\0');
    out[0] = static_cast<char>(version);
    out[1] = 26;
    out[2] = 1;
    out[3] = 2;
    Put32(out, 4, static_cast<uint32_t>(headerCount < 0 ? records.size() : headerCount));
    Put16(out, 8, static_cast<uint32_t>(headerLength));
    Put16(out, 10, static_cast<uint32_t>(recordLength));
    for (const FieldSpec& f : fields) {
        std::string d(32, '\0');
        for (size_t i = 0; i < f.name.size() && i < 10; ++i) d[i] = f.name[i];
        d[11] = f.type;
        if (f.type == 'C' && f.width > 255) {
            d[16] = static_cast<char>(f.width % 256);
            d[17] = static_cast<char>(f.width / 256);
        } else {
            d[16] = static_cast<char>(f.width);
            d[17] = static_cast<char>(f.decimals);
        }
        out += d;
    }
    out += '\x0D';
    out += std::string(backlink, '\0');
    for (const std::string& r : records) out += r;
    out += '\x1A';
    return out;
}

std::string BuildRecord(const std::vector<FieldSpec>& fields,
                        const std::vector<std::string>& values, bool deleted) {
    std::string r(1, deleted ? '*' : ' ');
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldSpec& f = fields[i];
        std::string v = i < values.size() ? values[i] : std::string();
        const size_t w = static_cast<size_t>(f.width);
        if (v.size() > w) v.resize(w);
        bool left = f.type == 'C' || f.type == 'D' || f.type == 'L';
        std::string pad(w - v.size(), ' ');
        r += left ? v + pad : pad + v;
    }
    return r;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void SetByte(const std::string& path, int64_t offset, uint8_t value) {
    std::string bytes = ReadFile(path);
    bytes.at(static_cast<size_t>(offset)) = static_cast<char>(value);
    WriteFile(path, bytes);
}

void TruncateFile(const std::string& path, int64_t size) {
    std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
}

std::string ReadHexText(const std::string& path) {
    std::ifstream in(path);
    std::string line, out;
    while (std::getline(in, line)) {
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string word;
        while (words >> word) out += static_cast<char>(std::stoi(word, nullptr, 16));
    }
    return out;
}

void ErrorLog::Attach(HFileObject& file) {
    file.OnZadarirError = [this](int code, int subCode, const std::string& text) {
        entries.push_back({code, subCode, text});
    };
}

int FailingIo::Read(int fd, void* buffer, size_t length, int64_t position, size_t* transferred) {
    ++reads;
    if (failReadAt > 0 && reads >= failReadAt && reads < failReadAt + failCount) {
        *transferred = 0;
        return error;
    }
    return HFileIo::Read(fd, buffer, length, position, transferred);
}

int FailingIo::Write(int fd, const void* buffer, size_t length, int64_t position) {
    ++writes;
    if (failWriteAt > 0 && writes >= failWriteAt && writes < failWriteAt + failCount) {
        if (writes == failWriteAt && partialBytes > 0) {
            HFileIo::Write(fd, buffer, std::min(partialBytes, length), position);
        }
        return error;
    }
    return HFileIo::Write(fd, buffer, length, position);
}

ScopedIo::ScopedIo(HFileIo* io, uint32_t retryMs) : savedRetry_(HFileObject::RetryTime()) {
    InstallFileIo(io);
    HFileObject::SetRetryTime(retryMs);
}

ScopedIo::~ScopedIo() {
    InstallFileIo(nullptr);
    HFileObject::SetRetryTime(savedRetry_);
}

}  // namespace testutil

#include <fcntl.h>
#include <sys/wait.h>

namespace testutil {

OtherProcess::OtherProcess(std::function<bool()> setup, std::function<void()> teardown) {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(up[0]);
        ::close(down[1]);
        bool ok = false;
        try {
            ok = setup();
        } catch (...) {
            ok = false;
        }
        char c = ok ? '1' : '0';
        if (::write(up[1], &c, 1) != 1) ::_exit(3);
        char go;
        (void)!::read(down[0], &go, 1);
        if (teardown) teardown();
        ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    toParent_ = up[0];
    toChild_ = down[1];
}

OtherProcess::~OtherProcess() { Release(); }

bool OtherProcess::Ready() {
    char c = '0';
    if (::read(toParent_, &c, 1) != 1) return false;
    return c == '1';
}

void OtherProcess::Release() {
    if (pid_ <= 0) return;
    char c = 'x';
    (void)!::write(toChild_, &c, 1);
    ::close(toChild_);
    ::close(toParent_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool LockedByOther(const std::string& path, uint64_t offset, uint64_t length) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    bool locked = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

}  // namespace testutil
