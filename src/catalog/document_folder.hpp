#pragma once
// Where a job's or a resource's documents are kept, as Korvane records it.
#include <cstdint>
#include <optional>
#include <string>

#include "ports/database.hpp"

namespace kv::catalog {

// The primary folder of job jobId; none when the job has no folder row. A
// row without a path fails (Invalid use of Null, from "GetDocumentFolder").
std::optional<std::string> JobFolderPath(db::Connection& connection, std::int32_t jobId);

// The folder of resource ressId. No row fails, like a row without a path.
std::string ResourceFolderPath(db::Connection& connection, std::int32_t ressId);

}  // namespace kv::catalog
