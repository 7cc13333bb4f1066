#include "import/import_support.hpp"

#include "support/utf.hpp"

namespace kv {

Error ObjectNotSet(const std::string& what) {
    return Error(91, "frmKorvane", "Object variable or With block variable not set: " + what);
}

db::Connection& RequireConnection(AddinContext& ctx) {
    if (!ctx.gConnection) throw ObjectNotSet("no database connection");
    return *ctx.gConnection;
}

std::string SubFolderText(const std::string& folderPath, const std::string& rootPath, const PathStyle& paths) {
    const std::u16string path = utf::ToUtf16(folderPath);
    const std::size_t rootLength = utf::Utf16Length(rootPath);
    std::string sub =
        rootLength < path.size() ? utf::ToUtf8(std::u16string_view(path).substr(rootLength)) : std::string();
    sub = utf::Utf16Left(sub, 255);
    if (!sub.empty() && paths.IsSeparator(sub.front())) sub = utf::Utf16Left(sub.substr(1), 255);
    return sub;
}

}  // namespace kv
