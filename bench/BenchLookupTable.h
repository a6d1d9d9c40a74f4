// The lookup table a benchmark works on: built from a GEDCOM file with the viewer's builder, or
// one given on the command line.
#pragma once

#include <string>

// The table file and its index. A table this object built is removed with it unless kept.
class TBenchLookupTable {
public:
    // Builds the lookup table of `gedcomPath` at `lookupPath` (".DBF" and ".CDX") silently,
    // printing its row count and time. Throws std::runtime_error when the build fails.
    static TBenchLookupTable Build(const std::string& gedcomPath, const std::string& lookupPath);
    // A table built before (its ".CDX" beside it); never removed.
    static TBenchLookupTable Given(const std::string& lookupPath);

    TBenchLookupTable(TBenchLookupTable&& other) noexcept;
    TBenchLookupTable& operator=(TBenchLookupTable&&) = delete;
    ~TBenchLookupTable();

    const std::string& TablePath() const { return tablePath_; }
    const std::string& IndexPath() const { return indexPath_; }
    // Leaves a built table on disk (to rerun with it, for instance under strace).
    void Keep() { owned_ = false; }

private:
    TBenchLookupTable(std::string tablePath, std::string indexPath, bool owned);

    std::string tablePath_;
    std::string indexPath_;
    bool owned_;
};
