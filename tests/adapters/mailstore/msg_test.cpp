// .msg files written by save-as, read back by the two outside readers
// (msg_check.py and msgconvert).
#include <glib.h>

#include <random>

#include "adapters/mailmsg/cfb_balance.hpp"
#include "adapters/mailmsg/mail_data.hpp"
#include "adapters/mailmsg/msg_writer.hpp"
#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

using namespace kv::mailmsg;

fs::path SaveAsMsg(MailStore& store, const std::shared_ptr<outlook::Item>& item, const fs::path& file) {
    auto wrapper = store.CreateMailWrapper();
    wrapper->SetItem(item);
    wrapper->SaveAs(file.string(), outlook::SaveAsMsg);
    return file;
}

// A directory of some 300 storages and a file past the mini stream, big
// enough (8 MB) that the FAT sectors no longer fit the header's list: a
// directory left unbalanced, a sector chain cut short or a FAT sector
// missed shows here.
TEST(MsgFile, ThreeHundredRecipientsAndAnEightMegabyteAttachment) {
    TempDir dir;
    std::mt19937 random(4711);
    std::string data(std::size_t{8} * 1024 * 1024, '\0');
    for (auto& c : data) c = static_cast<char>(random() & 0xFF);
    gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(data.data()), data.size());
    std::string base64 = encoded;
    g_free(encoded);

    std::string eml =
        "From: =?UTF-8?Q?Bj=C3=B8rn_=C3=85berg?= <bjorn@example.dk>\r\n"
        "Subject: =?UTF-8?Q?M=C3=B8de_for_alle_=C3=A6=C3=B8=C3=A5?=\r\n"
        "Date: Mon, 09 Dec 2024 08:00:00 +0100\r\n";
    const char* headers[] = {"To", "Cc", "Bcc"};
    for (int h = 0; h < 3; ++h) {
        eml += std::string(headers[h]) + ": ";
        for (int i = 0; i < 100; ++i) {
            int n = h * 100 + i;
            eml += (i ? ",\r\n " : "") + std::string("=?UTF-8?Q?Medarbejder_=C3=B8") + std::to_string(n) + "?= <m" +
                   std::to_string(n) + "@tolvenor.dk>";
        }
        eml += "\r\n";
    }
    eml +=
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
        "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\nSe bilag – æøå.\r\n"
        "--b\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"stor fil.dat\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    for (std::size_t i = 0; i < base64.size(); i += 76) eml += base64.substr(i, 76) + "\r\n";
    eml += "--b--\r\n";
    { std::ofstream(dir.Path() / "stor.eml", std::ios::binary) << eml; }
    auto store = MakeStore(dir.Path() / "store");
    auto item = store->AddItemFile("Inbox", dir.Path() / "stor.eml");
    auto mail = ParseMail(eml);
    ASSERT_EQ(mail.recipients.size(), 300u);
    ASSERT_EQ(mail.attachments.size(), 1u);
    ASSERT_EQ(mail.attachments[0].data.size(), data.size());
    auto msg = SaveAsMsg(*store, item, dir.Path() / "stor.msg");
    ExpectMsgMatchesEml(dir.Path() / "stor.eml", msg);
}

