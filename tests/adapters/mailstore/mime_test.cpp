// Reading .eml files: encoded words, charsets, bodies, attachments, dates and
// importance, and mails that are broken.
#include <cstdlib>
#include <ctime>

#include "adapters/mailstore/mail_data.hpp"
#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

MailData Parse(const char* name) { return ParseMail(ReadAll(DataFile(name))); }

TEST(MimeMail, Iso8859EncodedWordsAndQuotedPrintableBody) {
    auto mail = Parse("tilbud_iso8859.eml");
    EXPECT_EQ(mail.subject, "Tilbud på køkken æøå");
    ASSERT_TRUE(mail.from);
    EXPECT_EQ(mail.from->name, "Birgitte Møller");
    EXPECT_EQ(mail.from->address, "birgitte@byg-eksempel.dk");
    ASSERT_EQ(mail.recipients.size(), 2u);
    EXPECT_EQ(mail.recipients[0].name, "Søren Ærø");
    EXPECT_EQ(mail.recipients[0].address, "soren@tolvenor.dk");
    EXPECT_EQ(mail.recipients[1].name, "kontor@tolvenor.dk");  // no display name: the address
    EXPECT_EQ(mail.body, "Hej Søren\r\n\r\nHer er tilbuddet på køkkenet: æøå ÆØÅ.\r\n\r\nMvh\r\nBirgitte\r\n");
    // The first Received: header wins over Date: and the later Received:.
    EXPECT_EQ(mail.receivedTime->ToIso(), "2024-05-14 09:15:30");
    EXPECT_EQ(mail.sentOn->ToIso(), "2024-05-14 09:14:00");
    EXPECT_EQ(mail.importance, outlook::importance::Normal);
    EXPECT_EQ(mail.messageId, "tilbud-1@byg-eksempel.dk");
    EXPECT_TRUE(mail.attachments.empty());
}

TEST(MimeMail, Utf8MultipartWithAttachments) {
    auto mail = Parse("rapport_utf8.eml");
    EXPECT_EQ(mail.subject, "Rapport uge 20 - æøå");
    EXPECT_EQ(mail.from->name, "Åse Larsen");
    ASSERT_EQ(mail.recipients.size(), 4u);
    EXPECT_EQ(mail.recipients[1].type, outlook::Recipient::Cc);
    EXPECT_EQ(mail.recipients[2].name, "Jens Ødegaard");
    EXPECT_EQ(mail.recipients[3].type, outlook::Recipient::Bcc);
    // The plain alternative is the body, not the HTML one.
    EXPECT_EQ(mail.body, "Kære Søren\r\n\r\nVedlagt rapporten for uge 20 – se bilag.\r\n\r\nHilsen Åse\r\n");
    // Received in UTC, shown in local summer time.
    EXPECT_EQ(mail.receivedTime->ToIso(), "2024-05-15 16:02:11");
    EXPECT_EQ(mail.importance, outlook::importance::Low);
    ASSERT_EQ(mail.attachments.size(), 2u);
    EXPECT_EQ(mail.attachments[0].fileName, "data.bin");
    EXPECT_EQ(mail.attachments[0].mimeType, "application/octet-stream");
    EXPECT_EQ(mail.attachments[0].data, ReadBytes(DataFile("rapport_data.bin")));
    EXPECT_EQ(mail.attachments[1].fileName, "måling æø.csv");
    EXPECT_EQ(std::string(mail.attachments[1].data.begin(), mail.attachments[1].data.end()), "Måling;Værdi\nå;1\n");
}

TEST(MimeMail, HtmlOnlyMailGivesItsText) {
    auto mail = Parse("html_only.eml");
    EXPECT_EQ(mail.body, "Maj\r\nGrøn & blå\r\nLinje\u00a0to\r\ntre");
    EXPECT_EQ(mail.receivedTime->ToIso(), "2024-05-16 08:00:00");  // no Received: the Date
}

TEST(MimeMail, MissingSubjectAndXPriority) {
    auto mail = Parse("no_subject_priority.eml");
    EXPECT_EQ(mail.subject, "");
    EXPECT_EQ(mail.importance, outlook::importance::High);
    EXPECT_EQ(mail.body, "Ring mig.\r\n");
}

TEST(MimeMail, MissingFrom) {
    auto mail = Parse("no_from.eml");
    EXPECT_FALSE(mail.from);
    EXPECT_EQ(mail.subject, "Uden afsender");
}

TEST(MimeMail, BrokenMimeGivesWhatItCan) {
    auto mail = Parse("broken.eml");
    EXPECT_EQ(mail.from->address, "broken@example.com");
    EXPECT_FALSE(mail.sentOn);
    EXPECT_FALSE(mail.receivedTime);
    // Whatever survives of the half attachment, it is never more than was sent.
    for (const auto& a : mail.attachments) EXPECT_LT(a.data.size(), 20u);
}

TEST(MimeMail, GarbageEmptyAndBinaryInputNeverFail) {
    EXPECT_EQ(ParseMail("").subject, "");
    EXPECT_EQ(ParseMail("\x01\x02\xff\xfe\r\n\r\n\x00garbage").subject, "");
    std::string noBody = "Subject: =?UTF-8?B?w6bDuMOl?=";
    EXPECT_EQ(ParseMail(noBody).subject, "æøå");
    // A raw 8-bit Latin-1 header falls back to Windows-1252.
    EXPECT_EQ(ParseMail("Subject: K\xf8kken\r\n\r\nx").subject, "Køkken");
}

TEST(MimeMail, DraftFlagAndEightBitHeaders) {
    auto mail = Parse("draft_ok.eml");
    EXPECT_TRUE(mail.unsentFlag);
    EXPECT_EQ(mail.recipients[0].name, "Birgitte Møller");
    EXPECT_EQ(mail.subject, "Svar på tilbud");
}

TEST(MimeMail, PrepareForSendSetsSenderAndDateAndDropsDraftFlag) {
    std::string sent = PrepareForSend(ReadAll(DataFile("draft_ok.eml")), {"Karen Holm", "karen@tolvenor.dk"},
                                      DateTime{2024, 12, 24, 10, 30, 0});
    auto mail = ParseMail(sent);
    EXPECT_FALSE(mail.unsentFlag);
    EXPECT_EQ(mail.from->address, "karen@tolvenor.dk");
    EXPECT_EQ(mail.sentOn->ToIso(), "2024-12-24 10:30:00");
    EXPECT_EQ(mail.body, "Tak for tilbuddet – vi går videre.\r\n");
    EXPECT_THROW(PrepareForSend("", {"A", "a@b.dk"}, DateTime{2024, 1, 1, 0, 0, 0}), Error);
}

TEST(MimeMail, HtmlToTextAndAddressCheck) {
    EXPECT_EQ(HtmlToText("<script>x<y</script>a&lt;b &#x263A; &bogus; <p>c"), "a<b \u263a &bogus;\nc");
    EXPECT_EQ(HtmlToText("unterminated <b"), "unterminated");
    EXPECT_TRUE(IsValidAddress("karen@tolvenor.dk"));
    for (const char* bad : {"", "karen", "@tolvenor.dk", "karen@", "karen@tolvenor", "a b@c.dk", "a@b@c.dk", "a@.dk"})
        EXPECT_FALSE(IsValidAddress(bad)) << bad;
}

}  // namespace
}  // namespace kv::mailstore::test
