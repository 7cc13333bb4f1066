// File names of saved mails: safe on the platform, within its length
// limits, numbered when taken, and never written over, also when several
// writers race for one name.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "fakes/fake_file_system.hpp"
#include "fakes/file_text.hpp"
#include "fakes/temp_dir.hpp"
#include "import/msg_file_name.hpp"
#include "stdfs/stdfs_file_system.hpp"
#include "support/utf.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

// A wrapper that saves given bytes, or fails after writing part of them.
class BytesWrapper final : public outlook::MailWrapper {
public:
    explicit BytesWrapper(std::string bytes, bool failHalfway = false)
        : bytes_(std::move(bytes)), failHalfway_(failHalfway) {}
    // Formats asked for, in order. An old host refuses the Unicode one as an
    // argument it does not know; any host may fail a save now and then.
    std::vector<std::int32_t> formats;
    std::int32_t unicodeFailure = 0;
    void SaveAs(const std::string& path, std::int32_t format) override {
        formats.push_back(format);
        if (format == outlook::SaveAsMsgUnicode && unicodeFailure != 0)
            throw Error(unicodeFailure, "BytesWrapper", "SaveAs failed");
        if (format != outlook::SaveAsMsg && format != outlook::SaveAsMsgUnicode)
            throw Error(-2147024809, "BytesWrapper", "One or more parameter values are not valid.");
        std::ofstream out(path, std::ios::binary);
        if (!out) throw Error(75, "BytesWrapper", "Path/File access error: " + path);
        if (failHalfway_) {
            out << bytes_.substr(0, bytes_.size() / 2);
            throw Error(75, "BytesWrapper", "The disk is full");
        }
        out << bytes_;
    }
    void SetItem(std::shared_ptr<outlook::Item>) override { Unused(); }
    std::shared_ptr<outlook::Item> GetItem() const override { Unused(); }
    void Save() override { Unused(); }
    bool ResolveAll() override { Unused(); }
    void Send() override { Unused(); }
    std::unique_ptr<outlook::AddressEntry> Sender() override { Unused(); }
    std::string SenderName() const override { Unused(); }
    std::string To() const override { Unused(); }
    std::string Cc() const override { Unused(); }
    std::string Bcc() const override { Unused(); }
    std::vector<outlook::Recipient> Recipients() const override { Unused(); }
    std::string Body() const override { Unused(); }
    std::int32_t AttachmentCount() const override { Unused(); }
    std::string Subject() const override { Unused(); }
    DateTime ReceivedTime() const override { Unused(); }
    DateTime SentOn() const override { Unused(); }

private:
    [[noreturn]] static void Unused() { throw Error(438, "BytesWrapper", "not used here"); }
    std::string bytes_;
    bool failHalfway_;
};

// The real file system, where another writer takes the chosen name just
// before the rename.
class RacedFileSystem final : public stdfs::StdFileSystem {
public:
    int racesLeft = 1;
    bool MoveFileNoReplace(const std::string& from, const std::string& to) override {
        if (racesLeft > 0) {
            --racesLeft;
            std::ofstream(to, std::ios::binary) << "the other writer";
        }
        return StdFileSystem::MoveFileNoReplace(from, to);
    }
};

// A share that lets a file be written but not removed again.
class NoRemoveFileSystem final : public stdfs::StdFileSystem {
public:
    void RemoveFile(const std::string&) override { throw Error(fserr::PermissionDenied, "Files", "Permission denied"); }
};

// A disk that takes the bytes but cannot write them through.
class NoFlushFileSystem final : public stdfs::StdFileSystem {
public:
    void FlushFile(const std::string& path) override {
        throw Error(fserr::AccessError, "Files", "Path/File access error: " + path + " (Input/output error)");
    }
};

using fakes::ReadFileText;

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

bool IsValidUtf8(const std::string& text) { return utf::ToUtf8(utf::ToUtf16(text)) == text; }

