#include "gedcom/LookupTableBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>
#include <utility>

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LineStream.h"
#include "gedcom/LookupFiles.h"
#include "gedcom/StoredText.h"
#include "gedcom/TextDecoding.h"
#include "table/EZadarirError.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace gedcom {

namespace {

// Progress labels and the cancel flag are looked at once per this many counted lines.
constexpr int64_t kProgressInterval = 200;

// True when the first characters that decide whether a line matters are ASCII: "1 NAME" and the
// character after it, which a combining mark could not join to the "E".
bool IsAsciiHead(std::string_view line) {
    unsigned char bits = 0;
    for (size_t i = 0; i < 7 && i < line.size(); ++i) bits |= static_cast<unsigned char>(line[i]);
    return bits < 0x80;
}

// Thrown inside the builder when the table reported an error through its own handler and
// the operation returned false; never leaves the builder.
struct HandlerReportedError {};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The record whose level-0 line has been read and whose row is not written yet.
struct PendingRow {
    std::string pointer;
    int64_t offset = 0;
    bool individual = false;
    TLookupName name;
};

void Check(bool ok) {
    if (!ok) throw HandlerReportedError{};
}

void WriteRow(HTable& table, const PendingRow& row, TLookupBuildResult& result) {
    const bool named = row.individual && row.name.named;
    table.Append();
    table.StringPut("RTYPE", named ? "I" : "R");
    table.StringPut("POINTER", row.pointer);
    // OFFSET is ten digits wide: offsets past 2 GiB do not fit the integer route.
    if (row.offset <= std::numeric_limits<int32_t>::max()) {
        Check(table.IntegerPut("OFFSET", static_cast<int32_t>(row.offset)));
    } else {
        Check(table.NumberPut("OFFSET", static_cast<double>(row.offset)));
    }
    table.StringPut("NAME", row.individual ? std::string_view(row.name.name) : std::string_view());
    Check(table.Post());
    ++result.rows;
    if (named) ++result.namedIndividuals;
}

// Leaves the table closed and the files of an unfinished build gone, whatever state the
// failure left them in; the targets are never touched.
void Discard(HTable& table, const std::string& builtTable, const std::string& builtIndex) {
    try {
        if (table.State() == HTableState::Insert || table.State() == HTableState::Edit) {
            table.Cancel();
        }
    } catch (...) {
    }
    try {
        table.SetActive(false);
    } catch (...) {
    }
    RemoveRegularFile(builtIndex);
    RemoveRegularFile(builtTable);
}

void Scan(const std::string& gedcomPath, HTable& table, TLookupBuildProgress& progress,
          TLookupBuildResult& result) {
    TGedcomState& state = GedcomState();
    const TextDecoding decoding = state.Decoding;
    TLineStream reader(gedcomPath);
    const int64_t size = reader.Size();
    std::string stored;
    PendingRow row;
    bool pending = false;
    int64_t counted = 0;
    while (!reader.EndOfFile()) {
        const int64_t offset = reader.LinePosition();
        std::string_view line = Trim(reader.ReadLine());
        if (line.empty()) continue;
        // Most lines are deeper than level 1; an ASCII first character is the same in every
        // decoding.
        const auto first = static_cast<unsigned char>(line[0]);
        if (first < 0x80 && first != '0' && first != '1') continue;
        // The rules look at a line's first characters, then use the whole of a pointer line or
        // a NAME line. When the first characters are ASCII they read the same in every
        // decoding and after the conversion to the table's text (a combining mark can change
        // only the character before it), so only the lines the rows are made of are converted.
        bool converted = !IsAsciiHead(line);
        if (converted) line = Trim(StoredLine(decoding, line, stored));
        const auto whole = [&] {
            if (!converted) line = Trim(StoredLine(decoding, line, stored));
            converted = true;
            return line;
        };
        if (line.empty() || (line[0] != '0' && line[0] != '1')) continue;
        const bool pointerLine = StartsWith(line, "0 @");
        if (pointerLine || StartsWith(line, "0 TR")) {
            if (pending) WriteRow(table, row, result);
            // A trailer ends the record before it but starts none.
            pending = pointerLine;
            row.individual = pointerLine && IsIndividualRecord(whole());
            if (row.individual) ++result.individuals;
            row.pointer = pointerLine ? PointerOf(whole()) : std::string();
            row.offset = offset;
            row.name = TLookupName();
        }
        if (row.individual && StartsWith(line, "1 NAME")) row.name = ComposeLookupName(whole());
        if (++counted % kProgressInterval == 0) {
            progress.SetIndividuals(std::to_string(result.individuals) + " individuals found");
            progress.SetStatus(std::to_string(size > 0 ? offset * 100 / size : 0) + "% done");
            progress.ProcessPendingEvents();
            if (state.BuildCancelled) {
                result.cancelled = true;
                break;
            }
        }
    }
    // The record in progress at the end of the file is written even without a trailer line;
    // after a cancel it may be incomplete, and the table is thrown away anyway.
    if (pending && !result.cancelled) WriteRow(table, row, result);
}

}  // namespace

