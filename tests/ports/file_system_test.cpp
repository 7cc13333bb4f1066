#include "ports/file_system.hpp"
#include "fakes/fake_file_system.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/error.hpp"

using namespace kv;

TEST(FileSystemPaths, JoinsWithOneSeparatorOfTheStyle) {
    struct Case {
        const PathStyle& style;
        std::string folder, joined;  // Join(folder, "job")
        std::string path, trailing;  // WithTrailingSeparator(path)
    };
    const std::vector<Case> cases = {
        {kPosixPaths, "share", "share/job", "a", "a/"},
        {kPosixPaths, "share/", "share/job", "a//", "a/"},
        {kPosixPaths, "share\\", "share\\/job", "a\\", "a\\/"},  // a backslash is a name's character there
        {kWindowsPaths, "share", "share\\job", "a", "a\\"},
        {kWindowsPaths, "share\\", "share\\job", "a\\\\", "a\\"},
        {kWindowsPaths, "share/", "share/job", "a/", "a\\"},  // Windows takes "/" as well
        {kWindowsPaths, "", "job", "", "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder + " " + c.style.separator);
        EXPECT_EQ(c.style.Join(c.folder, "job"), c.joined);
        EXPECT_EQ(c.style.WithTrailingSeparator(c.path), c.trailing);
    }
    EXPECT_EQ(kPosixPaths.limits.maxNameBytes, 255u);
    EXPECT_EQ(kWindowsPaths.limits.maxPathUnits, 259u);
}

TEST(FileSystemPaths, LastComponentIsThePartAfterTheLastSeparator) {
    EXPECT_EQ(LastPathComponent("\\\\srv\\docs\\1234"), "1234");
    EXPECT_EQ(LastPathComponent(fakes::HostPaths().Join("docs", "Møde")), "Møde");
    EXPECT_EQ(LastPathComponent("plain"), "plain");
    EXPECT_EQ(LastPathComponent(""), "");
}

TEST(FileSystemOrder, IgnoresCaseLikeTheFileSystemAndBreaksTiesExactly) {
    EXPECT_TRUE(FolderNameLess("alpha", "Beta"));
    EXPECT_TRUE(FolderNameLess("B", "c"));
    EXPECT_TRUE(FolderNameLess("z", "_"));
    EXPECT_FALSE(FolderNameLess("Beta", "alpha"));
    EXPECT_TRUE(FolderNameLess("Aa", "ab"));  // letter by letter, each without case
    EXPECT_TRUE(FolderNameLess("f1", "f10"));
    EXPECT_TRUE(FolderNameLess("f10", "f2"));
    EXPECT_TRUE(FolderNameLess("Zulu", "æble"));
    EXPECT_FALSE(FolderNameLess("ÆBLE", "æble") && FolderNameLess("æble", "ÆBLE"));
    EXPECT_TRUE(FolderNameLess("ÆBLE", "æble") != FolderNameLess("æble", "ÆBLE"));  // a strict order
    EXPECT_FALSE(FolderNameLess("same", "same"));
    EXPECT_TRUE(FolderNameLess("Ärger", "ärgerlich"));
    EXPECT_TRUE(FolderNameLess("Москва", "мост"));  // Cyrillic folds too
    EXPECT_TRUE(FolderNameLess("мост", "МОСТЫ"));
    EXPECT_TRUE(FolderNameLess("αβγ", "ΑΒΓΔ"));
    EXPECT_TRUE(FolderNameLess("āb", "Ăa"));  // and Latin Extended-A
    // A letter and its capital tie, so the next letter decides, both ways
    // round: the ends of each folded range.
    for (const auto& [capital, small] : {std::pair{"Ž", "ž"},
                                         {"Ň", "ň"},
                                         {"Ĺ", "ĺ"},
                                         {"Ÿ", "ÿ"},
                                         {"Ω", "ω"},
                                         {"Α", "α"},
                                         {"Џ", "џ"},
                                         {"Ѐ", "ѐ"},
                                         {"Я", "я"}}) {
        EXPECT_FALSE(FolderNameLess(std::string(capital) + "b", std::string(small) + "a")) << small;
        EXPECT_FALSE(FolderNameLess(std::string(small) + "b", std::string(capital) + "a")) << small;
    }
}

TEST(FileSystemOrder, SortsAListingAsTheNamesCompare) {
    std::vector<Folder> folders = {{"/d/B", "B"}, {"/d/a", "a"}};
    SortByFolderName(folders);
    EXPECT_EQ(folders, (std::vector<Folder>{{"/d/a", "a"}, {"/d/B", "B"}}));
}

TEST(FileSystemNames, AcceptsOrdinaryNamesAndRefusesWhatAShareRefuses) {
    for (const char* ok : {"Tilbud", "Møde 2024", "v1.2", ".hidden", "CONTROL", "COM0", "COMA", "LPTX", "a b"}) {
        EXPECT_NO_THROW(ValidateFolderName(ok)) << ok;
    }
    for (const char* bad : {"", ".", "..", "a:b", "a*", "x|y", "<x>", "quote\"", "ends.", "ends ", "nul", "Aux.txt",
                            "con", "COM1", "lpt9"}) {
        try {
            ValidateFolderName(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), fserr::BadFileName) << bad;
        }
    }
    EXPECT_THROW(ValidateFolderName(std::string(256, 'a')), Error);
    EXPECT_NO_THROW(ValidateFolderName(std::string(255, 'a')));
}
