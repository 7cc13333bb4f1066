#include "regfile/regfile_store.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>

#include "conformance/registry_store_conformance.hpp"
#include "fakes/file_text.hpp"
#include "fakes/scoped_env.hpp"
#include "fakes/temp_dir.hpp"
#include "regfile/reg_format.hpp"
#include "support/error.hpp"
#include "support/registry_text.hpp"
#include "support/utf.hpp"
#include "fakes/open_files.hpp"

namespace kv::regfile {
namespace {

namespace fs = std::filesystem;

using fakes::ReadFileText;
using fakes::ScopedEnv;
using fakes::WriteFileText;

// UTF-8 text with LF line ends to the bytes regedit writes: UTF-16LE, BOM, CRLF.
std::string AsRegeditFile(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::u16string units = utf::ToUtf16(crlf);
    std::string bytes = "\xFF\xFE";
    for (char16_t c : units) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

struct RegFileStoreFactory {
    fakes::TempDir dir;
    std::unique_ptr<RegistryStore> Make() { return std::make_unique<RegFileStore>(dir.Path() / "registry.reg"); }
    void SetEnvironment(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }
};

}  // namespace
}  // namespace kv::regfile

namespace kv::conformance {
INSTANTIATE_TYPED_TEST_SUITE_P(RegFile, RegistryStoreConformance, ::testing::Types<regfile::RegFileStoreFactory>);
}

namespace kv::regfile {
namespace {

void Set(RegistryStore& store, RegRoot root, const std::string& path, const std::string& name, RegType type,
         const Bytes& data) {
    RegistryStore::Key key;
    ASSERT_EQ(store.CreateKey(root, path, regaccess::Write, key), regstatus::Success) << path;
    ASSERT_EQ(store.SetValue(key, name, type, data), regstatus::Success) << name;
}

std::optional<std::pair<RegType, Bytes>> Get(RegistryStore& store, RegRoot root, const std::string& path,
                                             const std::string& name) {
    RegistryStore::Key key;
    RegType type = 0;
    Bytes data;
    if (store.OpenKey(root, path, regaccess::Read, key) != regstatus::Success) return std::nullopt;
    if (store.QueryValue(key, name, &type, &data) != regstatus::Success) return std::nullopt;
    return std::make_pair(type, data);
}

class RegFileTest : public ::testing::Test {
protected:
    fs::path File() const { return dir.Path() / "korvane" / "registry.reg"; }
    fakes::TempDir dir;
};

// As regedit exports it; the binary and REG_EXPAND_SZ lines wrap where regedit wraps them.
const char* const kRegeditText =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CLASSES_ROOT\\.kvd]\n"
    "@=\"Korvane.Document\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Tolvenor]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Tolvenor\\Korvane]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Tolvenor\\Korvane\\OutlookSettings]\n"
    "\"DBCn\"=\"Data Source=C:\\\\Korvane\\\\db;Name=\\\"Blåbærgrød 😀\\\"\"\n"
    "\"UserRessId\"=dword:0000002a\n"
    "@=\"Standard\"\n"
    "\"ShellState\"=hex:24,00,00,00,33,a8,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\\\n"
    "  01,00,00,00,13,00,00,00,00,00,00,00,72,00,00,00\n"
    "\"Path\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,\\\n"
    "  00,45,00,25,00,5c,00,41,00,70,00,70,00,44,00,61,00,74,00,61,00,00,00\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
    "\"None\"=hex(0):01,02\n"
    "\"Big\"=hex(5):00,00,00,01\n"
    "\"Empty\"=hex:\n"
    "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\n"
    "\"Valuta\"=\"100 €\"\n"
    "\"Titel\"=\"Počet\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.kvd]\n"
    "@=\"Korvane.Document\"\n"
    "\n";

void FillLikeTheRegeditSample(RegistryStore& store) {
    const std::string settings = "Software\\Tolvenor\\Korvane\\OutlookSettings";
    Set(store, regroot::LocalMachine, "SOFTWARE\\Classes\\.kvd", "", regtype::Sz, reg::ToRegSz("Korvane.Document"));
    Set(store, regroot::CurrentUser, settings, "DBCn", regtype::Sz,
        reg::ToRegSz("Data Source=C:\\Korvane\\db;Name=\"Blåbærgrød 😀\""));
    Set(store, regroot::CurrentUser, settings, "UserRessId", regtype::Dword, Bytes{42, 0, 0, 0});
    Set(store, regroot::CurrentUser, settings, "", regtype::Sz, reg::ToRegSz("Standard"));
    Set(store, regroot::CurrentUser, settings, "ShellState", regtype::Binary,
        Bytes{0x24, 0, 0, 0, 0x33, 0xa8, 0,    0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0,
              0,    0, 1, 0, 0,    0,    0x13, 0, 0, 0, 0, 0, 0, 0, 0x72, 0, 0, 0});
    Set(store, regroot::CurrentUser, settings, "Path", regtype::ExpandSz, reg::ToRegSz("%USERPROFILE%\\AppData"));
    Set(store, regroot::CurrentUser, settings, "Multi", regtype::MultiSz, reg::ToRegSz(std::string("a\0b\0", 4)));
    Set(store, regroot::CurrentUser, settings, "None", regtype::None, Bytes{1, 2});
    Set(store, regroot::CurrentUser, settings, "Big", regtype::DwordBigEndian, Bytes{0, 0, 0, 1});
    Set(store, regroot::CurrentUser, settings, "Empty", regtype::Binary, Bytes{});
    Set(store, regroot::CurrentUser, settings, "Lines", regtype::Sz, reg::ToRegSz("a\nb"));
    // Text that ends in a character outside Latin-1 is text all the same.
    Set(store, regroot::CurrentUser, settings, "Valuta", regtype::Sz, reg::ToRegSz("100 €"));
    // č is U+010D: its low byte alone would be a carriage return.
    Set(store, regroot::CurrentUser, settings, "Titel", regtype::Sz, reg::ToRegSz("Počet"));
    Set(store, regroot::ClassesRoot, ".kvd", "", regtype::Sz, reg::ToRegSz("Korvane.Document"));
}

TEST_F(RegFileTest, WritesByteForByteWhatRegeditWrites) {
    RegFileStore store(File());
    FillLikeTheRegeditSample(store);
    const std::string expected = AsRegeditFile(kRegeditText);
    EXPECT_EQ(ReadFileText(File()), expected);
}

TEST_F(RegFileTest, ReadsARegeditFileAndWritesItBackUnchanged) {
    fs::create_directories(File().parent_path());
    WriteFileText(File(), AsRegeditFile(kRegeditText));
    RegFileStore store(File());
    const std::string settings = "Software\\Tolvenor\\Korvane\\OutlookSettings";
    auto dbcn = Get(store, regroot::CurrentUser, settings, "dbcn");
    ASSERT_TRUE(dbcn);
    EXPECT_EQ(dbcn->first, regtype::Sz);
    EXPECT_EQ(reg::FromRegSz(dbcn->second), "Data Source=C:\\Korvane\\db;Name=\"Blåbærgrød 😀\"");
    auto path = Get(store, regroot::CurrentUser, settings, "Path");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->first, regtype::ExpandSz);
    EXPECT_EQ(reg::FromRegSz(path->second), "%USERPROFILE%\\AppData");
    EXPECT_EQ(Get(store, regroot::CurrentUser, settings, "Big")->second, (Bytes{0, 0, 0, 1}));
    EXPECT_EQ(Get(store, regroot::CurrentUser, settings, "Lines")->second, reg::ToRegSz("a\nb"));

