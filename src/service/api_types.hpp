#pragma once
// A request as the routes see it and the answer they give, apart from the
// HTTP library: the path's numbers, the query, the body; a status and a body.
#include <map>
#include <string>
#include <vector>

#include "service/authenticator.hpp"

namespace kv::service {

struct ApiRequest {
    Caller caller;
    std::vector<std::string> pathParts;  // what the route's pattern captured
    std::map<std::string, std::string> query;
    std::string contentType;
    std::string body;
};

struct ApiReply {
    int status = 200;
    std::string body;  // JSON unless contentType says otherwise
    std::string contentType = "application/json";
};

// A refusal with its HTTP status: {"error": code, "message": message}.
struct ApiError {
    int status;
    std::string code;
    std::string message;
};

[[noreturn]] void Refuse(int status, const std::string& message);

// The error code the contract names for a status.
const char* ErrorCode(int status);
ApiReply ErrorReply(const ApiError& error);

}  // namespace kv::service
