// The duplicate check of a batch of mails, and the filing of one uploaded
// mail through the import the add-in runs.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "adapters/mailstore/uploaded_mail.hpp"
#include "import/duplicate_check.hpp"
#include "import/import_command.hpp"
#include "import/import_support.hpp"
#include "service/folder_path.hpp"
#include "service/remembered_choices.hpp"
#include "service/request_values.hpp"
#include "service/routes.hpp"

namespace kv::service {

namespace {

constexpr std::size_t kMaxCheckedMails = 100;
constexpr const char* kUpdateFailed = "Der skete en fejl under importen til Korvane";
constexpr const char* kGeneralFailure = "Der opstod en fejl under importen til Korvane";

DateTime NowUtc() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    gmtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// "2024-03-05T14:07:09", optionally ending in "Z": UTC, whole seconds.
DateTime ReceivedTime(const nlohmann::json& value) {
    if (!value.is_string()) Refuse(422, "received must be a time text");
    const std::string text = value.get<std::string>();
    DateTime t{};
    char end = 0;
    const int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                              &t.second, &end);
    const bool shaped = text.size() >= 19 && text[4] == '-' && text[7] == '-' && text[10] == 'T' &&
                        (n == 6 || (n == 7 && end == 'Z' && text.size() == 20));
    if (!shaped || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59)
        Refuse(422, "received must read 2024-03-05T14:07:09 (UTC)");
    return t;
}

// The sender text the import records: the one sent, or built from name and
// address as the import builds it.
std::string SenderText(const nlohmann::json& mail) {
    if (mail.contains("sender")) {
        if (!mail.at("sender").is_string()) Refuse(422, "sender must be a text");
        return mail.at("sender").get<std::string>();
    }
    const nlohmann::json name = mail.value("senderName", nlohmann::json(""));
    const nlohmann::json address = mail.value("senderAddress", nlohmann::json(""));
    if (!name.is_string() || !address.is_string()) Refuse(422, "senderName and senderAddress must be texts");
    const std::string addressText = address.get<std::string>();
    const std::string shown = name.get<std::string>().empty() ? addressText : name.get<std::string>();
    return addressText.find('@') != std::string::npos ? shown + " [" + addressText + "]" : shown;
}

DuplicateAnswer DuplicateAnswerOf(const std::string& text) {
    if (text == "ask") return DuplicateAnswer::Ask;
    if (text == "file") return DuplicateAnswer::File;
    if (text == "skip") return DuplicateAnswer::Skip;
    Refuse(400, "duplicate must be ask, file or skip");
}

}  // namespace

ApiReply PostMailCheck(RequestContext& request, const ApiRequest& api) {
    const nlohmann::json body = JsonObjectBody(api);
    const std::optional<std::int32_t> ressId = MemberNumber(body, "ressId");
    const std::int32_t jobId = MemberNumber(body, "jobId").value_or(0);
    if (!ressId) Refuse(422, "ressId is missing");
    const nlohmann::json mails = body.value("mails", nlohmann::json());
    if (!mails.is_array()) Refuse(422, "mails must be a list");
    if (mails.size() > kMaxCheckedMails) Refuse(413, "At most 100 mails at a time");
    request.RequireListedTarget(*ressId, jobId);

    nlohmann::json results = nlohmann::json::array();
    for (const nlohmann::json& mail : mails) {
        if (!mail.is_object()) Refuse(422, "each mail must be an object");
        const nlohmann::json subject = mail.value("subject", nlohmann::json(""));
        if (!subject.is_string()) Refuse(422, "subject must be a text");
        const bool isJob = jobId > 0;
        const bool filedBefore =
            IsMailImported(request.Db(), subject.get<std::string>(), SenderText(mail),
                           ReceivedTime(mail.value("received", nlohmann::json())), isJob ? jobId : *ressId, isJob);
        results.push_back({{"id", mail.value("id", nlohmann::json())}, {"filedBefore", filedBefore}});
    }
    return JsonReply(200, {{"results", results}});
}

ApiReply PostMail(RequestContext& request, const ApiRequest& api) {
    const std::int32_t ressId = QueryNumber(api, "ressId");
    const std::int32_t jobId = QueryNumber(api, "jobId", 0);
    const std::string folder = QueryText(api, "folder");
    const DuplicateAnswer answer = DuplicateAnswerOf(QueryText(api, "duplicate", "ask"));
    if (!IsContentType(api.contentType, "message/rfc822")) Refuse(415, "Send the mail as message/rfc822");
    if (api.body.empty()) Refuse(422, "The mail is empty");
    std::shared_ptr<outlook::Item> mail;
    try {
        mail = mailstore::ReadUploadedMail(api.body, NowUtc());
    } catch (const Error& e) {
        Refuse(422, e.Description());
    }

    AddinContext& ctx = request.Ctx();
    const Folder root = DocumentFolder(request, ressId, jobId);
    const Folder target = ResolveFolder(ctx.Files(), root, folder, {ctx.gJobFolderName, ctx.gJobFolderNameArkiv});
    // The choice as the dialog gathers it from its tree.
    ImportChoice choice;
    choice.ressId = ressId;
    choice.jobId = jobId;
    choice.folderPath = target.Path();
    const PathStyle& paths = ctx.Files().Paths();
    if (root.Path() != choice.folderPath) choice.subFolder = SubFolderText(choice.folderPath, root.Path(), paths);
    if (!paths.IsSeparator(choice.folderPath.back())) choice.folderPath += paths.separator;

    request.Prompts().Answer(answer);
    ImportProgress progress;
    bool recorded = false;
    try {
        recorded = RunImport(ctx, choice, ImportSource{true, mail, nullptr}, progress);
    } catch (const Error& e) {
        ctx.gLog.WriteToLog("kvfiled (" + std::to_string(progress.step) + "): " + e.Description(), 0,
                            static_cast<std::int32_t>(LogType::Error));
        Refuse(500, kGeneralFailure);
    }
    if (!recorded) {
        // What the record writer would have shown, and why a save failed.
        std::string told;
        for (const std::string& message : request.Prompts().Messages()) told += " " + message;
        ctx.gLog.WriteToLog("kvfiled: not recorded:" + told + " " + request.Witness().SaveFailure().value_or(""), 0,
                            static_cast<std::int32_t>(LogType::Error));
        Refuse(500, kUpdateFailed);
    }

    const bool filedBefore = request.Prompts().DuplicateQuestion().has_value();
    if (progress.filed == 0) {
        if (filedBefore && answer == DuplicateAnswer::Ask)
            throw ApiError{409, "duplicate", *request.Prompts().DuplicateQuestion()};
        return JsonReply(200, {{"skipped", true}});
    }
    RememberTarget(request.Settings(), ressId, jobId);
    return JsonReply(
        201,
        {{"file", LastPathComponent(request.Witness().LastSaved())}, {"folder", folder}, {"filedBefore", filedBefore}});
}

}  // namespace kv::service
