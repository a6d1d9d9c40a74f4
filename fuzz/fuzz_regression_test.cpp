// Every seed of the corpus and every saved reproducer of fuzz/regressions/<target>/ run through
// its fuzz target in the ordinary build, so that an input that once broke a target is tried
// again by every test run. A target that fails ends this test binary with its message.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/Seeds.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesOf(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzRegressionTest : public testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        corpus_ = new TempDir;
        fuzz::WriteSeedCorpus(corpus_->Path(), LINEATUM_FUZZ_SOURCE_DIR, LINEATUM_SAMPLES_DIR);
    }
    static void TearDownTestSuite() {
        delete corpus_;
        corpus_ = nullptr;
    }

    // Runs every file of `folder` through the parameter's target; returns how many there were.
    static size_t RunFolder(const fuzz::TFuzzTarget& target, const std::string& folder) {
        const std::vector<std::string> files = FilesOf(folder);
        for (const std::string& file : files) {
            // Shown when the target ends the process.
            std::printf("%s: %s\n", target.name, file.c_str());
            std::fflush(stdout);
            const std::string bytes = ReadFileBytes(file);
            fuzz::RunFuzzInput(target, reinterpret_cast<const uint8_t*>(bytes.data()),
                               bytes.size());
        }
        return files.size();
    }

    static TempDir* corpus_;
};

TempDir* FuzzRegressionTest::corpus_ = nullptr;

TEST_P(FuzzRegressionTest, SeedsAndReproducersRunCleanly) {
    const fuzz::TFuzzTarget* target = fuzz::FindFuzzTarget(GetParam());
    ASSERT_NE(target, nullptr);
    EXPECT_GT(RunFolder(*target, corpus_->Path() + "/" + target->name), 0u);
    RunFolder(*target, std::string(LINEATUM_FUZZ_SOURCE_DIR) + "/regressions/" + target->name);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest,
                         testing::Values("linestream", "dbf", "cdx", "keyexpr", "builder",
                                         "person"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

TEST(FuzzRegressionFolders, EveryFolderNamesATarget) {
    std::vector<std::string> names;
    for (const fuzz::TFuzzTarget& target : fuzz::FuzzTargets()) names.push_back(target.name);
    EXPECT_EQ(names, (std::vector<std::string>{"linestream", "dbf", "cdx", "keyexpr", "builder",
                                               "person"}));
    for (const char* kind : {"regressions", "pending"}) {
        std::error_code error;
        for (const auto& entry :
             fs::directory_iterator(std::string(LINEATUM_FUZZ_SOURCE_DIR) + "/" + kind, error)) {
            if (!entry.is_directory()) continue;
            EXPECT_NE(fuzz::FindFuzzTarget(entry.path().filename().string()), nullptr)
                << entry.path();
        }
    }
}

}  // namespace
