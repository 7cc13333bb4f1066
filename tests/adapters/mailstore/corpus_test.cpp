// Every mail of the corpus (tests/data/mail/corpus) goes through the store and
// the .msg writer as kvimport uses them; the .msg is read back by two readers
// apart from our writer (msg_check.py on olefile, and msgconvert) and compared
// field by field with what Python's email package reads from the .eml.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

// The corpus, and the samples the other tests use.
std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names = {"../tilbud_iso8859.eml", "../rapport_utf8.eml"};
    for (const auto& entry : fs::directory_iterator(DataFile("corpus")))
        if (entry.path().extension() == ".eml") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string UtcIso(const fs::path& file) {
    auto written = fs::last_write_time(file);
    auto system = std::chrono::file_clock::to_sys(written);
    std::time_t t =
        std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
    return text;
}

fs::path SaveCorpusMail(const TempDir& dir, const std::string& name, fs::path* stored = nullptr) {
    auto store = MakeStore(dir.Path() / "store");
    auto item = store->AddItemFile("Inbox", DataFile("corpus/" + name));
    if (stored) *stored = store->PathOf(*item);
    fs::path msg = dir.Path() / (fs::path(name).stem().string() + ".msg");
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(item);
    wrapper->SaveAs(msg.string(), outlook::SaveAsMsg);
    return msg;
}

class MailCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(MailCorpus, ComesThroughWholeForBothReaders) {
    TempDir dir;
    fs::path stored;
    fs::path msg = SaveCorpusMail(dir, GetParam(), &stored);
    ExpectMsgMatchesEml(DataFile("corpus/" + GetParam()), msg, UtcIso(stored));
}

INSTANTIATE_TEST_SUITE_P(Mails, MailCorpus, ::testing::ValuesIn(CorpusFiles()), [](const auto& info) {
    std::string name = fs::path(info.param).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// Signed mail keeps its signature: the entity kept in the .msg verifies with
// openssl as the mail did, and a changed byte in the signed text is caught.
// Opaque signed data also comes as application/octet-stream with a folded
// type, or with its body's lines ended by LF alone under CRLF headers.
TEST(MsgSmime, KeptEntityStillVerifies) {
    if (std::string(KV_PYTHON).empty() || RunCommand("openssl version").first != 0)
        GTEST_SKIP() << "python3 or openssl is not installed";
    TempDir dir;
    std::string detached = ReadFileText(DataFile("corpus/30_smime_detached_signed.eml"));
    std::ofstream(dir.Path() / "changed.eml", std::ios::binary)
        << detached.replace(detached.find("tagrenovering"), 3, "TAG");
    const std::string opaque = ReadFileText(DataFile("corpus/31_smime_opaque_signed.eml"));
    const std::string opaqueType = "application/x-pkcs7-mime; smime-type=signed-data; name=\"smime.p7m\"";
    std::string octet = opaque;
    std::ofstream(dir.Path() / "octet.eml", std::ios::binary)
        << octet.replace(octet.find(opaqueType), opaqueType.size(), "application/octet-stream;\r\n name=\"smime.p7m\"");
    const std::size_t headEnd = opaque.find("\r\n\r\n") + 4;
    std::string body = opaque.substr(headEnd);
    std::erase(body, '\r');
    std::ofstream(dir.Path() / "mixed.eml", std::ios::binary) << opaque.substr(0, headEnd) << body << "\n";
    const struct {
        fs::path eml;
        bool verifies;
    } cases[] = {{DataFile("corpus/30_smime_detached_signed.eml"), true},
                 {DataFile("corpus/31_smime_opaque_signed.eml"), true},
                 {dir.Path() / "octet.eml", true},
                 {dir.Path() / "mixed.eml", true},
                 {dir.Path() / "changed.eml", false}};
    for (const auto& c : cases) {
        auto store = MakeStore(dir.Path() / "store");
        auto wrapper = store->CreateMailWrapper();
        wrapper->SetItem(store->AddItemFile("Inbox", c.eml));
        fs::path msg = dir.Path() / "signed.msg", kept = dir.Path() / "kept.p7m";
        wrapper->SaveAs(msg.string(), outlook::SaveAsMsg);
        const auto [status, out] =
            RunCommand(Checker() + " attachment " + ShellWord(msg.string()) + " 0 " + ShellWord(kept.string()));
        ASSERT_EQ(status, 0) << out;
        // openssl reads no octet-stream: the kept entity, folded line and
        // all, verifies under the type the data has.
        std::string entity = ReadFileText(kept);
        if (const auto at = entity.find("application/octet-stream;\r\n name="); at != std::string::npos) {
            std::ofstream(kept, std::ios::binary | std::ios::trunc) << entity.replace(at, 24, "application/pkcs7-mime");
        }
        const auto [verified, said] =
            RunCommand("openssl smime -verify -noverify -in " + ShellWord(kept.string()) + " -out /dev/null");
        EXPECT_EQ(verified == 0, c.verifies) << c.eml << ": " << said;
        EXPECT_EQ(said.find("Verification successful") != std::string::npos, c.verifies) << said;
    }
}

}  // namespace
}  // namespace kv::mailstore::test
