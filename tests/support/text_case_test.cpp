// Names compared without case as Windows compares them: the ordinal upper
// case of each UTF-16 code unit, no language rules. (The Wine tests check
// the whole table against CompareStringOrdinal.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/registry_text.hpp"
#include "support/text_case.hpp"

namespace kv::text {
namespace {

struct Pair {
    const char* a;
    const char* b;
    bool same;
    const char* why;
};

const std::vector<Pair> kPairs = {
    {"Arkiv", "ARKIV", true, "ASCII"},
    {"blåbærgrød", "BLÅBÆRGRØD", true, "Danish letters"},
    {"ÿ", "Ÿ", true, "y with diaeresis leaves Latin-1"},
    {"Łódź", "łÓDŹ", true, "Latin Extended-A"},
    {"ǆ", "Ǆ", true, "Latin Extended-B digraph"},
    {"ǅ", "Ǆ", false, "the title-case digraph has no upper case of its own"},
    {"αβγ", "ΑΒΓ", true, "Greek"},
    {"ἀ", "Ἀ", true, "Greek Extended"},
    {"ς", "Σ", false, "final sigma is not upper-cased"},
    {"проект", "ПРОЕКТ", true, "Cyrillic"},
    {"ѐ", "Ѐ", true, "Cyrillic with grave"},
    {"ꙁ", "Ꙁ", true, "Cyrillic Extended-B"},
    {"աբ", "ԱԲ", true, "Armenian"},
    {"ａｂｃ", "ＡＢＣ", true, "full-width letters"},
    {"ⅰⅱ", "ⅠⅡ", true, "Roman numerals"},
    {"ⓐ", "Ⓐ", true, "circled letters"},
    {"ß", "SS", false, "no expansion"},
    {"ß", "ẞ", false, "sharp s has no ordinal upper case"},
    {"ı", "I", false, "dotless i stays"},
    {"i", "İ", false, "dotted capital I is no upper case of i"},
    {"ſ", "S", false, "long s stays"},
    {"µ", "Μ", false, "micro sign stays"},
    {"æ", "ae", false, "no decomposition"},
    {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80", false, "surrogate pairs are compared unit by unit"},
    {"a", "b", false, "different letters"},
    {"", "", true, "empty"},
};

TEST(TextCase, NamesCompareAsWindowsComparesThem) {
    for (const Pair& p : kPairs) {
        SCOPED_TRACE(p.why);
        EXPECT_EQ(EqualsIgnoringCase(p.a, p.b), p.same) << p.a << " / " << p.b;
        EXPECT_EQ(EqualsIgnoringCase(p.b, p.a), p.same);
        EXPECT_EQ(reg::SameName(p.a, p.b), p.same) << "registry names compare the same way";
        EXPECT_EQ(OrdinalUpperUtf8(p.a) == OrdinalUpperUtf8(p.b), p.same);
    }
}

TEST(TextCase, UpperCaseOfSingleUnits) {
    struct Unit {
        char16_t in, out;
    };
    for (const Unit u : std::vector<Unit>{{u'a', u'A'},
                                          {u'z', u'Z'},
                                          {u'A', u'A'},
                                          {u'@', u'@'},
                                          {u'{', u'{'},
                                          {0xE0, 0xC0},
                                          {0xF7, 0xF7},
                                          {0xFE, 0xDE},
                                          {0xFF, 0x178},
                                          {0x101, 0x100},
                                          {0x100, 0x100},
                                          {0x131, 0x131},
                                          {0x138, 0x138},
                                          {0x13A, 0x139},
                                          {0x149, 0x149},
                                          {0x17E, 0x17D},
                                          {0x17F, 0x17F},
                                          {0x3C2, 0x3C2},
                                          {0x3C9, 0x3A9},
                                          {0x450, 0x400},
                                          {0x45F, 0x40F},
                                          {0x561, 0x531},
                                          {0xFF41, 0xFF21},
                                          {0xFF5A, 0xFF3A},
                                          {0xFF5B, 0xFF5B},
                                          {0xD801, 0xD801},
                                          {0xDC28, 0xDC28},
                                          {0xFFFF, 0xFFFF},
                                          {0, 0}}) {
        EXPECT_EQ(static_cast<int>(OrdinalUpper(u.in)), static_cast<int>(u.out)) << std::hex << static_cast<int>(u.in);
    }
    EXPECT_EQ(OrdinalUpper(std::u16string_view(u"Møde ǆ")), u"MØDE Ǆ");
    EXPECT_EQ(reg::FoldName("Software\\Tolvenor"), "SOFTWARE\\TOLVENOR");
}

TEST(TextCase, UpperCaseIsStableAndNeverLowers) {
    // Upper-casing twice changes nothing, and no upper-case letter maps on.
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const char16_t upper = OrdinalUpper(static_cast<char16_t>(c));
        ASSERT_EQ(OrdinalUpper(upper), upper) << std::hex << c;
    }
}

}  // namespace
}  // namespace kv::text
