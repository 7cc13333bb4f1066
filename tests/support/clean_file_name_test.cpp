#include "support/clean_file_name.hpp"

#include <gtest/gtest.h>

#include "support/utf.hpp"

using kv::CleanFileName;

TEST(CleanFileName, TableExamples) {
    EXPECT_EQ(CleanFileName("Re: Tilbud 3/4"), "Re_ Tilbud 3_4");
    EXPECT_EQ(CleanFileName("Re: Møde 12/5 kl. 10"), "Re_ Møde 12_5 kl_ 10");
    EXPECT_EQ(CleanFileName("Faktura #123, rev. 2"), "Faktura _123 rev_ 2");
    EXPECT_EQ(CleanFileName("Ingen emne"), "Ingen emne");
}

TEST(CleanFileName, UnderscoreMergingFollowsTheRowOrder) {
    EXPECT_EQ(CleanFileName("a::b"), "a_b");
    EXPECT_EQ(CleanFileName("a:::b"), "a__b");  // one pass: three shrink to two
    EXPECT_EQ(CleanFileName("a<<b"), "a__b");   // made after the merge row
    EXPECT_EQ(CleanFileName("a.:b"), "a_b");
    EXPECT_EQ(CleanFileName("a|\"|b"), "a__b");
    EXPECT_EQ(CleanFileName("a_,_b"), "a_b");  // the comma goes before the merge
}

TEST(CleanFileName, EmptyResultsBecomeIngen) {
    EXPECT_EQ(CleanFileName(""), "Ingen");
    EXPECT_EQ(CleanFileName("="), "Ingen");
    EXPECT_EQ(CleanFileName("''''"), "Ingen");
    EXPECT_EQ(CleanFileName(",,,"), "Ingen");
    EXPECT_EQ(CleanFileName("\"\""), "Ingen");
    EXPECT_EQ(CleanFileName("   "), "Ingen");
}

TEST(CleanFileName, EqualsBecomesABlankAndEndsAreTrimmedAfterReplacing) {
    EXPECT_EQ(CleanFileName("=a=b="), "a b");
    EXPECT_EQ(CleanFileName(" x\t%+-[] "), "x\t%+-[]");
}

TEST(CleanFileName, CutTo150Utf16UnitsAfterTrimming) {
    std::string long200(200, 'x');
    EXPECT_EQ(CleanFileName(long200), std::string(150, 'x'));
    // The cut may leave a blank at the end.
    EXPECT_EQ(CleanFileName(std::string(149, 'a') + " b"), std::string(149, 'a') + " ");
    // æ counts one unit though it is two bytes.
    std::string danish;
    for (int i = 0; i < 160; ++i) danish += "æ";
    EXPECT_EQ(kv::utf::Utf16Length(CleanFileName(danish)), 150u);
}

TEST(CleanFileName, CutNeverLeavesHalfASurrogatePair) {
    const std::string smiley = "\xF0\x9F\x98\x80";
    std::string subject = std::string(149, 'a') + smiley + "tail";
    EXPECT_EQ(CleanFileName(subject), std::string(149, 'a'));
    EXPECT_EQ(CleanFileName(std::string(148, 'a') + smiley + "t"), std::string(148, 'a') + smiley);
}

TEST(CleanFileName, HugeSubjectIsHandled) {
    std::string huge(1 << 20, ':');
    std::string cleaned = CleanFileName(huge);
    EXPECT_LE(kv::utf::Utf16Length(cleaned), 150u);
    EXPECT_EQ(cleaned.find_first_not_of('_'), std::string::npos);
}
