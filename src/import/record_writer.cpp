#include "import/record_writer.hpp"

#include <limits>
#include <memory>

#include "import/import_support.hpp"
#include "settings/user_name.hpp"
#include "support/clean_file_name.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"

namespace kv {

namespace {

constexpr std::int32_t kIconIdMsg = 34;

// The file's name without folder and with every ".msg" taken out.
std::string DocTitleOf(const std::string& fileName) {
    std::string title;
    std::size_t from = 0;
    for (std::size_t at; (at = fileName.find(".msg", from)) != std::string::npos; from = at + 4) {
        title.append(fileName, from, at - from);
    }
    title.append(fileName, from);
    return title;
}

Value TextOrNull(std::string text) { return text.empty() ? Value::MakeNull() : Value(std::move(text)); }

Value FileSizeValue(std::int64_t size) {
    if (size <= std::numeric_limits<std::int32_t>::max()) return Value(static_cast<std::int32_t>(size));
    return Value(static_cast<double>(size));
}

// A row left by a failed procedure call keeps its key, and the procedure
// would take that row for this one: draw again while the key is in use.
std::int32_t FreeOrdId(db::Connection& connection, RandomSource& random, std::int32_t userRessId) {
    constexpr int kDraws = 1000;
    for (int draw = 0; draw < kDraws; ++draw) {
        const std::int32_t ordId = MakeOrdId(random.Next(), userRessId);
        // One text for every draw, so the database prepares it once.
        auto rs = connection.Execute("SELECT OrdId FROM DocMailImport WHERE OrdId = ?", {Value(ordId)});
        const bool taken = !rs->EndOfFile();
        rs->Close();
        if (!taken) return ordId;
    }
    throw Error(errnum::Unexpected, "UpdateDB",
                "No free OrdId in DocMailImport after " + std::to_string(kDraws) + " draws");
}

}  // namespace

std::int32_t MakeOrdId(float r, std::int32_t userRessId) {
    const auto factor = static_cast<std::int32_t>(r * 32767.0f);
    return factor * 32767 + (userRessId & 32767);
}

bool UpdateDB(AddinContext& ctx, const std::string& file, outlook::MailWrapper& mail, const MailFacts& facts,
              const RecordTarget& target) {
    int step = 0;
    bool result = false;
    std::unique_ptr<db::InsertSet> set;
    ReportAndStop(
        [&] {
            const std::int32_t ordId = FreeOrdId(RequireConnection(ctx), ctx.Random(), ctx.gUserRessId);
            FileSystem& files = ctx.Files();
            if (!files.FileExists(file)) throw Error(fserr::FileNotFound, "UpdateDB", "File not found: " + file);
            set = RequireConnection(ctx).OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
            set->AddNew();

            step = 1;
            const std::string fileName = LastPathComponent(file);
            set->SetField("DocTitle", Value(DocTitleOf(fileName)));
            set->SetField("DocAuthorId", Value(ctx.gUserRessId));
            if (!target.ressId) throw ObjectNotSet("no resource selected");
            set->SetField("ResId", Value(*target.ressId));
            if (target.jobId > 0) set->SetField("JobId", Value(target.jobId));
            set->SetField("DocDate", Value(ctx.Time().Now()));
            set->SetField("FExt", Value("msg"));
            if (!target.subFolder.empty()) set->SetField("SubFld", Value(target.subFolder));
            set->SetField("FSize", FileSizeValue(files.FileSize(file)));
            set->SetField("FName", Value(fileName));
            set->SetField("IconID", Value(kIconIdMsg));

            const std::shared_ptr<outlook::Item> item = mail.GetItem();
            step = 2;
            set->SetField("Subject", Value(StoredSubject(facts.subject)));
            step = 3;
            set->SetField("Sender", Value(facts.sender));
            step = 4;
            set->SetField("Received", Value(facts.received));
            step = 5;
            set->SetField("Attachments", Value(mail.AttachmentCount()));
            step = 6;
            set->SetField("Importance", Value(item->Importance()));
            step = 7;
            set->SetField("mailto", TextOrNull(mail.To()));
            set->SetField("mailcc", TextOrNull(mail.Cc()));
            set->SetField("mailbcc", TextOrNull(mail.Bcc()));
            step = 8;
            set->SetField("Body", Value(mail.Body()));
            step = 9;
            set->SetField("OrdId", Value(ordId));

            step = 10;
            set->Update();
            set->Close();

            step = 11;
            auto call = RequireConnection(ctx).CreateProcedureCall("DocMailImportExec");
            call->Refresh();
            call->SetParameter(1, Value(ordId));
            call->Execute();
            const Value returned = call->Parameter(0);
            // A missing return value is no success either.
            result = !returned.IsNull() && !returned.IsEmpty() && returned.ToInt() == 0;
            step = 12;
        },
        [&](const Error& e) {
            ctx.Prompts().MsgBox(e.Description(), ui::Buttons::OK, ui::Icon::None, "UpdateDB");
            ctx.gLog.WriteToLog("UpdateDB (" + std::to_string(step) + "): " + e.Description(), 1,
                                static_cast<std::int32_t>(LogType::Error));
            result = false;
        });
    if (set)
        IgnoreStepLogged(ctx.gLog, "UpdateDB", [&] {
            if (set->State() == 1) set->Close();
        });
    return result;
}

std::string GetSenderName(AddinContext& ctx, outlook::MailWrapper& mail) {
    std::string result;
    ReportAndStop(
        [&] {
            std::unique_ptr<outlook::AddressEntry> sender = outlook::SenderOfSentMail(mail);
            if (!sender) {
                result = settings::UserName(RequireConnection(ctx), ctx.gUserRessId);
                return;
            }
            std::string name = mail.SenderName();
            if (name.empty()) name = sender->Name();
            const std::string address = sender->Address();
            result = address.find('@') != std::string::npos ? name + " [" + address + "]" : name;
            sender->Close();
        },
        [&](const Error& e) {
            ctx.gLog.WriteToLog("GetSenderName: " + e.Description(), 1, static_cast<std::int32_t>(LogType::Error));
            result.clear();
        });
    return result;
}

}  // namespace kv
