#include "support/clean_file_name.hpp"

#include <gtest/gtest.h>

#include <utility>

#include "support/utf.hpp"

using kv::CleanFileName;

// Replacements run in the table's order, one pass each: the comma goes
// before underscores merge, and what a later row makes is not merged.
TEST(CleanFileName, ReplacesMergesAndTrimsInTheTablesOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"Re: Tilbud 3/4", "Re_ Tilbud 3_4"},
        {"Re: Møde 12/5 kl. 10", "Re_ Møde 12_5 kl_ 10"},
        {"Faktura #123, rev. 2", "Faktura _123 rev_ 2"},
        {"Ingen emne", "Ingen emne"},
        {"a::b", "a_b"},
        {"a:::b", "a__b"},  // one pass: three shrink to two
        {"a<<b", "a__b"},   // made after the merge row
        {"a.:b", "a_b"},
        {"a|\"|b", "a__b"},
        {"a_,_b", "a_b"},  // the comma goes before the merge
        {"=a=b=", "a b"},  // equals becomes a blank; ends trimmed after replacing
        {" x\t%+-[] ", "x\t%+-[]"},
        // Nothing left: "Ingen".
        {"", "Ingen"},
        {"=", "Ingen"},
        {"''''", "Ingen"},
        {",,,", "Ingen"},
        {"\"\"", "Ingen"},
        {"   ", "Ingen"},
    };
    for (const auto& [subject, cleaned] : cases) EXPECT_EQ(CleanFileName(subject), cleaned) << subject;
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

TEST(CleanFileName, HugeSubjectIsHandled) {
    std::string huge(1 << 20, ':');
    std::string cleaned = CleanFileName(huge);
    EXPECT_LE(kv::utf::Utf16Length(cleaned), 150u);
    EXPECT_EQ(cleaned.find_first_not_of('_'), std::string::npos);
}
