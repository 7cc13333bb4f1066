#pragma once
// The routes of the filing API under /api/v1 (docs/kvfiled-api.md), each on
// the request's own context, connected for the signed-in user.
#include "service/api_types.hpp"
#include "service/request_context.hpp"

namespace kv::service {

using Route = ApiReply (*)(RequestContext&, const ApiRequest&);

// The user and the remembered choices (api_user.cpp).
ApiReply GetMe(RequestContext& request, const ApiRequest& api);
ApiReply PutMeSettings(RequestContext& request, const ApiRequest& api);

// The lists and look-ups (api_lists.cpp).
ApiReply GetResourceTypes(RequestContext& request, const ApiRequest& api);
ApiReply GetResources(RequestContext& request, const ApiRequest& api);
ApiReply GetJobs(RequestContext& request, const ApiRequest& api);
ApiReply GetJobByNumber(RequestContext& request, const ApiRequest& api);
ApiReply GetJobByName(RequestContext& request, const ApiRequest& api);

// The folder tree and new folders (api_folders.cpp).
ApiReply GetFolders(RequestContext& request, const ApiRequest& api);
ApiReply PostFolder(RequestContext& request, const ApiRequest& api);

// The duplicate check and filing (api_mails.cpp).
ApiReply PostMailCheck(RequestContext& request, const ApiRequest& api);
ApiReply PostMail(RequestContext& request, const ApiRequest& api);

}  // namespace kv::service
