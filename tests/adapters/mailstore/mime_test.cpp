// Reading .eml files: encoded words, charsets, bodies, attachments, dates and
// importance, and mails that are broken.
#include <glib.h>

#include <cstdlib>
#include <ctime>

#include "adapters/mailmsg/mail_data.hpp"
#include "adapters/mailmsg/mime_text.hpp"
#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

using namespace kv::mailmsg;

MailData Parse(const char* name) { return ParseMail(ReadFileText(DataFile(name))); }

TEST(MimeMail, HtmlOnlyMailGivesItsText) {
    auto mail = Parse("html_only.eml");
    EXPECT_EQ(mail.body, "Maj\r\nGrøn & blå\r\nLinje\u00a0to\r\ntre");
    EXPECT_EQ(mail.receivedTime->ToIso(), "2024-05-16 06:00:00");  // no Received: the Date
}

// Senders mark importance in three ways; the first of them present decides.
TEST(MimeMail, ImportanceFromEachKindOfHeader) {
    using namespace outlook::importance;
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"", Normal},
        {"Importance: High\r\n", High},
        {"Importance: low\r\n", Low},
        {"Importance: NORMAL\r\nX-Priority: 1\r\n", Normal},
        {"X-Priority: 1 (Highest)\r\n", High},
        {"X-Priority: 2\r\n", High},
        {"X-Priority: 3\r\nX-MSMail-Priority: High\r\n", Normal},
        {"X-Priority: 4\r\n", Low},
        {"X-Priority:  5 (Lowest)\r\n", Low},
        {"X-Priority: 0\r\n", Normal},
        {"X-Priority: høj\r\nX-MSMail-Priority: high\r\n", High},
        {"X-MSMail-Priority: Low\r\n", Low},
        {"X-MSMail-Priority: Normal\r\n", Normal},
    };
    for (const auto& [headers, expected] : cases)
        EXPECT_EQ(ParseMail("From: a@example.dk\r\nSubject: s\r\n" + headers + "\r\nx\r\n").importance, expected)
            << headers;
}

TEST(MimeMail, BrokenMimeGivesWhatItCan) {
    auto mail = Parse("broken.eml");
    EXPECT_EQ(mail.from->address, "broken@example.com");
    EXPECT_FALSE(mail.sentOn);
    EXPECT_FALSE(mail.receivedTime);
    // Whatever survives of the half attachment, it is never more than was sent.
    for (const auto& a : mail.attachments) EXPECT_LT(a.data.size(), 20u);
}

// Bytes with no mail header are no mail: refused naming the file, never
// filed as an empty one; through the store too.
TEST(MimeMail, EmptyBinaryAndHeaderGarbageAreRefused) {
    const std::string unreadable[] = {"",
                                      "\r\n\r\n",
                                      std::string("\x01\x02\xff\xfe\r\n\r\n\x00garbage", 16),
                                      "%PDF-1.4\n%\xe2\xe3\n1 0 obj\n",
                                      "just some text\nover two lines\n",
                                      "X-Foo: bar\r\nweird header: yes\r\n\r\nbody"};
    for (const auto& raw : unreadable) {
        try {
            ParseMail(raw, std::nullopt, "/mail/Inbox/x.eml");
            ADD_FAILURE() << "read as a mail: " << raw;
        } catch (const Error& e) {
            EXPECT_NE(e.Description().find("\"/mail/Inbox/x.eml\" (no mail headers;"), std::string::npos)
                << e.Description();
        }
    }
    EXPECT_EQ(Refusal([] {
                  PrepareForSend("", {"A", "a@b.dk"}, DateTime{2024, 1, 1, 0, 0, 0});
              }),
              "MailStore: The mail cannot be read and is not sent");
    TempDir dir;
    std::ofstream(dir.Path() / "tom.eml").close();
    auto store = MakeStore(dir.Path() / "store");
    auto wrapper = store->CreateMailWrapper();
    // Attaching the mail reads it, so the refusal comes before any saving.
    EXPECT_THROW(wrapper->SetItem(store->AddItemFile("Inbox", dir.Path() / "tom.eml")), Error);
    EXPECT_THROW(wrapper->SaveAs((dir.Path() / "tom.msg").string(), outlook::SaveAsMsg), Error);
    EXPECT_FALSE(fs::exists(dir.Path() / "tom.msg"));
}