    // Rewriting a value with what it held leaves the file as regedit wrote it.
    Set(store, regroot::CurrentUser, settings, "UserRessId", regtype::Dword, Bytes{42, 0, 0, 0});
    EXPECT_EQ(ReadFileText(File()), AsRegeditFile(kRegeditText));
}

// Files as other writers leave them: each row a file, a value looked up in
// it, and what the value holds (nothing: it is not there).
TEST_F(RegFileTest, ReadsWhatOtherWritersLeave) {
    const std::string v5 = "Windows Registry Editor Version 5.00\n\n";
    const std::string utf8 = v5 +
                             "; comment lines are skipped\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Æble]\n"
                             "\"Grød\" = \"rødgrød med fløde\"\n\"Bin\"=hex:01,\\\n   02,03\n";
    const std::string hex = v5 +
                            "[HKEY_CURRENT_USER\\Software\\A]\n"
                            "\"Upper\"=dword:0000ABCF\n\"Lower\"=dword:0000abcf\n\"Bytes\"=hex:AF,0a,Bc\n";
    const std::string deletions = v5 +
                                  "[HKEY_CURRENT_USER\\Software\\Old\\Sub]\n\"a\"=dword:1\n"
                                  "[HKEY_CURRENT_USER\\Software\\Keep]\n\"gone\"=dword:1\n\"stays\"=dword:2\n"
                                  "[-HKEY_CURRENT_USER\\Software\\Old]\n"
                                  "[HKEY_CURRENT_USER\\Software\\Keep]\n\"gone\"=-\n";
    const std::string bom = "\xEF\xBB\xBF";
    // Only text values of a REGEDIT4 file are in the code page.
    const std::string ansi =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bl\xE5\xE6r]\r\n\"Bin\"=hex:e6,00\r\n"
        "\"Kort\"=hex(2):41,e6\r\n\"Navn\"=\"S\xF8ren \x80 10\"\r\n";
    struct Case {
        std::string file;
        RegRoot root;
        const char* key;
        const char* name;
        std::optional<Bytes> data;
    } cases[] = {
        {utf8, regroot::LocalMachine, "SOFTWARE\\æBLE", "grød", reg::ToRegSz("rødgrød med fløde")},
        {utf8, regroot::LocalMachine, "SOFTWARE\\Æble", "Bin", Bytes{1, 2, 3}},
        {bom + utf8, regroot::LocalMachine, "SOFTWARE\\æBLE", "grød", reg::ToRegSz("rødgrød med fløde")},
        {bom + utf8, regroot::LocalMachine, "SOFTWARE\\Æble", "Bin", Bytes{1, 2, 3}},
        {hex, regroot::CurrentUser, "Software\\A", "Upper", Bytes{0xCF, 0xAB, 0, 0}},
        {hex, regroot::CurrentUser, "Software\\A", "Lower", Bytes{0xCF, 0xAB, 0, 0}},
        {hex, regroot::CurrentUser, "Software\\A", "Bytes", Bytes{0xAF, 0x0A, 0xBC}},
        {deletions, regroot::CurrentUser, "Software\\Old\\Sub", "a", std::nullopt},
        {deletions, regroot::CurrentUser, "Software\\Keep", "gone", std::nullopt},
        {deletions, regroot::CurrentUser, "Software\\Keep", "stays", Bytes{2, 0, 0, 0}},
        {ansi, regroot::CurrentUser, "Software\\BLÅÆR", "Bin", Bytes{0xE6, 0}},
        {ansi, regroot::CurrentUser, "Software\\Blåær", "Kort", reg::ToRegSz("Aæ")},  // no closing 0
        {ansi, regroot::CurrentUser, "Software\\Blåær", "Navn", reg::ToRegSz("Søren € 10")},
        {"", regroot::CurrentUser, "Software", "x", std::nullopt},
        {"\xFF\xFE", regroot::CurrentUser, "Software", "x", std::nullopt},
        {v5 + "[HKEY_CURRENT_USER]\n\"Top\"=dword:7\n", regroot::CurrentUser, "", "Top", Bytes{7, 0, 0, 0}},
        // Without a byte-order mark: UTF-8 where it is valid, the code page where not.
        {v5 + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"K\xf8kken\"\n", regroot::CurrentUser, "A", "x", reg::ToRegSz("Køkken")},
        {v5 + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"😀\"\n", regroot::CurrentUser, "A", "x", reg::ToRegSz("😀")},
        {v5 + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"100 €\"\n", regroot::CurrentUser, "A", "x", reg::ToRegSz("100 €")},
        {v5 + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"\xC3(\"\n", regroot::CurrentUser, "A", "x", reg::ToRegSz("Ã(")},
    };
    RegFileStore missing(File());
    EXPECT_FALSE(Get(missing, regroot::CurrentUser, "Software", "x"));
    EXPECT_FALSE(fs::exists(File())) << "reading creates nothing";
    fs::create_directories(File().parent_path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + c.key + "/" + c.name);
        WriteFileText(File(), c.file);
        RegFileStore store(File());
        const auto value = Get(store, c.root, c.key, c.name);
        EXPECT_EQ(value.has_value(), c.data.has_value());
        if (value && c.data) {
            EXPECT_EQ(value->second, *c.data);
        }
    }
    // The first write turns a REGEDIT4 file into the current format.
    WriteFileText(File(), ansi);
    RegFileStore store(File());
    Set(store, regroot::CurrentUser, "Software\\Blåær", "Ny", regtype::Dword, Bytes{1, 0, 0, 0});
    EXPECT_EQ(ReadFileText(File()).substr(0, 6), std::string("\xFF\xFEW\0i\0", 6));
    EXPECT_EQ(Get(store, regroot::CurrentUser, "Software\\Blåær", "Navn")->second, reg::ToRegSz("Søren € 10"));
}