TEST(MsgFilePath, SafeBaseNumberedAfterAndNeverADeviceName) {
    struct Case {
        const char* base;
        int number;
        const char* path;
    } cases[] = {
        {"Re_ Tilbud 3_4", 0, "/d/Re_ Tilbud 3_4.msg"},
        {"Re_ Tilbud 3_4", 1, "/d/Re_ Tilbud 3_4_1.msg"},
        {"Re_ Tilbud 3_4", 12, "/d/Re_ Tilbud 3_4_12.msg"},
        {"a\tb\x01"
         "c\x7f",
         0, "/d/a_b_c_.msg"},
        {"Møde æøå", 0, "/d/Møde æøå.msg"},
        {"ab\xC3", 0, "/d/ab\xEF\xBF\xBD.msg"},  // a cut sequence becomes U+FFFD
        {"CON", 0, "/d/CON_.msg"},
        {"lpt3", 2, "/d/lpt3_2.msg"},  // lpt3_2 is no device
        {"Konto", 0, "/d/Konto.msg"},
    };
    for (const Case& c : cases) EXPECT_EQ(MsgFilePath("/d/", SafeFileBase(c.base), c.number, kLinuxNameLimits), c.path);
    for (const char* name : {"CON", "con", "Prn", "AUX", "nul", "COM1", "com9", "LPT1", "lpt9", "NUL  "})
        EXPECT_TRUE(IsReservedDeviceName(name)) << name;
    for (const char* name : {"CONS", "COM0", "COM10", "LPT", "ACON", "NUL_", "", " CON"})
        EXPECT_FALSE(IsReservedDeviceName(name)) << name;
}

TEST(MsgFilePath, LinuxNameFitsTwoHundredFiftyFiveBytesWithoutCuttingACharacter) {
    const std::string base = Repeat("æ", 150);  // 300 bytes
    for (int number : {0, 7, 123456}) {
        const std::string path = MsgFilePath("/d/", base, number, kLinuxNameLimits);
        const std::string name = path.substr(3);
        EXPECT_LE(name.size(), 255u) << number;
        EXPECT_GE(name.size(), 250u) << "only as much is cut as needed";
        EXPECT_TRUE(IsValidUtf8(name));
        EXPECT_TRUE(name.ends_with(number ? "_" + std::to_string(number) + ".msg" : ".msg"));
    }
    const std::string ascii = Repeat("a", 150);
    EXPECT_EQ(MsgFilePath("/d/", ascii, 0, kLinuxNameLimits), "/d/" + ascii + ".msg") << "short enough as it is";
}

TEST(MsgFilePath, WindowsPathFitsTwoHundredFiftyNineUnitsWithoutSplittingAPair) {
    const std::string folder = "K:\\" + Repeat("m", 196) + "\\";  // 200 units
    const std::string base = Repeat("\xF0\x9F\x98\x80", 75);      // 150 units in 75 pairs
    const std::string path = MsgFilePath(folder, base, 0, kWindowsNameLimits);
    EXPECT_LE(utf::Utf16Length(path), 259u);
    EXPECT_GE(utf::Utf16Length(path), 258u);
    EXPECT_TRUE(IsValidUtf8(path)) << "no half surrogate pair";
    EXPECT_TRUE(path.ends_with(".msg"));
    // Near the root a name reaches its own limit of 255 units first.
    EXPECT_EQ(utf::Utf16Length(MsgFilePath("K:\\", Repeat("m", 300), 0, kWindowsNameLimits)), 3u + 255u);

    const std::string tooDeep = "K:\\" + Repeat("m", 252) + "\\";
    try {
        MsgFilePath(tooDeep, "Tilbud", 0, kWindowsNameLimits);
        ADD_FAILURE() << "no room for a name must fail";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), fserr::BadFileName);
    }
}

TEST(MsgFilePath, ACutThatLeavesADeviceNameIsMadeSafe) {
    const std::string folder = "K:\\" + Repeat("m", 247) + "\\";  // room for 8 units: 4 + ".msg"
    const std::string path = MsgFilePath(folder, "COM1 og mere", 0, kWindowsNameLimits);
    EXPECT_LE(utf::Utf16Length(path), 259u);
    const std::string name = path.substr(folder.size());
    EXPECT_FALSE(IsReservedDeviceName(name.substr(0, name.size() - 4))) << name;
    EXPECT_EQ(name, "COM_.msg");
}

TEST(FirstFreeMsgFile, CountsPastTakenNames) {
    fakes::FakeFileSystem files;
    const std::string folder = std::string(1, fakes::HostPaths().separator) + "d" + fakes::HostPaths().separator;
    files.AddFolder(folder);
    EXPECT_EQ(FirstFreeMsgFile(files, folder, "Tilbud", kLinuxNameLimits).number, 0);
    files.AddFile(folder + "Tilbud.msg", 10);
    files.AddFile(folder + "Tilbud_1.msg", 10);
    const MsgFileName free = FirstFreeMsgFile(files, folder, "Tilbud", kLinuxNameLimits);
    EXPECT_EQ(free.number, 2);
    EXPECT_EQ(free.path, folder + "Tilbud_2.msg");
}

