#include "support/c_registry.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "fakes/memory_registry_store.hpp"
#include "support/error.hpp"
#include "support/registry_text.hpp"

namespace kv {
namespace {

using fakes::MemoryRegistryStore;

constexpr const char* kSettings = "Software\\Tolvenor\\Korvane\\OutlookSettings";

class RegistryTest : public ::testing::Test {
protected:
    cRegistry Settings(const std::string& valueName, std::int32_t valueType) {
        cRegistry reg(store);
        reg.SetClassKey(cRegistry::HkeyCurrentUser);
        reg.SetSectionKey(kSettings);
        reg.SetValueKey(valueName);
        reg.SetValueType(valueType);
        return reg;
    }
    // Type and raw bytes as stored.
    std::pair<RegType, Bytes> Stored(RegRoot root, const std::string& path, const std::string& name) {
        RegistryStore::Key key;
        RegType type = 0xFFFF;
        Bytes data;
        EXPECT_EQ(store.OpenKey(root, path, regaccess::Read, key), regstatus::Success) << path;
        EXPECT_EQ(store.QueryValue(key, name, &type, &data), regstatus::Success) << path << " " << name;
        return {type, data};
    }
    void StoreRaw(const std::string& name, RegType type, const Bytes& data) {
        RegistryStore::Key key;
        ASSERT_EQ(store.CreateKey(regroot::CurrentUser, kSettings, regaccess::Write, key), regstatus::Success);
        ASSERT_EQ(store.SetValue(key, name, type, data), regstatus::Success);
    }
    // The error body raised, as "number source: description".
    template <class Body>
    static std::string Raised(Body&& body) {
        try {
            body();
        } catch (const Error& e) {
            return std::to_string(e.Number()) + " " + e.Source() + ": " + e.Description();
        }
        return "(no error)";
    }

