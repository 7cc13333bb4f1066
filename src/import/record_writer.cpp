// UpdateDB writes the DocMailImport row of one saved mail and lets the
// database file it; GetSenderName forms the sender text that row stores and
// the duplicate check compares.
#include <limits>
#include <memory>

#include "dialog/frmKorvane.hpp"
#include "support/clean_file_name.hpp"
#include "import/import_support.hpp"
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
        auto rs = connection.Execute("SELECT OrdId FROM DocMailImport WHERE OrdId = " + std::to_string(ordId));
        const bool taken = !rs->EndOfFile();
        rs->Close();
        if (!taken) return ordId;
    }
    throw Error(errnum::Unexpected, "UpdateDB", "No free OrdId in DocMailImport after " + std::to_string(kDraws) + " draws");
}

}  // namespace

std::int32_t MakeOrdId(float r, std::int32_t userRessId) {
    const auto factor = static_cast<std::int32_t>(r * 32767.0f);
    return factor * 32767 + (userRessId & 32767);
}

bool frmKorvane::UpdateDB(const std::string& file, outlook::MailWrapper& mail, const std::string& subFolder,
                          std::int32_t jobId) {
    int step = 0;
    bool result = false;
    std::unique_ptr<db::InsertSet> set;
    ReportAndStop(
        [&] {
            const std::int32_t ordId = FreeOrdId(RequireConnection(ctx_), ctx_.Random(), ctx_.gUserRessId);
            FileSystem& files = ctx_.Files();
            if (!files.FileExists(file)) throw Error(fserr::FileNotFound, "UpdateDB", "File not found: " + file);
            set = RequireConnection(ctx_).OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
            set->AddNew();

            step = 1;
            const std::string fileName = LastPathComponent(file);
            set->SetField("DocTitle", Value(DocTitleOf(fileName)));
            set->SetField("DocAuthorId", Value(ctx_.gUserRessId));
            set->SetField("ResId", Value(SelectedRessId(c_)));
            if (jobId > 0) set->SetField("JobId", Value(jobId));
            set->SetField("DocDate", Value(ctx_.Time().Now()));
            set->SetField("FExt", Value("msg"));
            if (!subFolder.empty()) set->SetField("SubFld", Value(subFolder));
            set->SetField("FSize", FileSizeValue(files.FileSize(file)));
            set->SetField("FName", Value(fileName));
            set->SetField("IconID", Value(kIconIdMsg));

            const std::shared_ptr<outlook::Item> item = mail.GetItem();
            step = 2;
            const std::string subject = item->Subject();
            set->SetField("Subject", Value(StoredSubject(subject)));
            step = 3;
            set->SetField("Sender", Value(GetSenderName(mail)));
            step = 4;
            set->SetField("Received", Value(item->ReceivedTime()));
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
            auto call = RequireConnection(ctx_).CreateProcedureCall("DocMailImportExec");
            call->Refresh();
            call->SetParameter(1, Value(ordId));
            call->Execute();
            const Value returned = call->Parameter(0);
            // A missing return value is no success either.
            result = !returned.IsNull() && !returned.IsEmpty() && returned.ToInt() == 0;
            step = 12;
        },
        [&](const Error& e) {
            ctx_.Prompts().MsgBox(e.Description(), ui::Buttons::OK, ui::Icon::None, "UpdateDB");
            ctx_.gLog.WriteToLog("UpdateDB (" + std::to_string(step) + "): " + e.Description(), 1,
                                 static_cast<std::int32_t>(LogType::Error));
            result = false;
        });
    if (set) IgnoreStep([&] {
            if (set->State() == 1) set->Close();
        });
    return result;
}

std::string frmKorvane::GetSenderName(outlook::MailWrapper& mail) {
    std::string result;
    ReportAndStop(
        [&] {
            std::unique_ptr<outlook::AddressEntry> sender = outlook::SenderOfSentMail(mail);
            if (!sender) {
                result = GetUserName();
                return;
            }
            std::string name = mail.SenderName();
            if (name.empty()) name = sender->Name();
            const std::string address = sender->Address();
            result = address.find('@') != std::string::npos ? name + " [" + address + "]" : name;
            sender->Close();
        },
        [&](const Error& e) {
            ctx_.gLog.WriteToLog("GetSenderName: " + e.Description(), 1, static_cast<std::int32_t>(LogType::Error));
            result.clear();
        });
    return result;
}

}  // namespace kv
