#include "service/api_types.hpp"

#include <nlohmann/json.hpp>

namespace kv::service {

void Refuse(int status, const std::string& message) { throw ApiError{status, ErrorCode(status), message}; }

const char* ErrorCode(int status) {
    switch (status) {
    case 400: return "bad_request";
    case 401: return "unauthorized";
    case 403: return "forbidden";
    case 404: return "not_found";
    case 409: return "duplicate";
    case 413: return "too_large";
    case 415: return "unsupported_media_type";
    case 422: return "unprocessable";
    case 503: return "unavailable";
    default: return "internal";
    }
}

ApiReply ErrorReply(const ApiError& error) {
    return {error.status, nlohmann::json{{"error", error.code}, {"message", error.message}}.dump(
                              -1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

}  // namespace kv::service