const std::vector<std::string>& LookupTableFields() {
    static const std::vector<std::string> fields = {"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0",
                                                    "OFFSET;N;10;0"};
    return fields;
}

TLookupBuildResult BuildLookupTable(const std::string& gedcomPath, const std::string& lookupPath,
                                    HCreateTable& creator, HTable& table,
                                    TLookupBuildProgress& progress) {
    TLookupBuildResult result;
    result.tablePath = ReplaceExtension(lookupPath, ".DBF");
    result.indexPath = ReplaceExtension(lookupPath, ".CDX");
    TGedcomState& state = GedcomState();
    state.BuildCancelled = false;

    progress.SetActivity("Creating index files...");
    progress.ProcessPendingEvents();
    table.SetActive(false);
    // One build of a folder at a time: the one that waits builds after the other has put its
    // files in place.
    TBuildFolderLock lock(DirectoryPart(result.tablePath));
    while (!lock.TryLock()) {
        progress.SetStatus("Waiting for another build in this folder to end");
        progress.ProcessPendingEvents();
        if (state.BuildCancelled) {
            result.cancelled = true;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    RemoveAbandonedBuildFiles(DirectoryPart(result.tablePath));
    for (const auto& [target, index] : {std::pair{result.tablePath, false}, {result.indexPath, true}}) {
        const std::string problem = BuildTargetProblem(target, gedcomPath, index);
        if (!problem.empty()) {
            result.refused = target + " " + problem;
            return result;
        }
    }

    // Nothing that exists is touched until both files are complete.
    const std::string builtTable = TemporaryBuildPath(result.tablePath);
    const std::string builtIndex = ReplaceExtension(builtTable, ".CDX");
    result.files = {{builtTable, result.tablePath}, {builtIndex, result.indexPath},
                    {result.tablePath, ""}, {result.indexPath, ""}, {gedcomPath, ""}};
    try {
        table.SetDBFPath(DirectoryPart(builtTable));
        table.SetDBFName(NamePart(builtTable));
        creator.SetDBFTable(&table);
        creator.SetCreateFields(LookupTableFields());
        creator.SetDBFType(HDBFTypes::FoxPro2);
        creator.SetAutoOverwrite(false);
        creator.SetKeepOpen(false);
        Check(creator.Execute());
        table.SetActive(true);
        Check(table.Active());

        const auto scanStart = std::chrono::steady_clock::now();
        Scan(gedcomPath, table, progress, result);
        result.scanSeconds = SecondsSince(scanStart);
        if (result.cancelled) {
            Discard(table, builtTable, builtIndex);
            return result;
        }
        progress.SetStatus("100% done");

        auto tagStart = std::chrono::steady_clock::now();
        Check(table.IndexOn(builtIndex, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
        result.nameTagSeconds = SecondsSince(tagStart);
        tagStart = std::chrono::steady_clock::now();
        Check(table.IndexOn(builtIndex, "POINTER", 7, 1, "", "POINTER"));
        result.pointerTagSeconds = SecondsSince(tagStart);
        Check(table.IndexOpen("\"" + builtIndex + "\"", "NAME"));
        table.SetActive(false);
        WritePairStamp(builtTable, builtIndex, NewPairStamp());
        PutBuiltFilesInPlace(builtTable, builtIndex, result.tablePath, result.indexPath);
        table.SetDBFPath(DirectoryPart(result.tablePath));
        table.SetDBFName(NamePart(result.tablePath));
    } catch (const HandlerReportedError&) {
        Discard(table, builtTable, builtIndex);
        result.failed = true;
    } catch (const EZadarirError& e) {
        Discard(table, builtTable, builtIndex);
        if (e.Code() == 0) throw;
        throw EZadarirError(DescribeEngineError(e.Code(), e.SubCode(), e.Text(), result.files),
                            e.Code(), e.SubCode(), e.Text());
    } catch (...) {
        Discard(table, builtTable, builtIndex);
        throw;
    }
    return result;
}

}  // namespace gedcom
