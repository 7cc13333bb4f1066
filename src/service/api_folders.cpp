// One level of a target's folder tree, and new sub-folders made in it as
// the dialog's "Opret folder" makes them.
#include "catalog/new_folder_name.hpp"
#include "service/folder_path.hpp"
#include "service/request_values.hpp"
#include "service/routes.hpp"
#include "support/utf.hpp"

namespace kv::service {

namespace {

constexpr std::size_t kFolderLabelLength = 255;

HiddenFolders Hidden(RequestContext& request) {
    return {request.Ctx().gJobFolderName, request.Ctx().gJobFolderNameArkiv};
}

std::string ChildPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

}  // namespace

ApiReply GetFolders(RequestContext& request, const ApiRequest& api) {
    const std::int32_t ressId = QueryNumber(api, "ressId");
    const std::int32_t jobId = QueryNumber(api, "jobId", 0);
    const std::string path = QueryText(api, "path");
    const Folder root = DocumentFolder(request, ressId, jobId);
    FileSystem& files = request.Ctx().Files();
    const HiddenFolders hidden = Hidden(request);
    const Folder folder = ResolveFolder(files, root, path, hidden);

    nlohmann::json children = nlohmann::json::array();
    for (const Folder& sub : VisibleSubFolders(files, folder, hidden)) {
        bool hasChildren = false;
        try {
            hasChildren = !VisibleSubFolders(files, sub, hidden).empty();
        } catch (const Error&) {
            // Unreadable: shown without children, as the tree shows it.
        }
        children.push_back({{"name", sub.Name()}, {"path", ChildPath(path, sub.Name())}, {"hasChildren", hasChildren}});
    }
    return JsonReply(200, {{"name", utf::Utf16Left(LastPathComponent(root.Path()), kFolderLabelLength)},
                           {"path", path},
                           {"folders", children}});
}

ApiReply PostFolder(RequestContext& request, const ApiRequest& api) {
    const nlohmann::json body = JsonObjectBody(api);
    const std::optional<std::int32_t> ressId = MemberNumber(body, "ressId");
    const std::int32_t jobId = MemberNumber(body, "jobId").value_or(0);
    if (!ressId) Refuse(422, "ressId is missing");
    const nlohmann::json parentValue = body.value("parent", nlohmann::json(""));
    const nlohmann::json nameValue = body.value("name", nlohmann::json());
    if (!parentValue.is_string() || !nameValue.is_string()) Refuse(422, "parent and name must be texts");
    const std::string parentPath = parentValue.get<std::string>();

    const Folder root = DocumentFolder(request, *ressId, jobId);
    FileSystem& files = request.Ctx().Files();
    const Folder parent = ResolveFolder(files, root, parentPath, Hidden(request));
    // Nothing typed makes no folder, as the dialog's box cancelled.
    if (nameValue.get<std::string>().empty()) Refuse(400, "The folder needs a name");
    const std::string name = catalog::NewFolderName(nameValue.get<std::string>());
    if (Hidden(request).Hides(name)) Refuse(400, "The folder name is kept for Korvane");
    Folder created;
    try {
        created = files.AddSubFolder(parent, name);
    } catch (const Error& e) {
        // Only a name in use is told as such; a refused name gets the
        // system's own reason, as in the dialog.
        if (e.Number() == fserr::FileAlreadyExists) throw ApiError{409, "folder_exists", "Folder findes i forvejen"};
        Refuse(400, e.Description());
    }
    return JsonReply(201, {{"name", created.Name()}, {"path", ChildPath(parentPath, created.Name())}});
}

}  // namespace kv::service