TEST_F(RegFileTest, MalformedFileRaisesNamingFileAndLineAndIsLeftAlone) {
    struct Case {
        std::string body;
        int line;
        std::string what;
    };
    const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\A]\n";
    const std::vector<Case> cases = {
        {header + "\"x\"=hex:01,zz\n", 4, "bad hex byte 'zz'"},
        {header + "\"ok\"=dword:1\n\"x\"=\"no end\n", 5, "the text has no closing quote"},
        {header + "\"x\"=hex:01,02,\\\n", 4, "the value continues past the end of the file"},
        {header + "\"x\"=dword:123456789\n", 4, "bad dword '123456789' (expected up to 8 hex digits)"},
        {header + "\"x\"=hex(123456789):01\n", 4, "bad value type '(123456789)'"},
        {header + "\"x\"=hex\n", 4, "expected \":\" after hex"},
        {header + "\"x\"=\"C:\\Temp\"\n", 4, "unknown escape"},
        {header + "\"x\"=qword:1\n", 4, "unknown value form"},
        {header + "\"x\"=\"y\" z\n", 4, "unexpected text after the closing quote"},
        {header + "x=1\n", 4, "expected a [key] or a value line"},
        {header + "\"x\" dword:1\n", 4, "expected \"=\" after the value name"},
        {header + "\"" + std::string(16384, 'n') + "\"=dword:1\n", 4, "invalid value name"},
        {header + "[HKEY_USERS\\S-1-5]\n\"x\"=dword:1\n", 4, "unsupported root key 'HKEY_USERS'"},
        {header + "[HKEY_CURRENT_USER\\B\n", 4, "no closing \"]\""},
        {header + "[-HKEY_CURRENT_USER\\Software\\A]\n\"x\"=dword:1\n", 5, "a value line must follow a [key] line"},
        {"Windows Registry Editor Version 5.00\n\"x\"=dword:1\n", 2, "a value line must follow a [key] line"},
        {"Hello\n", 1, "not a registry file"},
        // What the whole file is wrong in has no line.
        {std::string("\xFE\xFF\0W", 4), 0, "UTF-16 big-endian files are not supported"},
        {std::string("\xFF\xFEW", 3), 0, "the UTF-16 file ends in the middle of a character"},
    };
    fs::create_directories(File().parent_path());
    for (const Case& c : cases) {
        WriteFileText(File(), c.body);
        RegFileStore store(File());
        try {
            RegistryStore::Key key;
            store.OpenKey(regroot::CurrentUser, "Software\\A", regaccess::Read, key);
            ADD_FAILURE() << "no error for: " << c.body;
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), ErrMalformedFile);
            const std::string where = c.line > 0 ? ", line " + std::to_string(c.line) + ": " : ": ";
            EXPECT_NE(e.Description().find(File().string() + where), std::string::npos) << e.Description();
            EXPECT_NE(e.Description().find(c.what), std::string::npos) << e.Description();
        }
        // A write gives the same error and leaves the file as it was.
        EXPECT_THROW(Set(store, regroot::CurrentUser, "Software\\A", "x", regtype::Sz, reg::ToRegSz("overwrite?")),
                     Error)
            << c.body;
        EXPECT_EQ(ReadFileText(File()), c.body);
    }
}