TEST(TemporaryMsgName, NamesDifferAcrossThreads) {
    std::vector<std::vector<std::string>> perThread(4);
    std::vector<std::thread> threads;
    for (auto& names : perThread)
        threads.emplace_back([&names] {
            for (int i = 0; i < 500; ++i) names.push_back(TemporaryMsgName());
        });
    for (auto& t : threads) t.join();
    std::vector<std::string> all;
    for (const auto& names : perThread) all.insert(all.end(), names.begin(), names.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    EXPECT_LE(all.front().size(), 20u);
}

struct SaveTest : ::testing::Test {
    fakes::TempDir dir;
    stdfs::StdFileSystem files;
    std::string Folder() const { return dir.Path().string() + fakes::HostPaths().separator; }
};

TEST_F(SaveTest, SavesInUnicodeAndInTheCodePageOnlyWhereTheHostRefusesUnicode) {
    struct Case {
        const char* name;
        std::int32_t unicodeFailure;
        bool codePage;  // false: the failure is reported, nothing saved
    };
    const std::vector<Case> cases = {
        {"the host writes Unicode", 0, false},
        {"refused as a bad argument", -2147024809, true},
        {"refused as an argument of the wrong type", -2147352571, true},
        {"refused in the host's words: type mismatch", errnum::TypeMismatch, true},
        {"refused in the host's words: invalid argument", errnum::InvalidArgument, true},
        {"the host failed", -2147467259, false},
        {"the disk is full", 61, false},
        {"the call was rejected, busy", -2147418111, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BytesWrapper mail("MSG");
        mail.unicodeFailure = c.unicodeFailure;
        std::vector<std::int32_t> expected{outlook::SaveAsMsgUnicode};
        if (c.codePage) expected.push_back(outlook::SaveAsMsg);
        if (c.unicodeFailure != 0 && !c.codePage) {
            try {
                SaveMsgWithoutReplacing(files, mail, Folder(), "Tilbud", 0, kLinuxNameLimits);
                ADD_FAILURE() << "saved";
            } catch (const Error& e) {
                EXPECT_EQ(e.Number(), c.unicodeFailure) << "reported as what it is";
            }
            EXPECT_TRUE(fs::is_empty(dir.Path()));
        } else {
            const std::string path = SaveMsgWithoutReplacing(files, mail, Folder(), "Tilbud", 0, kLinuxNameLimits);
            EXPECT_EQ(ReadFileText(path), "MSG");
            fs::remove(path);
        }
        EXPECT_EQ(mail.formats, expected);
    }
}

TEST_F(SaveTest, ANameTakenMeanwhileIsNotWrittenOver) {
    RacedFileSystem raced;
    BytesWrapper mail("MINE");
    const std::string path = SaveMsgWithoutReplacing(raced, mail, Folder(), "Tilbud", 0, kLinuxNameLimits);
    EXPECT_EQ(path, Folder() + "Tilbud_1.msg");
    EXPECT_EQ(ReadFileText(Folder() + "Tilbud.msg"), "the other writer");
    EXPECT_EQ(ReadFileText(path), "MINE");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"Tilbud.msg", "Tilbud_1.msg"}));
}

TEST_F(SaveTest, AFailedSaveLeavesNoTemporaryFile) {
    BytesWrapper mail(std::string(4096, 'x'), true);
    EXPECT_THROW(SaveMsgWithoutReplacing(files, mail, Folder(), "Tilbud", 0, kLinuxNameLimits), Error);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    EXPECT_EQ(mail.formats, std::vector<std::int32_t>{outlook::SaveAsMsgUnicode})
        << "a disk that fails is no reason to try the code-page format";
}

TEST_F(SaveTest, AFileTheDiskCannotWriteThroughIsReportedAndNeverNamed) {
    NoFlushFileSystem failing;
    BytesWrapper mail("MSG");
    try {
        SaveMsgWithoutReplacing(failing, mail, Folder(), "Tilbud", 0, kLinuxNameLimits);
        ADD_FAILURE() << "saved";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), fserr::AccessError);
        EXPECT_NE(e.Description().find("Input/output error"), std::string::npos) << e.Description();
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST_F(SaveTest, ATemporaryFileThatCannotBeRemovedIsNamedInTheFailure) {
    NoRemoveFileSystem stuck;
    BytesWrapper mail(std::string(4096, 'x'), true);
    try {
        SaveMsgWithoutReplacing(stuck, mail, Folder(), "Tilbud", 0, kLinuxNameLimits);
        ADD_FAILURE() << "saved";
    } catch (const Error& e) {
        const std::vector<std::string> left = Names(dir.Path());
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(e.Number(), 75) << "the save's own failure";
        EXPECT_EQ(e.Description(), "The disk is full (the temporary file " + Folder() + left[0] +
                                       " could not be removed: Permission denied)");
    }
}

}  // namespace
}  // namespace kv
