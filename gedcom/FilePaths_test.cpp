#include "gedcom/FilePaths.h"

#include <sys/stat.h>

#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

TEST(FilePathsTest, NameAndDirectoryPartsSplitAtTheLastSlash) {
    EXPECT_EQ(NamePart("/home/ann/Tree.ged"), "Tree.ged");
    EXPECT_EQ(DirectoryPart("/home/ann/Tree.ged"), "/home/ann/");
    EXPECT_EQ(NamePart("Tree.ged"), "Tree.ged");
    EXPECT_EQ(DirectoryPart("Tree.ged"), "");
    EXPECT_EQ(NamePart("/home/"), "");
    EXPECT_EQ(DirectoryPart("/home/"), "/home/");
}

TEST(FilePathsTest, ReplaceExtensionIgnoresDotsInDirectories) {
    EXPECT_EQ(ReplaceExtension("/a/QB1.DBF", ".CDX"), "/a/QB1.CDX");
    EXPECT_EQ(ReplaceExtension("/a.b/tree", ".CDX"), "/a.b/tree.CDX");
    EXPECT_EQ(ReplaceExtension("/a/tree.x.dbf", ".DBF"), "/a/tree.x.DBF");
    EXPECT_EQ(ReplaceExtension("tree", ".DBF"), "tree.DBF");
}

TEST(FilePathsTest, DirectoriesAreNeitherFilesNorRemoved) {
    TempDir dir;
    const std::string sub = dir.File("sub");
    ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
    EXPECT_FALSE(RegularFileExists(sub));
    EXPECT_FALSE(RemoveRegularFile(sub));
    EXPECT_FALSE(RegularFileExists(""));
    const std::string file = dir.Write("f.DBF", "x");
    EXPECT_TRUE(RegularFileExists(file));
    EXPECT_TRUE(RemoveRegularFile(file));
    EXPECT_FALSE(RegularFileExists(file));
    struct stat info;
    EXPECT_EQ(::stat(sub.c_str(), &info), 0);
}

TEST(FilePathsTest, AsciiUpperChangesOnlyLowerCaseAsciiLetters) {
    EXPECT_EQ(AsciiUpper("tree-\xe9z.ged"), "TREE-\xe9Z.GED");
}

}  // namespace
}  // namespace gedcom
