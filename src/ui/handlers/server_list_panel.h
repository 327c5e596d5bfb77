#pragma once
// The left part of the main window: the servers of the current line mode in
// the node list, narrowed by province (the drop-down) or by a search text, the
// refresh of a list with its texts in the bottom line, and the pick of a row as
// the server to dial (a static row first binds its IP to the account). A click
// or Enter picks a row, also the one already chosen; a row reached with the
// arrow keys is picked once the selection rests, not each row passed.
// Handlers run on the user-interface thread; refreshes and the static-IP
// request run on workers that reach the controls only by posting, and a fill
// reads one list under that list's lock only. The panel waits for its
// refreshes when it goes, never for a static-IP request: that one's late answer
// is thrown away (also after DropStaticIpRequest, at a logout).
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/log.h"
#include "api/server_list.h"
#include "api/service.h"
#include "app/main_settings.h"
#include "app/settings_file.h"
#include "ui/handlers/background_work.h"
#include "ui/handlers/slow_calls.h"
#include "ui/handlers/ui_poster.h"
#include "ui/window_system.h"

namespace xl::ui {

inline constexpr char kLoadingLinesText[] = "正在获取线路数据，请稍候...";
inline constexpr char kLinesLoadedText[] = "获取线路数据成功！";
inline constexpr char kRefreshingText[] = "更新线路中...";
inline constexpr char kRefreshFailedText[] = "更新线路 错误";
inline constexpr char kRefreshDownloadError[] = "下载线路数据错误:";
inline constexpr char kRefreshParseError[] = "处理线路数据错误";
inline constexpr char kRefreshedText[] = "更新线路成功";
inline constexpr int kProvinceDropDownHeight = 120;
// How long the node list's selection must stay on a row reached by keyboard
// before it is picked.
inline constexpr std::chrono::milliseconds kKeyboardPickRest{600};

// The list a search or a province pick narrows: dynamic, fast, anything else static.
api::LineMode SearchedMode(std::string_view lineMode);

class ServerListPanel {
  public:
    struct Services {
        WindowSystem& windows;
        api::ServerLists& lists;
        const api::ServiceApi& service;
        api::ProgramLog& log;
        app::SettingsFile& settings;
        app::MainChoices& choices;  // shared with the connection panel
        std::function<const std::string&()> currentAccount;
        // The connection panel's protocol choice; a static line dials SSTP.
        std::function<void(std::string_view)> setProtocol;
    };

    explicit ServerListPanel(Services services);
    ~ServerListPanel();
    ServerListPanel(const ServerListPanel&) = delete;
    ServerListPanel& operator=(const ServerListPanel&) = delete;

    void Bind();

    // Refreshes the current mode's list in the background and fills both list
    // controls from what is cached now.
    void LoadLineData();
    // The node list: `mode`'s rows whose province or city contains a word of
    // the filter text (cut at every space, an empty word in every non-empty
    // text); without a filter text there are no words, and every row shows.
    void FillNodeList(api::LineMode mode, std::optional<std::string> filterText = std::nullopt);
    void FillProvinceList(api::LineMode mode);
    void Search();
    void ToggleProvinceDropDown();
    void PickProvince();
    void PickServer();
    // The node list's selection moved: pick its row once it has rested.
    void PickAfterRest();

    // Background download of one list, reported in the bottom line (skipped
    // while a refresh of the same mode runs).
    void StartRefreshLineList(api::LineMode mode);
    // The same without a word on screen (failures go to the log).
    void StartQuietRefresh(api::LineMode mode);
    // Waits for every refresh and static-IP request started so far (tests).
    void WaitForRefreshes() {
        work_.WaitIdle();
        staticIp_.WaitIdle();
    }
    // A static-IP request is under way: no row is picked until it has answered.
    bool StaticIpRequestUnderWay() const { return staticIp_.UnderWay(); }
    // The answer of a request under way will change nothing.
    void DropStaticIpRequest() { staticIp_.Drop(); }
    const SlowCalls& StaticIpRequests() const { return staticIp_; }

    // The filter text back to empty; with the caption, "全部" shows again.
    void ResetFilter() { filterText_.clear(); }
    void ClearProvinceFilter();
    const std::string& FilterText() const { return filterText_; }
    // Shown as both the current line and the chosen line.
    void ShowServerName(const std::string& name);

  private:
    // What the node list shows: a mode's rows, all or those of a filter text.
    struct ShownNodes {
        api::LineMode mode;
        std::optional<std::string> filterText;
    };

    void RefreshLineList(api::LineMode mode);  // on a worker
    void ShowRefreshText(std::string text);    // any thread
    // Any thread, after a refresh merged `mode`'s list: the lists on screen
    // show its rows if they show that mode.
    void ShowMergedRows(api::LineMode mode);
    void RefillShownRows(api::LineMode mode);
    // The first `rows` rows of nodeCells_ into the node list.
    void ShowNodes(int rows, ShownNodes shown);
    void AssignStaticIp(const std::string& ip, const std::string& domain, const std::string& name);
    void StaticIpAnswered(bool accepted, const std::string& ip, const std::string& domain,
                          const std::string& name);
    void UseServer(const std::string& domain, const std::string& name);

    Services s_;
    std::string filterText_;
    // The node list's previous cells, written over by the next fill.
    std::vector<std::string> nodeCells_;
    std::optional<ShownNodes> shown_;
    // Counts the node list's selection moves and picks; a rest that ends
    // after another of them picks nothing.
    std::uint64_t selectionMoves_ = 0;
    UiPoster poster_{s_.windows};
    SlowCalls staticIp_{s_.windows, s_.log, "设置静态IP"};
    BackgroundWork work_{s_.log};  // last: its workers stop before anything they use goes
};

}  // namespace xl::ui
