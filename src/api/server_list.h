#pragma once
// The service's three server lists (one per line mode), as the main window
// shows them: rows grouped by province, kept in place across refreshes, rows
// that the service stopped listing marked "gone" instead of removed. Each
// list has its own lock, held while a download is merged in and while a panel
// reads it; each line mode has a busy flag that keeps two refreshes of the
// same mode from overlapping.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xl::api {

class ProgramLog;
class ServiceApi;

enum class LineMode { Dynamic, Fast, Static };
inline constexpr std::array<LineMode, 3> kLineModes = {LineMode::Dynamic, LineMode::Fast,
                                                       LineMode::Static};

// "动态线路", "极速线路", "静态线路": the mode as stored and compared.
std::string LineModeText(LineMode mode);
std::optional<LineMode> LineModeFromText(std::string_view text);
// The list's path after the API base.
std::string LineModePath(LineMode mode);

constexpr std::int32_t kNodeStatusNormal = 0;
constexpr std::int32_t kNodeStatusGone = -1;

struct ServerNode {
    std::string province;
    std::string city;
    std::string domain;  // lower-case ASCII; the row's identity within its province
    std::string isp;
    std::int32_t status = kNodeStatusNormal;
    std::int32_t refreshStamp = 0;  // millisecond tick of the merge that last saw the row
    std::string ip;                 // static lines only
};

struct ProvinceGroup {
    std::string province;
    std::vector<ServerNode> nodes;
};
using ProvinceGroups = std::vector<ProvinceGroup>;

struct ServerList {
    std::mutex lock;
    ProvinceGroups groups;
};

// The three lists and their busy flags; one object for the whole program.
class ServerLists {
  public:
    ServerList& List(LineMode mode) { return lists_[Index(mode)]; }
    // Test-and-set: true when this caller now owns the mode's refresh.
    bool TryMarkBusy(LineMode mode) { return !busy_[Index(mode)].test_and_set(); }
    void ClearBusy(LineMode mode) { busy_[Index(mode)].clear(); }
    bool Busy(LineMode mode) const { return busy_[Index(mode)].test(); }

  private:
    static std::size_t Index(LineMode mode) { return static_cast<std::size_t>(mode); }
    std::array<ServerList, 3> lists_;
    std::array<std::atomic_flag, 3> busy_{};
};

// Holds a mode's busy flag for one refresh; converts to false when another refresh holds it.
class RefreshClaim {
  public:
    RefreshClaim(ServerLists& lists, LineMode mode)
        : lists_(lists), mode_(mode), owned_(lists.TryMarkBusy(mode)) {}
    ~RefreshClaim() {
        if (owned_) lists_.ClearBusy(mode_);
    }
    RefreshClaim(const RefreshClaim&) = delete;
    RefreshClaim& operator=(const RefreshClaim&) = delete;
    explicit operator bool() const { return owned_; }

  private:
    ServerLists& lists_;
    LineMode mode_;
    bool owned_;
};

// "正常" for 0, "遗弃" for -1, "故障" for anything else.
std::string NodeStatusText(std::int32_t status);
// 1-based position of the first exact match, 0 when there is none.
int FindProvinceGroup(const ProvinceGroups& groups, std::string_view province);
int FindNodeByDomain(const std::vector<ServerNode>& nodes, std::string_view domain);

// The reply text of the mode's list, or empty with `errorCode` set: 1 transport failure or HTTP
// status other than 200, 2 not JSON, otherwise the reply's own code when it is not 200.
std::string DownloadServerList(const ServiceApi& api, LineMode mode, int& errorCode);
// Replaces `groups` by the reply's rows (status -1 rows left out) grouped by province in order
// of first appearance; the number of rows taken. A row whose province, city, domain or ip holds
// a control character is left out too and counted in `dropped`.
int ParseServerList(std::string_view reply, LineMode mode, ProvinceGroups& groups,
                    int* dropped = nullptr);
// Merges a fresh download into the stored list: known rows take the fresh city, status and isp,
// new rows of a known province are appended, rows missing from the download become -1, new
// provinces are appended. Call with the list's lock held; `fresh` is consumed (what is left of it
// is freed by the caller, after the lock is released).
void MergeServerList(ProvinceGroups& stored, ProvinceGroups&& fresh, std::int32_t tick);
// The millisecond tick count that stamps a merge.
std::int32_t CurrentTickCount();
enum class RefreshOutcome { Busy, DownloadFailed, ParseFailed, Merged };
// Download, parse and merge one mode's list, holding the mode's busy flag throughout (`claimed`,
// when given, runs once it is held); the flag is clear again on return. Busy, at once, when a
// refresh of the mode is already running. A failure never touches the stored list; `errorCode`
// is DownloadServerList's on DownloadFailed. Rows left out for control characters, and an
// exception (which fails the refresh at the stage it reached, a download with error code 1),
// go to the log. Never throws. Any thread.
RefreshOutcome RefreshServerList(LineMode mode, ServerLists& lists, const ServiceApi& api,
                                 ProgramLog& log, int& errorCode,
                                 const std::function<void()>& claimed = {});
// The same without a word on screen: failures go to the log only.
RefreshOutcome RefreshServerListQuietly(LineMode mode, ServerLists& lists, const ServiceApi& api,
                                        ProgramLog& log);

}  // namespace xl::api
