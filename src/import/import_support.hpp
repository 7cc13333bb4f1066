#pragma once
// Small pieces the import command and the record writer share.
#include <cstdint>
#include <string>

#include "context/addin_context.hpp"
#include "ports/database.hpp"
#include "ports/file_system.hpp"

namespace kv {

// The failure of using an object that is not there ("no mail", say), with
// the number the add-in always gave it.
Error ObjectNotSet(const std::string& what);

// The open connection; kv::Error when there is none.
db::Connection& RequireConnection(AddinContext& ctx);

// The order key that identifies a new import row to the stored procedure:
// int(r * 32767) * 32767 + the low 15 bits of the user's resource number.
std::int32_t MakeOrdId(float r, std::int32_t userRessId);

// The folder path from character position rootLength + 1 on (UTF-16 units),
// without a leading separator of paths, at most 255 units: where a chosen
// folder lies within the document folder.
std::string SubFolderText(const std::string& folderPath, const std::string& rootPath, const PathStyle& paths);

}  // namespace kv
