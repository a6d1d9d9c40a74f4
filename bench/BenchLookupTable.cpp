#include "bench/BenchLookupTable.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "gedcom/FilePaths.h"
#include "gedcom/LookupTableBuilder.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

TBenchLookupTable TBenchLookupTable::Build(const std::string& gedcomPath,
                                           const std::string& lookupPath) {
    HTable building;
    building.SetExclusive(true);
    HCreateTable creator;
    TSilentBuildProgress progress;
    const auto start = std::chrono::steady_clock::now();
    const gedcom::TLookupBuildResult result =
        gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, building, progress);
    if (result.failed) throw std::runtime_error("lookup table build failed");
    std::printf("lookup table built: %lld rows in %.1f s\n", static_cast<long long>(result.rows),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return TBenchLookupTable(result.tablePath, result.indexPath, true);
}

TBenchLookupTable TBenchLookupTable::Given(const std::string& lookupPath) {
    return TBenchLookupTable(gedcom::ReplaceExtension(lookupPath, ".DBF"),
                             gedcom::ReplaceExtension(lookupPath, ".CDX"), false);
}

TBenchLookupTable::TBenchLookupTable(std::string tablePath, std::string indexPath, bool owned)
    : tablePath_(std::move(tablePath)), indexPath_(std::move(indexPath)), owned_(owned) {}

TBenchLookupTable::TBenchLookupTable(TBenchLookupTable&& other) noexcept
    : tablePath_(std::move(other.tablePath_)),
      indexPath_(std::move(other.indexPath_)),
      owned_(std::exchange(other.owned_, false)) {}

TBenchLookupTable::~TBenchLookupTable() {
    if (!owned_) return;
    std::remove(tablePath_.c_str());
    std::remove(indexPath_.c_str());
}