// What the file system refuses is an error naming the file and the cause;
// never an empty registry, and never a change that seems stored but is not.
TEST_F(RegFileTest, FileSystemRefusalsRaiseAndNothingSeemsStored) {
    auto errorOf = [](const std::function<void()>& body) -> std::string {
        try {
            body();
        } catch (const Error& e) {
            return std::to_string(e.Number()) + " " + e.Description();
        }
        return "(no error)";
    };
    auto read = [&](RegistryStore& store) { return [&] { Get(store, regroot::CurrentUser, "Software\\A", "x"); }; };
    auto write = [&](RegistryStore& store) {
        return [&] { Set(store, regroot::CurrentUser, "Software\\A", "x", regtype::Dword, Bytes{7, 0, 0, 0}); };
    };
    const std::string code = std::to_string(ErrFileAccess) + " Registry file '";

    // A plain file where a folder should be: it can be neither read nor written.
    WriteFileText(dir.Path() / "plain", "x");
    RegFileStore underFile(dir.Path() / "plain" / "registry.reg");
    EXPECT_EQ(errorOf(read(underFile)),
              code + (dir.Path() / "plain" / "registry.reg").string() + "': cannot open: Not a directory");
    EXPECT_EQ(errorOf(write(underFile)), errorOf(read(underFile)));

    // A folder where the lock file should be: reading works, writing cannot.
    fs::create_directories(dir.Path() / "locked" / "registry.reg.lock");
    RegFileStore locked(dir.Path() / "locked" / "registry.reg");
    EXPECT_EQ(errorOf(read(locked)), "(no error)");
    EXPECT_EQ(errorOf(write(locked)), code + (dir.Path() / "locked" / "registry.reg.lock").string() +
                                          "': cannot open the lock file: Is a directory");
    EXPECT_FALSE(fs::exists(dir.Path() / "locked" / "registry.reg"));

    // A folder where the file should be.
    fs::create_directories(File());
    RegFileStore folder(File());
    EXPECT_EQ(errorOf(read(folder)), code + File().string() + "': cannot read: Is a directory");
    fs::remove(File());

    // A full disk while the file is written: the old file stays whole, no
    // temporary file is left, and the change is not seen as stored.
    RegFileStore store(File());
    Set(store, regroot::CurrentUser, "Software\\A", "keep", regtype::Dword, Bytes{1, 0, 0, 0});
    const std::string before = ReadFileText(File());
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = before.size();
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string full = errorOf(write(store));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(full.rfind(code, 0), 0u) << full;
    EXPECT_NE(full.find("': cannot write: File too large"), std::string::npos) << full;
    EXPECT_EQ(ReadFileText(File()), before);
    EXPECT_FALSE(Get(store, regroot::CurrentUser, "Software\\A", "x")) << "the failed change is not the registry";
    EXPECT_TRUE(Get(store, regroot::CurrentUser, "Software\\A", "keep"));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(File().parent_path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

// Stores on one file see each other's writes; a write keeps the file's
// permissions and leaves no file open.
TEST_F(RegFileTest, AStoreSeesWhatAnotherStoreWroteAndTheFileKeepsItsPermissions) {
    const auto filesBefore = kv::fakes::OpenFiles();
    RegFileStore first(File());
    RegFileStore second(File());
    Set(first, regroot::CurrentUser, "Software\\Kv", "a", regtype::Dword, Bytes{1, 0, 0, 0});
    ::chmod(File().c_str(), 0640);
    EXPECT_EQ(Get(second, regroot::CurrentUser, "software\\kv", "A")->second, (Bytes{1, 0, 0, 0}));
    Set(second, regroot::CurrentUser, "Software\\Kv", "b", regtype::Dword, Bytes{2, 0, 0, 0});
    Set(first, regroot::CurrentUser, "Software\\Kv", "c", regtype::Dword, Bytes{3, 0, 0, 0});
    // Names regedit could not write plainly come back as they went in.
    const std::string odd = "two\nlines \"quoted\" back\\slash";
    Set(first, regroot::CurrentUser, "Software\\Kv", odd, regtype::Sz, reg::ToRegSz(odd));
    RegFileStore third(File());
    for (const std::string& name : {std::string("a"), std::string("b"), std::string("c")})
        EXPECT_TRUE(Get(third, regroot::CurrentUser, "Software\\Kv", name)) << name;
    EXPECT_EQ(Get(third, regroot::CurrentUser, "Software\\Kv", odd)->second, reg::ToRegSz(odd));
    struct stat info {};
    ASSERT_EQ(::stat(File().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(kv::fakes::OpenFiles(), filesBefore) << "a file left open";
}

TEST_F(RegFileTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 60;
    auto writeAll = [&](const std::string& prefix) {
        RegFileStore store(File());
        int failures = 0;
        for (int i = 0; i < kWrites; ++i) {
            RegistryStore::Key key;
            std::string path = "Software\\Kv\\" + std::to_string(i % 3);
            if (store.CreateKey(regroot::CurrentUser, path, regaccess::Write, key) != regstatus::Success ||
                store.SetValue(key, prefix + std::to_string(i), regtype::Dword,
                               Bytes{static_cast<std::uint8_t>(i), 0, 0, 0}) != regstatus::Success)
                ++failures;
        }
        return failures;
    };
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char go = 0;
        ::close(ready[1]);
        int failures = ::read(ready[0], &go, 1) == 1 ? 0 : 1;
        try {
            failures += writeAll("child");
        } catch (...) {
            failures = 100;
        }
        ::_exit(failures == 0 ? 0 : 1);
    }
    ::close(ready[0]);
    ASSERT_EQ(::write(ready[1], "g", 1), 1);
    ::close(ready[1]);
    EXPECT_EQ(writeAll("parent"), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    RegFileStore check(File());
    for (const char* prefix : {"child", "parent"}) {
        for (int i = 0; i < kWrites; ++i) {
            auto value =
                Get(check, regroot::CurrentUser, "Software\\Kv\\" + std::to_string(i % 3), prefix + std::to_string(i));
            ASSERT_TRUE(value) << prefix << i;
            EXPECT_EQ(value->second, (Bytes{static_cast<std::uint8_t>(i), 0, 0, 0}));
        }
    }
}

TEST(RegFilePath, ResolvesFromTheEnvironment) {
    {
        ScopedEnv file("KV_REGISTRY_FILE", "/tmp/own.reg");
        EXPECT_EQ(DefaultRegistryFile(), fs::path("/tmp/own.reg"));
    }
    ScopedEnv file("KV_REGISTRY_FILE", nullptr);
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/home/mette/.cfg");
        EXPECT_EQ(DefaultRegistryFile(), fs::path("/home/mette/.cfg/korvane/registry.reg"));
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    {
        ScopedEnv home("HOME", "/home/mette");
        EXPECT_EQ(DefaultRegistryFile(), fs::path("/home/mette/.config/korvane/registry.reg"));
    }
    ScopedEnv home("HOME", nullptr);
    EXPECT_THROW(DefaultRegistryFile(), Error);
    EXPECT_THROW(RegFileStore(""), Error);
}

}  // namespace
}  // namespace kv::regfile
