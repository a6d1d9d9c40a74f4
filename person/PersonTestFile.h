// Test support for the person tests: a GEDCOM file written into a fresh temporary folder, made
// the current GEDCOM file of the process, with a scanned lookup table over it.
#pragma once

#include <memory>
#include <string>

#include "gedcom/GedcomState.h"
#include "person/ScannedLookup.h"
#include "testing/TempDir.h"

class TPersonTestFile {
public:
    // Writes `bytes` as "test.ged", scans it and makes it the current GEDCOM file, decoded as
    // its start and header say.
    explicit TPersonTestFile(const std::string& bytes) : saved_(GedcomState()) {
        path_ = dir_.Write("test.ged", bytes);
        Use(path_);
    }
    // Uses an existing file (a public sample) instead.
    TPersonTestFile(const std::string& existingPath, std::nullptr_t) : saved_(GedcomState()) {
        path_ = existingPath;
        Use(path_);
    }
    ~TPersonTestFile() { GedcomState() = saved_; }
    TPersonTestFile(const TPersonTestFile&) = delete;
    TPersonTestFile& operator=(const TPersonTestFile&) = delete;

    TScannedLookup& Table() { return *table_; }
    const std::string& Path() const { return path_; }

private:
    void Use(const std::string& path) {
        GedcomState().CurrentGedcomPath = path;
        GedcomState().Decoding = gedcom::ChooseTextDecoding(path);
        table_ = std::make_unique<TScannedLookup>(path, GedcomState().Decoding);
    }

    TGedcomState saved_;
    TempDir dir_;
    std::string path_;
    std::unique_ptr<TScannedLookup> table_;
};

// Joins lines with LF, each line terminated.
inline std::string GedcomText(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}
