#include "api/server_list.h"

#include <chrono>
#include <cstdint>
#include <limits>
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

// The high half of a hash, as the tag of its slot (the low half picks the slot): bits 32 to 63 of a
// 64-bit hash, 16 to 31 of a 32-bit one. Shifting by the full width would be undefined there.
template <typename Hash>
constexpr std::uint32_t HashTag(Hash hash) {
    return static_cast<std::uint32_t>(hash >> (std::numeric_limits<Hash>::digits / 2));
}
static_assert(HashTag<std::uint64_t>(0x89ABCDEF01234567u) == 0x89ABCDEFu);
static_assert(HashTag<std::uint32_t>(0x89ABCDEFu) == 0x89ABu);

// The first row of each domain in one province's rows, for the merge's look-ups: an open-addressing
// table of (hash tag, row) kept in one small block, so a look-up touches a row only when the tags
// agree. A province never holds 2^32 rows.
class DomainIndex {
  public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Indexes `nodes`, with room for the table to grow to `capacity` rows.
    void Reset(const std::vector<ServerNode>& nodes, std::size_t capacity) {
        std::size_t size = 16;
        while (size < capacity * 2) size *= 2;
        slots_.assign(size, Slot{});
        for (std::size_t r = 0; r < nodes.size(); ++r) Add(nodes, r);
    }

    std::size_t Find(const std::vector<ServerNode>& nodes, std::string_view domain) const {
        const std::size_t hash = std::hash<std::string_view>{}(domain);
        const std::uint32_t tag = HashTag(hash);
        for (std::size_t i = hash & Mask();; i = (i + 1) & Mask()) {
            const Slot& slot = slots_[i];
            if (slot.row == kEmpty) return kNone;
            if (slot.tag == tag && nodes[slot.row].domain == domain) return slot.row;
        }
    }

    // Adds row `r` unless an earlier row has the same domain: the first match stays.
    void Add(const std::vector<ServerNode>& nodes, std::size_t r) {
        const std::size_t hash = std::hash<std::string_view>{}(nodes[r].domain);
        const std::uint32_t tag = HashTag(hash);
        for (std::size_t i = hash & Mask();; i = (i + 1) & Mask()) {
            Slot& slot = slots_[i];
            if (slot.row == kEmpty) {
                slot = {tag, static_cast<std::uint32_t>(r)};
                return;
            }
            if (slot.tag == tag && nodes[slot.row].domain == nodes[r].domain) return;
        }
    }

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    // The high half of the hash as a tag (the low half picks the slot), and the row.
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t row = kEmpty;
    };
    std::size_t Mask() const { return slots_.size() - 1; }
    std::vector<Slot> slots_;
};

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

void MergeServerList(ProvinceGroups& stored, ProvinceGroups&& fresh, std::int32_t tick) {
    std::unordered_map<std::string_view, std::size_t> groupAt;
    groupAt.reserve(stored.size());
    for (std::size_t g = 0; g < stored.size(); ++g) groupAt.emplace(stored[g].province, g);
    // Which stored rows this merge saw. Comparing stamps with the tick instead would keep a
    // vanished row alive when two merges fall in the same millisecond.
    std::vector<std::vector<bool>> seen(stored.size());
    for (std::size_t g = 0; g < stored.size(); ++g) seen[g].assign(stored[g].nodes.size(), false);

    std::vector<bool> known(fresh.size(), false);
    DomainIndex rowAt;
    for (std::size_t f = fresh.size(); f-- > 0;) {
        const auto found = groupAt.find(fresh[f].province);
        if (found == groupAt.end()) continue;
        known[f] = true;
        const std::size_t g = found->second;
        std::vector<ServerNode>& nodes = stored[g].nodes;
        std::vector<ServerNode>& rows = fresh[f].nodes;
        // The index points into `nodes`: no reallocation while it is in use.
        nodes.reserve(nodes.size() + rows.size());
        rowAt.Reset(nodes, nodes.capacity());
        for (std::size_t r = rows.size(); r-- > 0;) {
            ServerNode& row = rows[r];
            if (const std::size_t match = rowAt.Find(nodes, row.domain);
                match != DomainIndex::kNone) {
                ServerNode& kept = nodes[match];
                kept.refreshStamp = tick;
                kept.city = std::move(row.city);
                kept.status = row.status;
                kept.isp = std::move(row.isp);
                seen[g][match] = true;
            } else {
                row.refreshStamp = tick;
                nodes.push_back(std::move(row));
                rowAt.Add(nodes, nodes.size() - 1);
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
