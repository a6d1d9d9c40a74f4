// Helpers for the table engine's tests: scratch directories, table files built byte by byte
// from doc/dbf_format.md (never by the engine under test), file pokes, an error recorder and
// a file-I/O fake that fails on request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "table/HFileIo.h"
#include "table/HFileObject.h"

namespace testutil {

// A fresh mkdtemp directory, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct FieldSpec {
    std::string name;
    char type;
    int width;
    int decimals;
};

// The lookup-table layout: RTYPE C1, NAME C70, POINTER C20, OFFSET N10.
std::vector<FieldSpec> LookupFields();

// Table file bytes: header (date 26-01-02, `headerCount` or the number of records), the
// descriptors, 0x0D, (263 zero bytes for version 0x30), the records as given, then 0x1A.
// A C width above 255 is split into the width and decimals bytes.
std::string BuildTable(uint8_t version, const std::vector<FieldSpec>& fields,
                       const std::vector<std::string>& records = {}, int64_t headerCount = -1);
// One record of `fields`: the deletion flag then each value padded (C, D, L left-aligned,
// others right-aligned) or cut to its width.
std::string BuildRecord(const std::vector<FieldSpec>& fields,
                        const std::vector<std::string>& values, bool deleted = false);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
void SetByte(const std::string& path, int64_t offset, uint8_t value);
void TruncateFile(const std::string& path, int64_t size);
// Bytes from a ".hex.txt" file: hexadecimal pairs; "#" starts a comment to the end of line.
std::string ReadHexText(const std::string& path);

// Records every error a file object reports instead of throwing.
struct ErrorLog {
    struct Entry {
        int code;
        int subCode;
        std::string text;
    };
    std::vector<Entry> entries;
    void Attach(HFileObject& file);
    bool empty() const { return entries.empty(); }
    const Entry& last() const { return entries.back(); }
};

// File I/O that fails `failCount` writes from the Nth (counting from 1), letting
// `partialBytes` of the first failed one through, or fails reads the same way. The default
// error (EFBIG) is one the engine does not retry.
class FailingIo : public HFileIo {
public:
    int failWriteAt = 0;  // 0: never
    int failReadAt = 0;
    size_t partialBytes = 0;
    int failCount = 1;
    int error = 27;  // EFBIG
    int writes = 0;
    int reads = 0;
    int syncs = 0;
    int Sync(int fd) override {
        ++syncs;
        return HFileIo::Sync(fd);
    }
    int Read(int fd, void* buffer, size_t length, int64_t position, size_t* transferred) override;
    int Write(int fd, const void* buffer, size_t length, int64_t position) override;
};

// Installs an I/O fake for the lifetime of the guard and shortens the retry time.
class ScopedIo {
public:
    explicit ScopedIo(HFileIo* io, uint32_t retryMs = 50);
    ~ScopedIo();

private:
    uint32_t savedRetry_;
};

}  // namespace testutil

namespace testutil {

// A helper process for "another program" tests. Fork it before this process opens the file:
// a child that inherits an open descriptor shares its locks.
class OtherProcess {
public:
    // Forks; the child runs `setup` and reports its result, then waits for Release() and
    // ends with _exit (after `teardown`, when given).
    explicit OtherProcess(std::function<bool()> setup, std::function<void()> teardown = {});
    ~OtherProcess();
    // Waits for the child's setup; true when it succeeded.
    bool Ready();
    // Lets the child finish and reaps it.
    void Release();

private:
    int pid_ = -1;
    int toParent_ = -1;
    int toChild_ = -1;
};

// True when a different open file description (as another program has) cannot write-lock
// `length` bytes at `offset` of `path`.
bool LockedByOther(const std::string& path, uint64_t offset, uint64_t length = 1);

}  // namespace testutil
