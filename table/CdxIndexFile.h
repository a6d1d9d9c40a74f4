// HCdxIndexFile: one compound index file over an abstract page store: its tag directory (a
// tag whose keys are tag names and whose record numbers are the offsets of the tag headers),
// the tags' headers, adding and deleting tags, and the change counter.
//
// The table component owns one per open index file and supplies the record access; this class
// does no file I/O of its own. Not thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "table/CdxNode.h"
#include "table/CdxTag.h"
#include "table/HStatus.h"
#include "table/IndexWriter.h"
#include "table/KeyExpression.h"

// "Tag Field is Empty": a tag name that is empty or 32 characters or longer.
constexpr int kTagNameError = 5117;
constexpr int kTagNameSubCode = 5114;

// Sort-order codes of Add tag: 0 ascending; 1..6 descending; 7 ascending and 8 descending
// with general collation.
bool SortOrderDescending(int code);
bool SortOrderGeneral(int code);

// Key length and form of a tag from the first evaluation of its key expression: a character
// result gives its length (doubled for general collation), anything else 8 bytes.
HKeyShape ShapeForResult(const HKeyValue& value, bool general);

class HCdxIndexFile {
public:
    struct TagInfo {
        std::string name;  // upper case, as in the directory
        uint32_t headerOffset = 0;
        HCdxTagHeader header;
        HKeyShape shape;  // kind: machine or general; numeric is decided by the key's type
    };

    // What Add tag needs from the table.
    struct TableAccess {
        HKeySource* source = nullptr;  // evaluates expressions on the current record
        uint32_t recordCount = 0;
        // Makes record n (1-based) the current record; false when it cannot be read.
        std::function<bool(uint32_t record)> readRecord;
        HStatusReport report;          // status reports of the build (may be empty)
        HIndexSorter::Options sorter;  // run-file directory, spill threshold
    };

    HCdxIndexFile(HCdxPageStore& store, std::string fileName);

    // Writes a new, empty index into the empty store: the directory header at 0 and its empty
    // root leaf at 1024. `directoryKeyLength`: 10, or the length of the file's base name when
    // that is longer.
    HStatus CreateEmpty(int directoryKeyLength = 10);
    // Reads the directory and every tag header, in directory order. A header that fails its
    // checks makes the file damaged (2112, -7, the file name).
    HStatus Load();

    const std::vector<TagInfo>& Tags() const { return tags_; }
    // The tag named `name` (case-insensitive), or nullptr.
    const TagInfo* FindTag(const std::string& name) const;

    // Creates and builds a tag, then enters it in the directory, replacing a tag of the same
    // name (whose pages stay in the file). Errors: 5117/5114 for a bad name, 1006/5212 when the
    // key expression cannot be evaluated on the current record (or gives a key longer than
    // 240 bytes); the tag is then not created.
    HStatus AddTag(const std::string& name, std::string keyExpression, std::string forExpression,
                   bool unique, int sortOrder, const TableAccess& table);
    // Removes the directory entry of `name`; its pages stay in the file. Removing the last tag
    // resets the file (see Reset). False in *found when there is no such tag.
    HStatus DeleteTag(const std::string& name, bool* found = nullptr);

    // Rebuilds every tag from the table, in directory order: the file is cut back to the
    // empty directory (1536 bytes), then each tag gets new header pages at the end of the file,
    // a full build, and its directory entry. Tags keep their expressions, flags and key length.
    HStatus Reindex(const TableAccess& table);
    // Cuts the file back to an empty directory of 1536 bytes (header and empty root leaf).
    HStatus Reset();

    // Raises the change counter of the directory header on disk by one.
    HStatus BumpChangeCounter();
    // True when the counter on disk differs from the one read by Load or written by Bump.
    bool ChangedByAnotherUser();

private:
    // Writes the header pages of a new tag, builds it and enters `name` in the directory.
    HStatus CreateTag(const std::string& name, HCdxTagHeader header, const HKeyShape& shape,
                      const TableAccess& table);
    HStatus WriteEmptyDirectory(int keyLength);
    // Deletes the directory entry of `info` and reloads the tag list.
    HStatus RemoveEntry(const TagInfo& info);
    HStatus ReadHeader(uint32_t offset, HCdxTagHeader* header);
    HStatus WriteHeader(uint32_t offset, const HCdxTagHeader& header);
    std::string DirectoryKey(const std::string& name) const;
    HStatus Damaged();

    HCdxPageStore& store_;
    std::string fileName_;
    HCdxTagHeader directory_;
    std::vector<TagInfo> tags_;
    uint32_t changeCounter_ = 0;
};
