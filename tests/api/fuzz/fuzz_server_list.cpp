// ParseServerList on arbitrary reply text, then a merge of the result into a
// list that already holds rows: the parse never lists a gone row, and a merge
// never loses a stored row.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "api/server_list.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::size_t Rows(const xl::api::ProvinceGroups& groups) {
    std::size_t rows = 0;
    for (const auto& group : groups) rows += group.nodes.size();
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace xl::api;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    ProvinceGroups fresh;
    const int taken = ParseServerList(reply, LineMode::Static, fresh);
    Check(taken >= 0 && static_cast<std::size_t>(taken) == Rows(fresh));
    for (const auto& group : fresh) {
        Check(!group.nodes.empty());
        for (const auto& node : group.nodes) {
            Check(node.status != kNodeStatusGone);
            Check(node.province == group.province);
        }
    }

    ProvinceGroups stored = fresh;
    // A row the reply cannot match (domains are lower-cased, this one is not).
    ServerNode extra;
    extra.province = fresh.empty() ? "p" : fresh.front().province;
    extra.domain = "EXTRA";
    if (stored.empty()) stored.push_back({extra.province, {}});
    stored.front().nodes.push_back(extra);
    const std::size_t before = Rows(stored);
    MergeServerList(stored, ProvinceGroups(fresh), 1);
    Check(Rows(stored) >= before);
    Check(stored.front().nodes[FindNodeByDomain(stored.front().nodes, "EXTRA") - 1].status ==
          kNodeStatusGone);
    return 0;
}
