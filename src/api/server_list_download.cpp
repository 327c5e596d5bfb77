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
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

constexpr char kDroppedRowsText[] = "丢弃含控制字符的节点: ";
constexpr char kRowsUnitText[] = " 行";
constexpr char kRefreshExceptionText[] = "刷新节点列表异常: ";

// "[动态线路] " before each of a list's log lines.
std::string ListLogPrefix(LineMode mode) {
    return "[" + LineModeText(mode) + "] ";
}

// A GBK trail byte is never below 0x40, so a byte scan finds exactly the control characters.
bool HasControlByte(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kFirstPrintable || byte == kDelete) return true;
    }
    return false;
}

// These fields end up in the settings file and the log; a line break in one of them could
// write a section or a line of the service's choosing there.
bool HoldsControlCharacters(const ServerNode& node) {
    return HasControlByte(node.province) || HasControlByte(node.city) ||
           HasControlByte(node.domain) || HasControlByte(node.ip);
}

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

int ParseServerList(std::string_view reply, LineMode mode, ProvinceGroups& groups, int* dropped) {
    groups.clear();
    if (dropped != nullptr) *dropped = 0;
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
        if (HoldsControlCharacters(node)) {
            if (dropped != nullptr) ++*dropped;
            continue;
        }

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
                                 ProgramLog& log, int& errorCode,
                                 const std::function<void()>& claimed) {
    RefreshClaim claim(lists, mode);
    if (!claim) return RefreshOutcome::Busy;
    // Nothing a reply brings about (an allocation that fails, say) may end the program: it fails
    // the refresh at the stage it reached instead.
    RefreshOutcome failure = RefreshOutcome::DownloadFailed;
    try {
        if (claimed) claimed();
        const std::string text = DownloadServerList(api, mode, errorCode);
        if (text.empty()) return RefreshOutcome::DownloadFailed;
        failure = RefreshOutcome::ParseFailed;
        ProvinceGroups fresh;
        int dropped = 0;
        const int taken = ParseServerList(text, mode, fresh, &dropped);
        if (dropped > 0) {
            log.Write(ListLogPrefix(mode) + kDroppedRowsText + std::to_string(dropped) +
                      kRowsUnitText);
        }
        if (taken <= 0) return RefreshOutcome::ParseFailed;
        ServerList& list = lists.List(mode);
        {
            std::lock_guard lock(list.lock);
            MergeServerList(list.groups, std::move(fresh), CurrentTickCount());
        }
        // `fresh` goes here, outside the lock: the panel waiting to read the list is not held up.
        return RefreshOutcome::Merged;
    } catch (...) {
        LogCurrentException(log, {"[", LineModeText(mode), "] ", kRefreshExceptionText});
    }
    if (failure == RefreshOutcome::DownloadFailed) errorCode = kErrorTransport;
    return failure;
}

RefreshOutcome RefreshServerListQuietly(LineMode mode, ServerLists& lists, const ServiceApi& api,
                                        ProgramLog& log) {
    int errorCode = 0;
    const RefreshOutcome outcome = RefreshServerList(mode, lists, api, log, errorCode);
    if (outcome == RefreshOutcome::DownloadFailed) {
        log.Write(ListLogPrefix(mode) + "下载节点数据错误:" + std::to_string(errorCode));
    } else if (outcome == RefreshOutcome::ParseFailed) {
        log.Write(ListLogPrefix(mode) + "处理节点数据错误");
    }
    return outcome;
}

}  // namespace xl::api
