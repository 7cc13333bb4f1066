#pragma once
// What a route reads from its request: numbers from the path and the query,
// a JSON body, and the document folder of the target it names. Anything
// malformed is refused with the contract's status.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "ports/file_system.hpp"
#include "service/api_types.hpp"
#include "service/request_context.hpp"

namespace kv::service {

// A whole 32-bit number, or 400.
std::int32_t NumberText(const std::string& text, const std::string& what);
std::int32_t PathNumber(const ApiRequest& request, std::size_t index, const std::string& what);
// fallback when the query lacks the parameter; without one, missing is 400.
std::int32_t QueryNumber(const ApiRequest& request, const std::string& name,
                         std::optional<std::int32_t> fallback = std::nullopt);
std::string QueryText(const ApiRequest& request, const std::string& name, const std::string& fallback = {});

// The body as a JSON object: 415 unless sent as JSON, 400 unless it parses
// as an object.
nlohmann::json JsonObjectBody(const ApiRequest& request);
// A member that must be a whole number of 32 bits when present; 422 otherwise.
std::optional<std::int32_t> MemberNumber(const nlohmann::json& object, const char* name);

// Whether a content type (parameters ignored, any case) is type.
bool IsContentType(const std::string& contentType, const std::string& type);

// The document folder of the job (jobId > 0) or of the resource, for a
// target the user may list (403 otherwise); 404 with the dialog's message
// when Korvane names none or it cannot be opened.
Folder DocumentFolder(RequestContext& request, std::int32_t ressId, std::int32_t jobId);

// The JSON text of value.
ApiReply JsonReply(int status, const nlohmann::json& value);

}  // namespace kv::service
