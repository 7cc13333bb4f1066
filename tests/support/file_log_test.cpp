#include "support/file_log.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fakes/fake_clock.hpp"
#include "fakes/file_text.hpp"
#include "fakes/temp_dir.hpp"
#include "stdclock/system_clock.hpp"

namespace {

using kv::fakes::ReadFileText;

struct FileLogTest : ::testing::Test {
    kv::fakes::TempDir dir;
    kv::fakes::FakeClock clock;
    kv::FileLog log{clock};
    std::string path = dir / "KVOutlookAddin.log";
    void SetUp() override { log.LogFile(path); }
};

}  // namespace

TEST_F(FileLogTest, LevelTestLetsLevelZeroAndLevelsBelowTheThresholdThrough) {
    log.LogLevel(1);
    log.WriteToLog("hidden", 1, 2);
    EXPECT_FALSE(std::filesystem::exists(path));

    log.WriteToLog("always");  // level 0, type information
    log.LogLevel(2);
    log.WriteToLog("shown", 1, 2);
    log.LogLevel(0);
    log.WriteToLog("never", 5, 0);

    EXPECT_EQ(ReadFileText(path),
              "05-03-2024 14:07:09\t\tINFORMATION\t\talways\r\n"
              "05-03-2024 14:07:09\t\tERROR\t\tshown\r\n");
}

TEST_F(FileLogTest, TypeWordsOfEachWriterAndUnknownType) {
    log.LogInfoFile("i");
    log.LogWarningFile("w");
    log.LogErrorFile("e");
    log.WriteToLog("x", 0, 7);
    EXPECT_EQ(ReadFileText(path),
              "05-03-2024 14:07:09\t\tINFORMATION\t\ti\r\n"
              "05-03-2024 14:07:09\t\tWARNING\t\tw\r\n"
              "05-03-2024 14:07:09\t\tERROR\t\te\r\n"
              "05-03-2024 14:07:09\t\t\t\tx\r\n");
}

TEST_F(FileLogTest, AppendsToExistingContentAndKeepsTheMessageUnchanged) {
    { std::ofstream(path, std::ios::binary) << "old line\r\n"; }
    log.WriteToLog("Møde \"kl. 10\"\ttab");
    EXPECT_EQ(ReadFileText(path), "old line\r\n05-03-2024 14:07:09\t\tINFORMATION\t\tMøde \"kl. 10\"\ttab\r\n");
}

TEST_F(FileLogTest, UnwritableTargetsLoseTheLineSilently) {
    log.LogFile("");
    EXPECT_NO_THROW(log.WriteToLog("nowhere"));
    log.LogFile(dir / "missing-folder/KVOutlookAddin.log");
    EXPECT_NO_THROW(log.WriteToLog("nowhere"));
    log.LogFile(dir.Path().string());  // a folder, not a file
    EXPECT_NO_THROW(log.WriteToLog("nowhere"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
}

TEST(SystemClockFormat, GivesDateAndTimeSeparatedByABlank) {
    kv::SystemClock clock;
    std::string text = clock.FormatGeneralDate(kv::DateTime{2025, 1, 9, 8, 5, 3});
    EXPECT_NE(text.find("08"), std::string::npos) << text;
    EXPECT_NE(text.find("05"), std::string::npos) << text;
    EXPECT_NE(text.find(' '), std::string::npos) << text;
}