TEST(MimeMail, MailsWithLittleInThemAreRead) {
    EXPECT_EQ(ParseMail("To: a@b.dk\r\n").recipients.size(), 1u);
    std::string noBody = "Subject: =?UTF-8?B?w6bDuMOl?=";
    EXPECT_EQ(ParseMail(noBody).subject, "æøå");
    // A raw 8-bit Latin-1 header falls back to Windows-1252.
    EXPECT_EQ(ParseMail("Subject: K\xf8kken\r\n\r\nx").subject, "Køkken");
    // The date a relay stamped starts right after its semicolon, blank or not.
    EXPECT_EQ(ParseMail("Received: by mx.b.dk id 4713;14 May 2024 09:15:30 +0200\r\n\r\nx").receivedTime,
              (DateTime{2024, 5, 14, 7, 15, 30}));
    // A text marked as an attachment is one, even without a name.
    const MailData marked =
        ParseMail("From: a@b.dk\r\nContent-Type: text/plain\r\nContent-Disposition: attachment\r\n\r\nx");
    EXPECT_EQ(marked.body, "");
    EXPECT_EQ(marked.attachments.size(), 1u);
    // Escaped quotes inside a quoted name neither end the name nor split the list.
    const MailData quoted = ParseMail("From: a@b.dk\r\nTo: \"Kim \\\"K\\\" Hansen\" <kim@x.dk>, b@y.dk\r\n\r\nx");
    ASSERT_EQ(quoted.recipients.size(), 2u);
    EXPECT_EQ(quoted.recipients[0].name, "Kim \"K\" Hansen");
    // A quoted name alone is a name without an address, as an unquoted one
    // is; an empty one is nobody.
    const MailData nameOnly = ParseMail("To: \"Kontoret\", \"\", Peter Jensen\r\n\r\nx");
    ASSERT_EQ(nameOnly.recipients.size(), 2u);
    for (const auto& [recipient, name] :
         {std::pair{nameOnly.recipients[0], "Kontoret"}, {nameOnly.recipients[1], "Peter Jensen"}}) {
        EXPECT_EQ(recipient.name, name);
        EXPECT_EQ(recipient.address, "");
    }
}

// Mails forwarded inside each other are read sixteen levels deep; below that
// the rest is kept as it came, so no mail can nest the reader to death.
TEST(MimeMail, NestingStopsAtSixteenLevelsKeepingTheRest) {
    std::string raw = "Subject: bund\r\n\r\nx\r\n";
    for (int level = 17; level >= 1; --level)
        raw = "Subject: " + std::to_string(level) + "\r\nContent-Type: multipart/mixed; boundary=b" +
              std::to_string(level) + "\r\n\r\n--b" + std::to_string(level) +
              "\r\nContent-Type: message/rfc822\r\nContent-Disposition: attachment; filename=\"videre.eml\"\r\n\r\n" +
              raw + "\r\n--b" + std::to_string(level) + "--\r\n";
    const MailData* mail = nullptr;
    MailData top = ParseMail(raw);
    int depth = 0;
    for (mail = &top; mail->attachments.size() == 1 && mail->attachments[0].message; ++depth)
        mail = mail->attachments[0].message.get();
    EXPECT_EQ(depth, 16);
    EXPECT_EQ(top.attachments[0].fileName, "videre.eml");
    ASSERT_EQ(mail->attachments.size(), 1u);
    EXPECT_NE(std::string(mail->attachments[0].data.begin(), mail->attachments[0].data.end()).find("Subject: bund"),
              std::string::npos);
}

