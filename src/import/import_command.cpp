// RunImport: the mails of the source saved as .msg files into the chosen
// folder and recorded one by one, then moved to Deleted Items when asked.
// The step number names where a failure happened in the caller's message.
#include "import/import_command.hpp"

#include <memory>
#include <string>
#include <vector>

#include "import/duplicate_check.hpp"
#include "import/import_support.hpp"
#include "import/msg_file_name.hpp"
#include "import/record_writer.hpp"
#include "support/clean_file_name.hpp"

namespace kv {

namespace {

constexpr const char* kAlreadyImported = " findes allerede i databasen, Vil du alligevel importerer det";

// One run over the source's mails.
class ImportRun {
public:
    ImportRun(AddinContext& ctx, const ImportChoice& choice, const ImportSource& source, ImportProgress& progress)
        : ctx_(ctx), choice_(choice), source_(source), step_(progress.step), progress_(progress) {}

    bool Run();

private:
    // Each false when the run ended at a recording failure.
    bool ImportSingle();
    bool ImportSelection();
    void MoveImported();

    // The mail's time and sender, read once (its subject is read first, to
    // show it).
    void ReadTimeAndSender(outlook::MailWrapper& mail, MailFacts& facts);
    // Whether the mail is to be imported: yes unless Korvane already holds
    // it and the user declines.
    bool ConfirmImport(const MailFacts& facts, const std::string& question);
    struct SaveSteps {
        int name, save, record;
    };
    // Saves the mail under a free name and records it; false when UpdateDB failed.
    bool SaveAndRecord(SaveSteps steps, outlook::MailWrapper& mail, const MailFacts& facts);
    std::int32_t RessId() const;

    AddinContext& ctx_;
    const ImportChoice& choice_;
    const ImportSource& source_;
    int& step_;
    ImportProgress& progress_;
    std::vector<std::string> imported_;  // EntryIDs of the filed mails, kept only to move them
};

bool ImportRun::Run() {
    step_ = 7;
    const bool recorded = source_.oneMail ? ImportSingle() : ImportSelection();
    if (recorded) MoveImported();
    return recorded;
}

bool ImportRun::ImportSingle() {
    step_ = 8;
    const std::shared_ptr<outlook::Item>& item = source_.mail;
    if (!item) throw ObjectNotSet("no mail to import");
    if (item->Class() != outlook::itemclass::Mail) return true;
    step_ = 9;
    std::unique_ptr<outlook::MailWrapper> reader = ctx_.MailWrappers().CreateMailWrapper();
    reader->SetItem(item);
    MailFacts facts;
    facts.subject = reader->Subject();
    step_ = 10;
    ReadTimeAndSender(*reader, facts);
    const bool import = ConfirmImport(facts, std::string("Mail") + kAlreadyImported);
    step_ = 11;
    if (!import) return true;
    if (SaveAndRecord({11, 12, 12}, *reader, facts)) return true;
    step_ = 13;
    return false;
}

bool ImportRun::ImportSelection() {
    step_ = 14;
    if (!source_.explorer) throw ObjectNotSet("no explorer to import from");
    const std::shared_ptr<outlook::Selection> selection = source_.explorer->GetSelection();
    const std::int32_t count = selection->Count();
    // Down on every way out: the end of the selection, a mail that could not
    // be recorded, a failure.
    ui::ProgressScope progress(ctx_.Prompts());
    for (std::int32_t i = 0; i < count; ++i) {
        // The step number stays where the previous mail left it.
        const std::shared_ptr<outlook::Item> item = selection->Item(i + 1);
        if (item->Class() != outlook::itemclass::Mail) continue;
        step_ = 15;
        std::unique_ptr<outlook::MailWrapper> reader = ctx_.MailWrappers().CreateMailWrapper();
        step_ = 16;
        reader->SetItem(item);
        MailFacts facts;
        facts.subject = reader->Subject();
        if (count > 1) progress.Show(i + 1, count, facts.subject);
        step_ = 17;
        ReadTimeAndSender(*reader, facts);
        if (!ConfirmImport(facts, "Mail " + facts.subject + kAlreadyImported)) continue;
        step_ = 18;
        // Read whether or not it is kept, as a host that refuses it stops the run here.
        std::string entryId = item->EntryID();
        if (choice_.deleteAfter) imported_.push_back(std::move(entryId));
        if (SaveAndRecord({19, 20, 21}, *reader, facts)) continue;
        step_ = 22;
        return false;
    }
    return true;
}

void ImportRun::ReadTimeAndSender(outlook::MailWrapper& mail, MailFacts& facts) {
    facts.received = mail.ReceivedTime();
    facts.sender = GetSenderName(ctx_, mail);
}

std::int32_t ImportRun::RessId() const {
    if (!choice_.ressId) throw ObjectNotSet("no resource selected");
    return *choice_.ressId;
}

bool ImportRun::ConfirmImport(const MailFacts& facts, const std::string& question) {
    const std::int32_t ressId = RessId();
    const bool isJob = choice_.jobId > 0;
    if (!IsMailImported(RequireConnection(ctx_), facts.subject, facts.sender, facts.received,
                        isJob ? choice_.jobId : ressId, isJob))
        return true;
    return ctx_.Prompts().MsgBox(question, ui::Buttons::YesNo, ui::Icon::None) == ui::Answer::Yes;
}

bool ImportRun::SaveAndRecord(SaveSteps steps, outlook::MailWrapper& mail, const MailFacts& facts) {
    step_ = steps.name;
    const std::string base =
        SafeFileBase(CleanFileName(facts.subject.empty() ? std::string("Ingen emne") : facts.subject));
    const FileNameLimits& limits = ctx_.Files().Paths().limits;
    const MsgFileName free = FirstFreeMsgFile(ctx_.Files(), choice_.folderPath, base, limits);
    step_ = steps.save;
    std::unique_ptr<outlook::MailWrapper> saver = ctx_.MailWrappers().CreateMailWrapper();
    saver->SetItem(mail.GetItem());
    const std::string file =
        SaveMsgWithoutReplacing(ctx_.Files(), *saver, choice_.folderPath, base, free.number, limits);
    saver.reset();
    step_ = steps.record;
    const RecordTarget target{choice_.ressId, choice_.jobId, choice_.subFolder};
    if (!UpdateDB(ctx_, file, mail, facts, target)) return false;
    ++progress_.filed;
    return true;
}

void ImportRun::MoveImported() {
    step_ = 23;
    if (!choice_.deleteAfter) return;
    if (source_.oneMail) {
        const auto deleted = source_.mail->GetApplication()->GetNamespace("MAPI")->GetDefaultFolder(
            outlook::defaultfolder::DeletedItems);
        step_ = 24;
        source_.mail->Move(*deleted);
        step_ = 25;
        return;
    }
    step_ = 26;
    const auto ns = source_.explorer->GetApplication()->GetNamespace("MAPI");
    const auto deleted = ns->GetDefaultFolder(outlook::defaultfolder::DeletedItems);
    step_ = 27;
    for (const std::string& entryId : imported_) {
        step_ = 28;
        // Looked up again: the selection may have changed under the moves.
        if (!entryId.empty()) ns->GetItemFromID(entryId)->Move(*deleted);
        step_ = 29;
    }
    step_ = 30;
}

}  // namespace

bool RunImport(AddinContext& ctx, const ImportChoice& choice, const ImportSource& source, ImportProgress& progress) {
    return ImportRun(ctx, choice, source, progress).Run();
}

}  // namespace kv