    MemoryRegistryStore store;
};

TEST_F(RegistryTest, PropertiesStartEmpty) {
    cRegistry reg(store);
    EXPECT_EQ(reg.ClassKey(), 0);
    EXPECT_EQ(reg.SectionKey(), "");
    EXPECT_EQ(reg.ValueKey(), "");
    EXPECT_EQ(reg.ValueType(), 0);
    EXPECT_TRUE(reg.Default().IsEmpty());
    EXPECT_EQ(cRegistry::HkeyCurrentUser, -2147483647);
    EXPECT_EQ(cRegistry::HkeyClassesRoot, -2147483647 - 1);
}

TEST_F(RegistryTest, MissingValueGivesDefaultAndKeepsValueType) {
    cRegistry reg = Settings("DBCn", cRegistry::RegSz);
    EXPECT_TRUE(reg.GetValue().IsEmpty());
    EXPECT_EQ(reg.ValueType(), cRegistry::RegSz);
    reg.SetDefault(Value("fallback"));
    EXPECT_EQ(reg.GetValue(), Value("fallback"));
    StoreRaw("Other", regtype::Sz, reg::ToRegSz("x"));  // key exists, value does not
    EXPECT_EQ(reg.GetValue(), Value("fallback"));
    EXPECT_EQ(reg.ValueType(), cRegistry::RegSz);
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

TEST_F(RegistryTest, TextRoundTripsThroughUtf16WithoutLoss) {
    cRegistry reg = Settings("DBCn", cRegistry::RegSz);
    const std::string text = "Data Source=srv;Initial Catalog=Blåbær Ø 😀";
    reg.SetValue(text);
    auto [type, data] = Stored(regroot::CurrentUser, kSettings, "DBCn");
    EXPECT_EQ(type, regtype::Sz);
    EXPECT_EQ(data, reg::ToRegSz(text));
    EXPECT_EQ(data.size() % 2, 0u);
    EXPECT_EQ(data[data.size() - 1], 0);
    EXPECT_EQ(data[data.size() - 2], 0);
    EXPECT_EQ(reg.GetValue(), Value(text));
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

TEST_F(RegistryTest, NumberRoundTripsAndReadAsTextTypeBecomesDword) {
    Settings("UserRessId", cRegistry::RegDword).SetValue(std::int32_t{-12345});
    auto [type, data] = Stored(regroot::CurrentUser, kSettings, "UserRessId");
    EXPECT_EQ(type, regtype::Dword);
    EXPECT_EQ(data, (Bytes{0xC7, 0xCF, 0xFF, 0xFF}));
    cRegistry reader = Settings("UserRessId", cRegistry::RegSz);
    EXPECT_EQ(reader.GetValue(), Value(std::int32_t{-12345}));
    EXPECT_EQ(reader.ValueType(), cRegistry::RegDword);
}

// Values as other programs store them, read whatever type was asked for:
// the value, and the type cRegistry then reports.
TEST_F(RegistryTest, StoredValuesReadAsTheirOwnType) {
    struct Case {
        RegType type;
        Bytes data;
        Value value;
    } cases[] = {
        {regtype::DwordBigEndian, Bytes{0, 0, 0, 1}, Value(std::int32_t{1})},
        {regtype::DwordBigEndian, Bytes{0x12, 0x34, 0x56, 0x78}, Value(std::int32_t{0x12345678})},
        {regtype::Dword, Bytes{1, 2}, Value(std::int32_t{0x0201})},  // another size: its first four bytes
        {regtype::Dword, Bytes{1, 0, 0, 0, 9, 9}, Value(std::int32_t{1})},
        {regtype::MultiSz, reg::ToRegSz(std::string("one\0two\0", 8)), Value(std::string("one\0two\0", 8))},
        {regtype::Sz, Bytes{}, Value("")},
        {regtype::ExpandSz, Bytes{}, Value("")},
        {regtype::MultiSz, Bytes{}, Value("")},
        {regtype::None, Bytes{4, 5}, Value(Bytes{4, 5})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        StoreRaw("Stored", c.type, c.data);
        cRegistry reg = Settings("Stored", cRegistry::RegSz);
        EXPECT_EQ(reg.GetValue(), c.value);
        EXPECT_EQ(reg.ValueType(), static_cast<std::int32_t>(c.type));
    }
    // Written as big-endian, a number is stored as an ordinary one.
    Settings("Written", cRegistry::RegDwordBigEndian).SetValue(std::int32_t{1});
    auto [type, data] = Stored(regroot::CurrentUser, kSettings, "Written");
    EXPECT_EQ(type, regtype::Dword);
    EXPECT_EQ(data, (Bytes{1, 0, 0, 0}));
}

TEST_F(RegistryTest, ExpandSzIsDetectedOnWriteAndExpandedOnRead) {
    store.SetEnvironment("USERPROFILE", "C:\\Users\\mette");
    cRegistry reg = Settings("Path", cRegistry::RegSz);
    reg.SetValue("%USERPROFILE%\\Korvane");
    EXPECT_EQ(Stored(regroot::CurrentUser, kSettings, "Path").first, regtype::ExpandSz);
    EXPECT_EQ(reg.GetValue(), Value("C:\\Users\\mette\\Korvane"));
    EXPECT_EQ(reg.ValueType(), cRegistry::RegExpandSz);

    struct Case {
        const char* text;
        RegType stored;
    };
    for (Case c : {Case{"50% rabat", regtype::Sz}, Case{"%%", regtype::Sz}, Case{"a%%b", regtype::Sz},
                   Case{"%x%", regtype::ExpandSz}, Case{"100% og 5%", regtype::ExpandSz},
                   Case{"%UNKNOWN_NAME%", regtype::ExpandSz}}) {
        Settings("Text", cRegistry::RegExpandSz).SetValue(c.text);
        EXPECT_EQ(Stored(regroot::CurrentUser, kSettings, "Text").first, c.stored) << c.text;
        EXPECT_EQ(Settings("Text", 1).GetValue(), Value(c.text)) << "unknown names stay as written: " << c.text;
    }
}

TEST_F(RegistryTest, BinaryRoundTripsByteExact) {
    for (const Bytes& bytes : {Bytes{}, Bytes{7}, Bytes{0, 1, 2, 3, 0, 255}}) {
        Settings("Bin", cRegistry::RegBinary).SetValue(bytes);
        EXPECT_EQ(Stored(regroot::CurrentUser, kSettings, "Bin").second, bytes);
        cRegistry reg = Settings("Bin", 1);
        EXPECT_EQ(reg.GetValue(), Value(bytes));
        EXPECT_EQ(reg.ValueType(), cRegistry::RegBinary);
    }
}

TEST_F(RegistryTest, DwordTypeWithTextAndUnknownTypesWriteNothing) {
    Settings("Level", cRegistry::RegDword).SetValue("1");
    Settings("Level", cRegistry::RegDwordBigEndian).SetValue(true);
    Settings("Level", cRegistry::RegLink).SetValue(std::int32_t{1});
    Settings("Level", 99).SetValue("x");
    RegistryStore::Key key;
    ASSERT_EQ(store.OpenKey(regroot::CurrentUser, kSettings, regaccess::Read, key), regstatus::Success)
        << "the key is created even when nothing is written";
    EXPECT_EQ(store.QueryValue(key, "Level", nullptr, nullptr), regstatus::FileNotFound);
}

TEST_F(RegistryTest, WriteCreatesTheWholeKeyPath) {
    cRegistry reg(store);
    reg.SetClassKey(cRegistry::HkeyLocalMachine);
    reg.SetSectionKey("SOFTWARE\\A\\B\\C");
    reg.SetValueKey("x");
    reg.SetValueType(cRegistry::RegSz);
    reg.SetValue("y");
    for (const char* path : {"SOFTWARE\\A", "SOFTWARE\\A\\B", "SOFTWARE\\A\\B\\C"}) {
        RegistryStore::Key key;
        EXPECT_EQ(store.OpenKey(regroot::LocalMachine, path, regaccess::Read, key), regstatus::Success) << path;
    }
}

// Each refusal raises with its number, source and the full text naming
// root, key and value; nothing is left open.
TEST_F(RegistryTest, RefusalsRaiseWithNumberSourceAndText) {
    const std::string key = "-2147483647',Section: 'Software\\Tolvenor\\Korvane\\OutlookSettings";
    const std::string source = " KVOutlookAddin.cRegistry: ";
    struct Case {
        std::function<void()> action;
        std::string raised;
    } cases[] = {
        // While the key is missing.
        {[&] { Settings("MailDelete", cRegistry::RegDword).DeleteValue(); },
         "26001" + source + "Failed to open key '" + key + "' for delete access"},
        {[&] { Settings("", 0).DeleteKey(); }, "26001" + source + "Failed to delete registry Key: '" + key},
        {[&] { Settings("Bin", cRegistry::RegBinary).SetValue("text"); }, "26001 : "},
        {[&] {
             Settings("MailDelete", cRegistry::RegDword).SetValue(std::int32_t{1});
             Settings("MailDelete", cRegistry::RegDword).DeleteValue();
             Settings("MailDelete", cRegistry::RegDword).DeleteValue();
         },
         "26001" + source + "Failed to delete registry Key: '" + key + "',Key: 'MailDelete"},
        {[&] {
             store.faults().refuseCreateKey = true;
             Settings("RessType", cRegistry::RegDword).SetValue(std::int32_t{3});
         },
         "26001" + source + "Failed to set registry value Key: '" + key + "',Key: 'RessType' to value: '3'"},
        {[&] {
             store.faults().refuseCreateKey = true;
             Settings("", 1).CreateKey();
         },
         "26001" + source + "Failed to create registry Key: 'Software\\Tolvenor\\Korvane\\OutlookSettings"},
        {[&] {
             store.faults().refuseSetValue = true;
             Settings("DBCn", cRegistry::RegSz).SetValue("Data Source=x");
         },
         "-2147194455" + source + "Failed to set registry value Key: '" + key +
             "',Key: 'DBCn' to value: 'Data Source=x'"},
    };
    for (const Case& c : cases) {
        store.faults() = {};
        EXPECT_EQ(Raised(c.action), c.raised);
        EXPECT_EQ(store.OpenKeyCount(), 0u) << c.raised;
    }
}

TEST_F(RegistryTest, UnknownRootReadsDefaultAndWriteRaises) {
    cRegistry reg(store);
    reg.SetClassKey(12345);
    reg.SetSectionKey("Software");
    reg.SetValueKey("x");
    reg.SetValueType(1);
    EXPECT_TRUE(reg.GetValue().IsEmpty());
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_EQ(Raised([&] { reg.SetValue("y"); }).substr(0, 6), "26001 ");
}

TEST_F(RegistryTest, KeyExistsCreateKeyAndDeleteKeyAndValue) {
    cRegistry reg = Settings("", 0);
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey()) << "an existing key opens";
    cRegistry value = Settings("MailDelete", cRegistry::RegDword);
    value.SetValue(std::int32_t{1});
    EXPECT_TRUE(value.DeleteValue());
    EXPECT_TRUE(value.GetValue().IsEmpty());
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

TEST_F(RegistryTest, EnumerateValuesAndSections) {
    cRegistry reg = Settings("", 0);
    std::vector<std::string> names{"stale"};
    std::int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateValues(names, count)) << "an unopenable key still answers true";
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);

    for (const char* name : {"DBCn", "UserRessId", "LogLevel"}) StoreRaw(name, regtype::Dword, Bytes{0, 0, 0, 0});
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 3);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"DBCn", "LogLevel", "UserRessId"}));

    cRegistry parent(store);
    parent.SetClassKey(cRegistry::HkeyCurrentUser);
    parent.SetSectionKey("Software\\Tolvenor\\Korvane");
    Settings("", 0).SetSectionKey("x");
    cRegistry sibling = Settings("", 0);
    sibling.SetSectionKey("Software\\Tolvenor\\Korvane\\Another");
    sibling.CreateKey();
    EXPECT_TRUE(parent.EnumerateSections(names, count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Another", "OutlookSettings"}));

    store.faults().refuseOpenKey = true;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

class AssociationTest : public RegistryTest {
protected:
    std::string Text(RegRoot root, const std::string& path) {
        auto [type, data] = Stored(root, path, "");
        EXPECT_EQ(type, regtype::Sz) << path;
        return reg::FromRegSz(data);
    }
    bool Exists(RegRoot root, const std::string& path) {
        RegistryStore::Key key;
        return store.OpenKey(root, path, regaccess::QueryValue, key) == regstatus::Success;
    }
    // Checks one entry under both roots.
    void ExpectEntry(const std::string& path, const std::string& text) {
        EXPECT_EQ(Text(regroot::ClassesRoot, path), text) << path;
        EXPECT_EQ(Text(regroot::LocalMachine, "SOFTWARE\\Classes\\" + path), text) << path;
    }
};

TEST_F(AssociationTest, CreateEXEAssociationWritesUnderBothRoots) {
    cRegistry reg(store);
    reg.CreateEXEAssociation("C:\\Korvane\\kv.exe", "Korvane.Document", "Korvane-dokument", "kvd", "", true, "", true,
                             "Ny", true, "", 2);
    ExpectEntry(".kvd", "Korvane.Document");
    ExpectEntry("Korvane.Document", "Korvane-dokument");
    ExpectEntry("Korvane.Document\\shell\\open", "&Open");
    ExpectEntry("Korvane.Document\\shell\\open\\command", "\"C:\\Korvane\\kv.exe\" \"%1\"");
    ExpectEntry("Korvane.Document\\shell\\print", "&Print");
    ExpectEntry("Korvane.Document\\shell\\print\\command", "\"C:\\Korvane\\kv.exe\" /p \"%1\"");
    ExpectEntry("Korvane.Document\\shell\\add", "&Install Korvane-dokument");
    ExpectEntry("Korvane.Document\\shell\\add\\command", "\"C:\\Korvane\\kv.exe\" /a \"%1\"");
    ExpectEntry("Korvane.Document\\shell\\new", "Ny");
    ExpectEntry("Korvane.Document\\shell\\new\\command", "\"C:\\Korvane\\kv.exe\" /n \"%1\"");
    ExpectEntry("Korvane.Document\\DefaultIcon", "C:\\Korvane\\kv.exe,2");
    EXPECT_EQ(reg.ClassKey(), 0) << "the instance's own properties are left alone";
}

TEST_F(AssociationTest, VerbsWithoutTheirFlagAreNotWritten) {
    cRegistry reg(store);
    reg.CreateEXEAssociation("\"C:\\kv.exe\"", "Kv.File", "Kv file", "kvf");
    ExpectEntry("Kv.File\\shell\\open\\command", "\"C:\\kv.exe\" \"%1\"");
    ExpectEntry("Kv.File\\DefaultIcon", "C:\\kv.exe,-1");
    for (const char* verb : {"print", "add", "new"}) {
        EXPECT_FALSE(Exists(regroot::ClassesRoot, std::string("Kv.File\\shell\\") + verb)) << verb;
        EXPECT_FALSE(Exists(regroot::LocalMachine, std::string("SOFTWARE\\Classes\\Kv.File\\shell\\") + verb)) << verb;
    }
    EXPECT_THROW(reg.CreateEXEAssociation("C:\\kv.exe", "", "x", "kvf"), Error);
}

TEST_F(AssociationTest, AdditionalAssociationsCheckItemsThenClass) {
    cRegistry reg(store);
    const std::vector<std::string> five{"edit", "&Edit", "\"kv.exe\" /e \"%1\"", "view", "&View"};
    const std::string source = " KVOutlookAddin.cRegistry: ";
    EXPECT_EQ(Raised([&] { reg.CreateAdditionalEXEAssociations("Kv.File", five); }),
              "-2147194452" + source +
                  "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    const std::vector<std::string> six{"edit", "&Edit", "\"kv.exe\" /e \"%1\"",
                                       "view", "&View", "\"kv.exe\" /v \"%1\""};
    EXPECT_EQ(Raised([&] { reg.CreateAdditionalEXEAssociations("Kv.File", six); }),
              "-2147194451" + source + "Error - attempt to create additional associations before class defined.");
    EXPECT_FALSE(Exists(regroot::ClassesRoot, "Kv.File"));

    reg.CreateEXEAssociation("C:\\kv.exe", "Kv.File", "Kv file", "kvf");
    EXPECT_THROW(reg.CreateAdditionalEXEAssociations("Kv.File", five), Error);
    EXPECT_FALSE(Exists(regroot::ClassesRoot, "Kv.File\\shell\\edit")) << "nothing written before the check";
    reg.CreateAdditionalEXEAssociations("Kv.File", six);
    ExpectEntry("Kv.File\\shell\\edit", "&Edit");
    ExpectEntry("Kv.File\\shell\\edit\\command", "\"kv.exe\" /e \"%1\"");
    ExpectEntry("Kv.File\\shell\\view", "&View");
    ExpectEntry("Kv.File\\shell\\view\\command", "\"kv.exe\" /v \"%1\"");
}

TEST(RegistryText, ExpandKeepsUnknownNamesAndLoneSigns) {
    auto lookup = [](const std::string& name) -> std::optional<std::string> {
        if (name == "HOME") return "/home/mette";
        return std::nullopt;
    };
    EXPECT_EQ(reg::ExpandPercentReferences("%HOME%/x", lookup), "/home/mette/x");
    EXPECT_EQ(reg::ExpandPercentReferences("%NOPE%HOME%", lookup), "%NOPE/home/mette");
    EXPECT_EQ(reg::ExpandPercentReferences("a%%b%", lookup), "a%%b%");
    EXPECT_EQ(reg::ExpandPercentReferences("%HOME", lookup), "%HOME");
    EXPECT_EQ(reg::ExpandPercentReferences("%HOME%%HOME%", lookup), "/home/mette/home/mette");
}

TEST(RegistryText, RegSzDataRoundTrips) {
    EXPECT_EQ(reg::ToRegSz(""), (Bytes{0, 0}));
    EXPECT_EQ(reg::ToRegSz("Å"), (Bytes{0xC5, 0, 0, 0}));
    EXPECT_EQ(reg::FromRegSz(Bytes{}), "");
    EXPECT_EQ(reg::FromRegSz(Bytes{'a', 0, 'b', 0}), "ab") << "no terminating NUL: nothing dropped";
    EXPECT_EQ(reg::FromRegSz(Bytes{'a', 0, 0}), "a") << "a stray odd byte is ignored";
}

}  // namespace
}  // namespace kv