TEST(MsgFile, TimesAndFailures) {
    // UTC in, no zone rules applied: the clock-change nights keep every hour.
    EXPECT_EQ(UtcToFileTime({2024, 1, 15, 12, 0, 0}), 133497936000000000ull);
    EXPECT_EQ(UtcToFileTime({1601, 1, 1, 0, 0, 1}), 10000000ull);
    EXPECT_EQ(UtcToFileTime({2024, 10, 27, 1, 30, 0}) - UtcToFileTime({2024, 10, 27, 0, 30, 0}), 36000000000ull);
    EXPECT_EQ(UtcToFileTime({2024, 3, 31, 2, 30, 0}) - UtcToFileTime({2024, 3, 31, 0, 30, 0}), 72000000000ull);
    EXPECT_EQ(UtcToFileTime({2000, 3, 1, 0, 0, 0}) - UtcToFileTime({2000, 2, 28, 0, 0, 0}), 2 * 864000000000ull);
    EXPECT_THROW(UtcToFileTime({2024, 2, 30, 0, 0, 0}), Error);
    TempDir dir;
    try {
        WriteMsg(dir.Path() / "no such dir" / "x.msg", MsgMessage{});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Source(), "MsgWriter");
        EXPECT_EQ(e.Description().rfind("Cannot write the message file: ", 0), 0u) << e.Description();
    }
    MsgMessage badDate;
    badDate.submitTime = DateTime{0, 0, 0, 0, 0, 0};
    EXPECT_THROW(WriteMsg(dir.Path() / "x.msg", badDate), Error);
    EXPECT_FALSE(fs::exists(dir.Path() / "x.msg"));
    // A date that fails only inside a forwarded mail stops the writing half-way
    // through the file: nothing is left, not even the temporary file.
    auto forwarded = std::make_shared<MailData>();
    forwarded->sentOn = DateTime{1500, 1, 1, 0, 0, 0};
    Attachment embedded;
    embedded.fileName = "Videresendt.msg";
    embedded.message = forwarded;
    MsgMessage outer;
    outer.attachments.push_back(embedded);
    EXPECT_EQ(Refusal([&] { WriteMsg(dir.Path() / "x.msg", outer); }),
              "MsgWriter: Date before 1601: 1500-01-01 00:00:00");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    // An empty message is still a readable file, and so is one of recipients
    // of each kind and an attachment no one gave a type.
    MsgMessage m;
    m.recipients = {{outlook::Recipient::To, "A", "a@x.dk"},
                    {outlook::Recipient::Cc, "B", "b@x.dk"},
                    {outlook::Recipient::Bcc, "C", "c@x.dk"}};
    Attachment untyped;
    untyped.fileName = "Tilbud på køkken.txt";
    untyped.data = Bytes{'h', 'i'};
    m.attachments = {untyped};
    WriteMsg(dir.Path() / "some.msg", m);
    WriteMsg(dir.Path() / "empty.msg", MsgMessage{});
    for (const char* file : {"some.msg", "empty.msg"}) {
        const auto [status, out] = RunCommand(Checker() + " structure " + ShellWord((dir.Path() / file).string()));
        EXPECT_EQ(status, 0) << file << ": " << out;
    }
    fs::remove(dir.Path() / "some.msg");
    // Saved again, the file is replaced by a whole new one, with nothing left beside it.
    const std::string empty = ReadFileText(dir.Path() / "empty.msg");
    MsgMessage tilbud;
    tilbud.subject = "Tilbud";
    WriteMsg(dir.Path() / "empty.msg", tilbud);
    EXPECT_NE(ReadFileText(dir.Path() / "empty.msg"), empty);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

// The directory balancer reads back what was written; data it cannot
// understand is refused, never balanced half-way.
TEST(MsgFile, DamagedCompoundFilesAreRefused) {
    TempDir dir;
    WriteMsg(dir.Path() / "good.msg", MsgMessage{});
    const std::string good = ReadFileText(dir.Path() / "good.msg");
    ASSERT_GT(good.size(), 1024u);
    EXPECT_EQ(BalanceCompoundDirectory(good), good) << "a written file is balanced already";
    auto with = [&](std::size_t at, std::uint32_t value) {
        std::string damaged = good;
        for (int i = 0; i < 4; ++i)
            damaged[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return damaged;
    };
    auto withByte = [&](std::size_t at, char value) {
        std::string damaged = good;
        damaged[at] = value;
        return damaged;
    };
    const auto fatSectors = static_cast<std::uint32_t>(static_cast<unsigned char>(good[44]));
    const std::uint32_t directory = static_cast<unsigned char>(good[48]);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain text, no compound file", "not a compound file"},
        {good.substr(0, 511), "not a compound file"},
        {with(30, 10), "unknown sector size"},
        {with(48, fatSectors * 128), "broken directory chain"},  // just past the last sector the FAT knows
        {with(48, 5000), "broken directory chain"},
        {withByte(512 * (directory + 1) + 66, 1), "no root entry"},  // the first entry is a storage, not the root
        {good.substr(0, 1024), "sector out of range"},
    };
    for (const auto& [content, why] : cases) {
        try {
            BalanceCompoundDirectory(content);
            ADD_FAILURE() << "no error for: " << why;
        } catch (const Error& e) {
            EXPECT_EQ(e.Description(), "Cannot balance the message file directory: " + why);
        }
    }
}

TEST(MsgFile, UnsentDraftHasNoSender) {
    TempDir dir;
    auto store = MakeStore(dir.Path() / "store");
    auto draft = store->AddItemFile("Drafts", DataFile("draft_ok.eml"));
    ExpectMsgMatchesEml(DataFile("draft_ok.eml"), SaveAsMsg(*store, draft, dir.Path() / "kladde.msg"));
}

}  // namespace
}  // namespace kv::mailstore::test