TEST(MimeMail, HtmlToTextAndAddressCheck) {
    EXPECT_EQ(HtmlToText("<script>x<y</script>a&lt;b &#x263A; &bogus; <p>c"), "a<b \u263a &bogus;\nc");
    EXPECT_EQ(HtmlToText("unterminated <b"), "unterminated");
    EXPECT_EQ(HtmlToText("<HEAD><Title>t</TITLE><STYLE>p{}</style></head><table><tr><td>a</td><td>b</td></tr>"
                         "<tr><th>c</th><td> d </td></tr></table>"),
              "a\tb\nc\td");
    EXPECT_EQ(HtmlToText("x<!-- <p>skjult</p> -->y &ndash; z"), "xy \u2013 z");
    EXPECT_EQ(HtmlToText("<h2>a</h2>b<style>no end"), "a\nb");
    EXPECT_EQ(HtmlToText("<style>p</</style>efter"), "efter");
    EXPECT_EQ(HtmlToText("<head><meta charset=x><body>Hej"), "Hej");  // a head left open ends at the body
    EXPECT_EQ(HtmlToText("a&#0;b"), "a\uFFFDb");
    // A block opened or closed starts a line; an inline tag does not.
    for (const char* tag : {"p",   "/p", "div", "/div",  "tr",     "/tr",        "li",          "/li", "h1",
                            "/h1", "h2", "/h2", "h3",    "/h3",    "h4",         "/h4",         "hr",  "ul",
                            "/ul", "ol", "/ol", "table", "/table", "blockquote", "/blockquote", "pre", "/pre"})
        EXPECT_EQ(HtmlToText(std::string("a<") + tag + ">b"), "a\nb") << tag;
    EXPECT_EQ(HtmlToText("a<span>b</span>c"), "abc");
    // Up to 8 digits, zeros leading as in browsers.
    EXPECT_EQ(HtmlToText("&#00000065;&#99999999;&#x10FFFF0;&#;&#x;<h3>&#000000065;</h3>b"),
              "A\uFFFD\uFFFD&#;&#x;\n&#000000065;\nb");
    EXPECT_EQ(
        WithUtf8Charset("<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"><p>charset=x"),
        "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><p>charset=x");
    EXPECT_EQ(WithUtf8Charset("<meta charset='iso-8859-1'>"), "<meta charset='utf-8'>");
    // Every declaration is changed, however much shorter the first one became.
    EXPECT_EQ(WithUtf8Charset("<meta charset=\"windows-1252\"><meta content=\"text/html; charset=iso-8859-15\">"),
              "<meta charset=\"utf-8\"><meta content=\"text/html; charset=utf-8\">");
    EXPECT_TRUE(IsValidAddress("karen@tolvenor.dk"));
    for (const char* bad : {"", "karen", "@tolvenor.dk", "karen@", "karen@tolvenor", "a b@c.dk", "a@b@c.dk", "a@.dk"})
        EXPECT_FALSE(IsValidAddress(bad)) << bad;
}

MailData Corpus(const char* name) { return ParseMail(ReadFileText(DataFile(std::string("corpus/") + name))); }

TEST(MimeMail, EncodedWordRunsDecodeWhole) {
    const struct {
        const char* raw;
        const char* text;
    } cases[] = {
        {"=?UTF-8?B?YWIgZA==?= =?UTF-8?B?ZXJlIGVmdGVy?=", "ab dere efter"},
        {"=?UTF-8?B?YWIgZA==?=\r\n =?UTF-8?B?ZXJlIGVmdGVy?= tak", "ab dere efter tak"},
        {"=?ISO-8859-1?Q?K=F8kken_?= =?ISO-8859-1?Q?og_bad?=", "Køkken og bad"},
        {"=?UTF-8?B?w6Y=?= =?UTF-8?Q?=C3=B8?=", "æø"},
        {"=?UTF-8?B?w6bD?= =?UTF-8?B?uA==?=", "æø"},  // one character split between two words
        {"Pris =?utf-8?q?=E2=82=AC?= 10", "Pris € 10"},
        {"=?utf-8*da?Q?M=C3=B8de?=", "Møde"},
        {"=?koi8-r*ru?Q?=F0=D2=C9=D7=C5=D4?=", "Привет"},     // the language is no part of the charset
        {"=?utf-8?q?K=c3=b8b_=3d_=3Dsalg?=", "Køb = =salg"},  // hex digits in either case
        {"=?utf-8?q?100=?=", "100="},                         // a lone "=" stays
        {"not =? encoded ?= at all", "not =? encoded ?= at all"},
        {"=?UTF-8?Q?never_closed", "=?UTF-8?Q?never_closed"},
        {"", ""},
        // A bad word spoils only its own bad bytes; an escape-shifted word is read alone.
        {"=?UTF-8?Q?K=F8b?= =?UTF-8?Q?_og_salg?=", "K\uFFFDb og salg"},
        {"=?x-unknown?Q?abc?= =?ISO-2022-JP?Q?=1B$B-!=1B(B?=", "abc\u2460"},
        {"=?ISO-2022-JP?Q?=1B$B-j?= =?ISO-2022-JP?Q?ab?=", "\u3231ab"},
        {"=?ISO-2022-JP?Q?=1B$B-?= =?UTF-8?Q?=C3=A6?=", "\uFFFD\u00e6"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeHeaderText(c.raw), c.text) << c.raw;
    EXPECT_EQ(Corpus("03_webmail_split_subject.eml").subject, "ab dere efter mødet på fabrikken");
}

// Labels as mailers write them, read as the Windows code page behind them;
// what is still wrong becomes one U+FFFD per bad sequence, never raw bytes.
TEST(MimeMail, CharsetsAreReadAsWindowsReadsThem) {
    const struct {
        const char* bytes;
        const char* charset;
        const char* text;
    } cases[] = {
        {"\x1B$B-j-!-b\x1B(I12\x1B(B.", "ISO-2022-JP", "\u3231\u2460\u2116\uff71\uff72."},
        {"\x1B$By!\x1B(B\x0E"
         "12\x0F"
         "3",
         "csISO2022JP", "\u7e8a\uff71\uff723"},                       // IBM row 89; SO/SI katakana
        {"\x1B$(D0!\x1B(Bx\x1B$B-", "iso-2022-jp", "\uFFFDx\uFFFD"},  // JIS X 0212; cut pair
        {"a\x1B(Zb", "ISO-2022-JP", "a\uFFFD(Zb"},                    // an escape of no known set
        {"\x1B$B!_!`\x1B(B", "ISO-2022-JP", "\u00d7\u00f7"},          // both sides of the skipped trail byte
        {"\x87\x40", "Shift_JIS", "\u2460"},
        {"\xE9\x46\x80", "GB2312", "\u9555\u20ac"},
        {"\xF9\xD6\xA3\xE1", "\"big5\"", "\u7881\u20ac"},
        {"\x8C\x63", "ks_c_5601-1987", "\ub620"},
        {"\x93x\x94 \x80", "us-ascii", "\u201cx\u201d \u20ac"},
        {"caf\xe9", "ISO-8859-1", "caf\u00e9"},
        {"caf\xe9 \xE6\x97", "utf-8", "caf\uFFFD \uFFFD"},
        {"ab\xff\xff"
         "cd",
         "gbk", "ab\uFFFD\uFFFDcd"},
        {"caf\xc3\xa9", "x-unknown", "caf\u00e9"},
        {"caf\xe9", "", "caf\u00e9"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToUtf8(c.bytes, c.charset), c.text) << c.charset << " " << c.bytes;
}

// A winmail.dat that cannot be read stays attached as it came, with one log line.
TEST(MimeMail, DamagedWinmailDatIsKeptWholeAndLoggedOnce) {
    std::string eml = ReadFileText(DataFile("corpus/29_outlook_tnef_rtf.eml"));
    auto begin = eml.find("\r\n\r\n", eml.find("winmail.dat\"\r\nContent-Transfer")) + 4;
    auto end = eml.find("\r\n\r\n--", begin);
    gsize length = 0;
    guchar* decoded = g_base64_decode(eml.substr(begin, end - begin).c_str(), &length);
    const std::string tnef(reinterpret_cast<char*>(decoded), length);
    g_free(decoded);
    std::string flipped = tnef;
    flipped[tnef.size() / 2] ^= 0x55;
    const std::pair<const char*, std::string> cases[] = {{"cut short", tnef.substr(0, tnef.size() - 40)},
                                                         {"no signature", "XX" + tnef.substr(2)},
                                                         {"three bytes", tnef.substr(0, 3)},
                                                         {"a byte changed", flipped}};
    static std::vector<std::string> lines;
    guint handler = g_log_set_handler(
        "kv-mailmsg", G_LOG_LEVEL_MASK,
        [](const gchar*, GLogLevelFlags, const gchar* text, gpointer) { lines.emplace_back(text); }, nullptr);
    for (const auto& [what, damaged] : cases) {
        lines.clear();
        gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(damaged.data()), damaged.size());
        auto mail = ParseMail(eml.substr(0, begin) + encoded + eml.substr(end), std::nullopt, "x.eml");
        g_free(encoded);
        ASSERT_EQ(mail.attachments.size(), 1u) << what;
        EXPECT_EQ(mail.attachments[0].fileName, "winmail.dat") << what;
        EXPECT_TRUE(mail.attachments[0].data == Bytes(damaged.begin(), damaged.end())) << what;
        EXPECT_TRUE(mail.rtfCompressed.empty()) << what;
        ASSERT_EQ(lines.size(), 1u) << what;
        EXPECT_NE(lines[0].find("x.eml: winmail.dat"), std::string::npos) << lines[0];
    }
    g_log_remove_handler("kv-mailmsg", handler);
}

// Both names the TNEF type goes by are unpacked.
TEST(MimeMail, WinmailDatUnderEitherTypeNameIsUnpacked) {
    const std::string eml = ReadFileText(DataFile("corpus/29_outlook_tnef_rtf.eml"));
    const std::string type = "application/ms-tnef";
    const auto at = eml.find(type);
    ASSERT_NE(at, std::string::npos);
    for (const std::string& name : {type, std::string("application/vnd.ms-tnef")}) {
        const auto mail = ParseMail(eml.substr(0, at) + name + eml.substr(at + type.size()), std::nullopt, "x.eml");
        ASSERT_EQ(mail.attachments.size(), 2u) << name;
        for (const auto& attachment : mail.attachments) EXPECT_NE(attachment.fileName, "winmail.dat") << name;
    }
}

// S/MIME signed or encrypted whole still shows a body of its own (the corpus
// comparison checks the class and the kept entity, and leaves these bodies to us).
TEST(MimeMail, OpaqueSmimeMailShowsItsOwnBody) {
    EXPECT_EQ(Corpus("31_smime_opaque_signed.eml").body.rfind("Denne mail er signeret", 0), 0u);
    EXPECT_EQ(Corpus("32_smime_encrypted.eml").body.rfind("Denne mail er krypteret", 0), 0u);
    // Signed another way than S/MIME, a mail is read as its parts.
    const MailData pgp = ParseMail(
        "From: a@b.dk\r\nContent-Type: multipart/signed; protocol=\"application/pgp-signature\"; boundary=s\r\n\r\n"
        "--s\r\nContent-Type: text/plain\r\n\r\nHej\r\n--s\r\nContent-Type: application/pgp-signature; "
        "name=signature.asc\r\n\r\nsig\r\n--s--\r\n");
    EXPECT_EQ(pgp.body, "Hej");
    ASSERT_EQ(pgp.attachments.size(), 1u);
    EXPECT_EQ(pgp.attachments[0].fileName, "signature.asc");
}

TEST(MimeMail, FileNameParameters) {
    const struct {
        const char* header;
        const char* name;
    } cases[] = {
        {"attachment; filename=\"a \\\"b\\\";c.txt\"; size=3", "a \"b\";c.txt"},
        {"attachment; FileName = plain.txt", "plain.txt"},
        {"attachment; filename*0*=utf-8''k%C3%B8; filename*1=\"kken .pdf\"; filename=\"x\"", "køkken .pdf"},
        {"attachment; filename*=iso-2022-jp''%1B%24B-j%1B%28B.txt", "\u3231.txt"},
        {"attachment; filename=\"=?ISO-8859-1?Q?K=F8b.pdf?=\"", "Køb.pdf"},
        {"attachment; filename*99999999999=x; name=y", ""},
        {"attachment; filename*1000=x; filename=y", "y"},  // no mailer writes a thousand pieces
        {"inline", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ParameterText(c.header, "filename"), c.name) << c.header;
}

TEST(MimeMail, EveryPartIsKeptAndNamelessOnesGetNames) {
    auto scan = Corpus("05_nameless_parts.eml");
    EXPECT_EQ(scan.body, "Scanned document attached.");  // the later text part is no body
    std::vector<std::string> names;
    for (const auto& a : scan.attachments) names.push_back(a.fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"ATT00001.bin", "ATT00002.pdf", "ATT00003.txt"}));
}

TEST(MimeMail, ForwardedMailsAreEmbeddedRecursively) {
    auto mail = Corpus("06_nested_forwards.eml");
    ASSERT_EQ(mail.attachments.size(), 1u);
    const auto& first = mail.attachments[0];
    ASSERT_TRUE(first.message);
    EXPECT_EQ(first.fileName, "Fwd: Oprindelig forespørgsel");  // the rest is compared with the corpus
}

TEST(MimeMail, SubjectPrefixes) {
    const struct {
        const char* subject;
        const char* prefix;
    } cases[] = {{"Re: Møde", "Re: "},
                 {"SV: VS: Tilbud", "SV: VS: "},
                 {"AW:Fwd:  x", "AW:Fwd:  "},
                 {"RE[2]: x", "RE[2]: "},
                 {"Referat: x", ""},
                 {"Info: x", ""},
                 {"Re x", ""},
                 {"", ""},
                 {"fw: ", "fw: "},
                 {"RES: x", "RES: "}};
    for (const auto& c : cases) EXPECT_EQ(SubjectPrefix(c.subject), c.prefix) << c.subject;
    auto reply = Corpus("18_reply_chain_subject.eml");
    EXPECT_NE(reply.headers.find("In-Reply-To: <m1@tolvenor.dk>\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kv::mailstore::test
