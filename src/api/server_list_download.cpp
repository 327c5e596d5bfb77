// Fetching a list from the service and turning the reply into province groups.
#include <string>

#include "api/json_document.h"
#include "api/log.h"
#include "api/server_list.h"
#include "api/service.h"
#include "api/text.h"

namespace xl::api {
namespace {

constexpr int kHttpOk = 200;
constexpr int kListSuccessCode = 200;
constexpr int kErrorTransport = 1;
constexpr int kErrorNotJson = 2;

}  // namespace

std::string DownloadServerList(const ServiceApi& api, LineMode mode, int& errorCode) {
    int status = 0;
    std::string text =
        api.Http().Fetch({.url = api.Url(LineModePath(mode)), .statusCode = &status});
    if (status != kHttpOk) {
        errorCode = kErrorTransport;
        return {};
    }
    JsonDocument reply;
    if (!reply.Parse(text)) {
        errorCode = kErrorNotJson;
        return {};
    }
    // GetInt truncates like a cast but saturates: a code far outside int is no success either.
    const int code = reply.GetInt("code");
    if (code != kListSuccessCode) {
        errorCode = code;
        return {};
    }
    return text;
}

int ParseServerList(std::string_view reply, LineMode mode, ProvinceGroups& groups) {
    groups.clear();
    JsonDocument document;
    if (!document.Parse(reply)) return 0;
    const int count = document.GetCount("data");
    if (count < 1) return 0;

    int taken = 0;
    std::size_t previous = 0;  // the group of the previous row; replies usually come sorted
    std::string prefix;
    for (int i = 0; i < count; ++i) {
        prefix = "data[" + std::to_string(i) + "].";
        const std::int32_t status = document.GetInt(prefix + "status");
        if (status == kNodeStatusGone) continue;
        ServerNode node;
        node.province = document.GetText(prefix + "province");
        node.city = document.GetText(prefix + "city");
        node.domain = TextLower(document.GetText(prefix + "domain"));
        node.isp = document.GetText(prefix + "isp");
        node.status = status;
        if (mode == LineMode::Static) node.ip = document.GetText(prefix + "ip");

        if (groups.empty() || groups[previous].province != node.province) {
            const int found = FindProvinceGroup(groups, node.province);
            if (found > 0) {
                previous = static_cast<std::size_t>(found - 1);
            } else {
                groups.push_back({node.province, {}});
                previous = groups.size() - 1;
            }
        }
        groups[previous].nodes.push_back(std::move(node));
        ++taken;
    }
    return taken;
}

RefreshOutcome RefreshServerList(LineMode mode, ServerLists& lists, const ServiceApi& api,
                                 int& errorCode, const std::function<void()>& claimed) {
    RefreshClaim claim(lists, mode);
    if (!claim) return RefreshOutcome::Busy;
    if (claimed) claimed();
    const std::string text = DownloadServerList(api, mode, errorCode);
    if (text.empty()) return RefreshOutcome::DownloadFailed;
    ProvinceGroups fresh;
    if (ParseServerList(text, mode, fresh) <= 0) return RefreshOutcome::ParseFailed;
    ServerList& list = lists.List(mode);
    {
        std::lock_guard lock(list.lock);
        MergeServerList(list.groups, std::move(fresh), CurrentTickCount());
    }
    // `fresh` goes here, outside the lock: the panel waiting to read the list is not held up.
    return RefreshOutcome::Merged;
}

void RefreshServerListQuietly(LineMode mode, ServerLists& lists, const ServiceApi& api,
                              ProgramLog& log) {
    int errorCode = 0;
    const RefreshOutcome outcome = RefreshServerList(mode, lists, api, errorCode);
    const std::string where = "[" + LineModeText(mode) + "] ";
    if (outcome == RefreshOutcome::DownloadFailed) {
        log.Write(where + "下载节点数据错误:" + std::to_string(errorCode));
    } else if (outcome == RefreshOutcome::ParseFailed) {
        log.Write(where + "处理节点数据错误");
    }
}

}  // namespace xl::api
