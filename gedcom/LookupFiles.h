// The files of a lookup table around a build: whether a target may be written, the temporary
// names a build writes under, putting the finished pair in place, the stamp that tells a table
// and an index that belong together, and tidying what a killed build left behind.
//
// A build writes its table and index under temporary names in the target's folder and renames
// them over the targets only when both are complete, the index first. A crash between the two
// renames leaves an index and a table of different builds; the pair stamp, the same random
// number in both files, tells them apart:
//   table  (.DBF): bytes 12..15 and 24..27 of the header, which the engine keeps as read;
//   index  (.CDX): bytes 16..23 of the tag directory's header, zero in an index without one.
// Tables and indexes written before stamps existed hold zeros in both places and still pair.
#pragma once

#include <cstdint>
#include <string>

namespace gedcom {

// Why a build may not write `target` (a lookup table's .DBF, or with `index` its .CDX), in
// words that follow the file's name; empty when it may. A missing target may be written; an
// existing one must be a regular file (a link is followed) and must not be `gedcomPath`
// itself; a table must also begin with a table header, so that a file of another kind is
// never overwritten. An index is rebuilt from its table and may hold anything.
std::string BuildTargetProblem(const std::string& target, const std::string& gedcomPath,
                               bool index);

// A name in `target`'s folder for a build of it to write under: the target's stem, then
// ".build-PID-N" and the target's extension. Unique within the process.
std::string TemporaryBuildPath(const std::string& target);

// Removes from `folder` the files of builds whose process no longer runs (their temporary
// tables and indexes) and index sort files no process holds. Errors are ignored.
void RemoveAbandonedBuildFiles(const std::string& folder);

// A new random pair stamp, never zero.
uint64_t NewPairStamp();

// Writes `stamp` into the table and the index. Throws std::runtime_error naming the file.
void WritePairStamp(const std::string& table, const std::string& index, uint64_t stamp);

// True when both files can be read and carry the same pair stamp.
bool LookupFilesBelongTogether(const std::string& table, const std::string& index);

// Makes the built files durable and renames them over the targets, the index first, then
// makes the renames durable. Throws std::runtime_error naming the file when a step fails; the
// targets are then as they were before or (between the renames) a pair that does not belong
// together.
void PutBuiltFilesInPlace(const std::string& builtTable, const std::string& builtIndex,
                          const std::string& table, const std::string& index);

// An exclusive lock on a folder that puts builds into it one after the other. Held from
// TryLock's success until destruction; released by the system when the process ends.
class TBuildFolderLock {
public:
    explicit TBuildFolderLock(const std::string& folder);
    ~TBuildFolderLock();
    TBuildFolderLock(const TBuildFolderLock&) = delete;
    TBuildFolderLock& operator=(const TBuildFolderLock&) = delete;

    // True when the lock is held now; false while another build holds it. A folder that
    // cannot be opened counts as held: nothing can be built there, and the build's own files
    // fail with the engine's error.
    bool TryLock();

private:
    std::string folder_;
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace gedcom
