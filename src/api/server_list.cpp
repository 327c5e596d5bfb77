#include "api/server_list.h"

#include <chrono>
#include <unordered_map>

namespace xl::api {
namespace {

struct ModeInfo {
    LineMode mode;
    const char* text;
    const char* path;
};
constexpr ModeInfo kModes[] = {
    {LineMode::Dynamic, "动态线路", "/serverlistpc/"},
    {LineMode::Fast, "极速线路", "/serverlistpc_xiulanfast/"},
    {LineMode::Static, "静态线路", "/getstaticiplist/"},
};

const ModeInfo& Info(LineMode mode) {
    return kModes[static_cast<std::size_t>(mode)];
}

// First-match positions by key; later duplicates never replace the first.
using FirstIndex = std::unordered_map<std::string, std::size_t>;

}  // namespace

std::string LineModeText(LineMode mode) {
    return Info(mode).text;
}

std::optional<LineMode> LineModeFromText(std::string_view text) {
    for (const ModeInfo& info : kModes) {
        if (text == info.text) return info.mode;
    }
    return std::nullopt;
}

std::string LineModePath(LineMode mode) {
    return Info(mode).path;
}

std::string NodeStatusText(std::int32_t status) {
    if (status == kNodeStatusNormal) return "正常";
    if (status == kNodeStatusGone) return "遗弃";
    return "故障";
}

int FindProvinceGroup(const ProvinceGroups& groups, std::string_view province) {
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].province == province) return static_cast<int>(i + 1);
    }
    return 0;
}

int FindNodeByDomain(const std::vector<ServerNode>& nodes, std::string_view domain) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].domain == domain) return static_cast<int>(i + 1);
    }
    return 0;
}

std::int32_t CurrentTickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    // The tick count wraps like a 32-bit counter.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms.count()));
}

void MergeServerList(ProvinceGroups& stored, ProvinceGroups fresh, std::int32_t tick) {
    FirstIndex groupAt;
    for (std::size_t g = 0; g < stored.size(); ++g) groupAt.emplace(stored[g].province, g);
    // Rows are looked up by domain through an index per stored group, built when first needed.
    std::vector<std::optional<FirstIndex>> rowAt(stored.size());
    // Which stored rows this merge saw. Comparing stamps with the tick instead would keep a
    // vanished row alive when two merges fall in the same millisecond.
    std::vector<std::vector<bool>> seen(stored.size());
    for (std::size_t g = 0; g < stored.size(); ++g) seen[g].assign(stored[g].nodes.size(), false);

    std::vector<bool> known(fresh.size(), false);
    for (std::size_t f = fresh.size(); f-- > 0;) {
        const auto found = groupAt.find(fresh[f].province);
        if (found == groupAt.end()) continue;
        known[f] = true;
        const std::size_t g = found->second;
        ProvinceGroup& group = stored[g];
        if (!rowAt[g]) {
            rowAt[g].emplace();
            for (std::size_t r = 0; r < group.nodes.size(); ++r)
                rowAt[g]->emplace(group.nodes[r].domain, r);
        }
        std::vector<ServerNode>& rows = fresh[f].nodes;
        for (std::size_t r = rows.size(); r-- > 0;) {
            ServerNode& row = rows[r];
            if (const auto match = rowAt[g]->find(row.domain); match != rowAt[g]->end()) {
                ServerNode& kept = group.nodes[match->second];
                kept.refreshStamp = tick;
                kept.city = std::move(row.city);
                kept.status = row.status;
                kept.isp = std::move(row.isp);
                seen[g][match->second] = true;
            } else {
                row.refreshStamp = tick;
                rowAt[g]->emplace(row.domain, group.nodes.size());
                group.nodes.push_back(std::move(row));
                seen[g].push_back(true);
            }
        }
    }
    for (std::size_t g = 0; g < stored.size(); ++g) {
        for (std::size_t r = 0; r < stored[g].nodes.size(); ++r) {
            if (!seen[g][r]) stored[g].nodes[r].status = kNodeStatusGone;
        }
    }
    for (std::size_t f = 0; f < fresh.size(); ++f) {
        if (!known[f]) stored.push_back(std::move(fresh[f]));
    }
}

}  // namespace xl::api
