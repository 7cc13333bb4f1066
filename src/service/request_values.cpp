#include "service/request_values.hpp"

#include <charconv>

#include "catalog/document_folder.hpp"
#include "support/utf.hpp"

namespace kv::service {

namespace {

constexpr const char* kNoJobFolder = "Kunne ikke finde jobfolder.\r\nGå i Korvane og opret jobmappen.";

}  // namespace

std::int32_t NumberText(const std::string& text, const std::string& what) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) Refuse(400, what + " must be a whole number");
    return value;
}

std::int32_t PathNumber(const ApiRequest& request, std::size_t index, const std::string& what) {
    return NumberText(index < request.pathParts.size() ? request.pathParts[index] : std::string(), what);
}

std::int32_t QueryNumber(const ApiRequest& request, const std::string& name, std::optional<std::int32_t> fallback) {
    const auto found = request.query.find(name);
    if (found == request.query.end()) {
        if (!fallback) Refuse(400, name + " is missing");
        return *fallback;
    }
    return NumberText(found->second, name);
}

std::string QueryText(const ApiRequest& request, const std::string& name, const std::string& fallback) {
    const auto found = request.query.find(name);
    return found == request.query.end() ? fallback : found->second;
}

bool IsContentType(const std::string& contentType, const std::string& type) {
    std::string bare = contentType.substr(0, contentType.find(';'));
    bare.erase(bare.find_last_not_of(" \t") + 1);
    return utf::AsciiLower(bare) == type;
}

nlohmann::json JsonObjectBody(const ApiRequest& request) {
    if (!IsContentType(request.contentType, "application/json")) Refuse(415, "Send the body as application/json");
    const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) Refuse(400, "The body is not a JSON object");
    return body;
}

std::optional<std::int32_t> MemberNumber(const nlohmann::json& object, const char* name) {
    if (!object.contains(name)) return std::nullopt;
    const nlohmann::json& value = object.at(name);
    if (!value.is_number_integer() || value.get<std::int64_t>() < INT32_MIN || value.get<std::int64_t>() > INT32_MAX)
        Refuse(422, std::string(name) + " must be a whole number");
    return value.get<std::int32_t>();
}

Folder DocumentFolder(RequestContext& request, std::int32_t ressId, std::int32_t jobId) {
    db::Connection& db = request.Db();
    request.RequireListedTarget(ressId, jobId);
    try {
        std::optional<std::string> path =
            jobId > 0 ? catalog::JobFolderPath(db, jobId) : catalog::ResourceFolderPath(db, ressId);
        if (path) return request.Ctx().Files().GetFolder(*path);
    } catch (const Error&) {
        // No folder recorded, or none there: told as the dialog tells it.
    }
    Refuse(404, kNoJobFolder);
}

ApiReply JsonReply(int status, const nlohmann::json& value) {
    // Texts from the database are not always valid UTF-8; they are not refused for that.
    return {status, value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

}  // namespace kv::service
