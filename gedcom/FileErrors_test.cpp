#include "gedcom/FileErrors.h"

#include <filesystem>
#include <string>

#include "table/CharServices.h"
#include "table/HStatus.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

// The engine names files upper-cased; the words name them as written, a build's temporary
// file as the target it becomes, and say what went wrong.
TEST(FileErrorsTest, EngineErrorsAreSaidInWordsWithThePathAsWritten) {
    TempDir dir;
    const std::string table = dir.Write("Family.DBF", "x");
    const std::string built = dir.Write("Family.build-1-1.DBF", "x");
    std::filesystem::create_directory(dir.File("Output.DBF"));
    const std::vector<TKnownPath> known = {{built, table}, {table, ""}, {dir.File("Output.DBF"), ""}};
    const auto say = [&](int code, int subCode, const std::string& path) {
        return DescribeEngineError(code, subCode, AnsiUpper(path), known);
    };
    EXPECT_EQ(say(zcode::kAccessDenied, zsub::kCreate, dir.File("Output.DBF")),
              dir.File("Output.DBF") + " is a folder");
    EXPECT_EQ(say(zcode::kAccessDenied, zsub::kOpen, table), table + " is in use by another program");
    EXPECT_EQ(say(zcode::kSharingViolation, zsub::kOpen, built),
              table + " is in use by another program");
    EXPECT_EQ(say(112, zsub::kWrite, built), table + " cannot be written: the disk is full");
    EXPECT_EQ(say(223, zsub::kWrite, built), table + " cannot be written: the file would be too large");
    EXPECT_EQ(say(zcode::kBadVersion, zsub::kTableOpen, table), table + " is not a table");
    EXPECT_EQ(say(2112, zsub::kNone, table), table + " is damaged (Zadarir Error 2112)");
    EXPECT_EQ(say(zcode::kTableDamaged, zsub::kTableOpen, table),
              table + " is damaged (Zadarir Error 1012, SubCode 1204)");
    EXPECT_EQ(say(zcode::kFileNotFound, zsub::kOpen, table), table + " does not exist");
    EXPECT_EQ(say(3, zsub::kCreate, dir.File("gone/X.DBF")),
              AnsiUpper(dir.File("gone/X.DBF")) + " cannot be written: its folder does not exist");
    EXPECT_EQ(say(1117, zsub::kRead, table), table + " cannot be read (Zadarir Error 1117, SubCode 1101)");
}

}  // namespace
}  // namespace gedcom
