#pragma once
// The main window's connection controls: the connect and switch buttons, the
// protocol and line-mode choices, the status line and the two IP labels. It
// dials through the dial engine with its own progress notifier, which writes
// the status line through this panel, and starts the exit-IP lookup after a
// connect, which writes the IP labels through it. The connection supervisor
// reaches the link only through this panel (its button, labels and click).
// The user's clicks mean what they say: a click on the connect button during
// a dial cancels it; inside the supervisor's reaction or a hang-up's wait the
// two buttons do nothing.
// Threads: every handler runs on the user-interface thread (a dial waits there
// while dispatching messages, so other handlers may run meanwhile). The
// progress notifier and the exit-IP lookup call in from their own threads and
// only post; a write of a stopped lookup that is still queued is dropped.
// The panel stops its lookups when it goes.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "api/exit_ip.h"
#include "api/log.h"
#include "api/service.h"
#include "app/main_settings.h"
#include "app/settings_file.h"
#include "dial/connection_supervisor.h"
#include "dial/dial_engine.h"
#include "dial/dial_progress.h"
#include "ui/handlers/server_list_panel.h"
#include "ui/handlers/ui_poster.h"
#include "ui/window_system.h"

namespace xl::ui {

inline constexpr char kConnectingText[] = "连接中...";
inline constexpr char kSwitchingText[] = "切换中...";
inline constexpr char kStillConnectedText[] = "已连接";
inline constexpr char kDisconnectedText[] = "已断开";
inline constexpr char kNoIpText[] = "- -";
inline constexpr char kSstpPortSuffix[] = ":4433";

// What a protocol dials: its strategy number and the host (":4433" added for
// SSTP); any other protocol text gives strategy 0 and an empty host.
struct DialTarget {
    std::uint32_t strategy = 0;
    std::string host;
};
DialTarget DialTargetFor(std::string_view protocol, const std::string& serverHost);

class ConnectionPanel final : public dial::SupervisedConnection, public api::ExitIpDisplay {
  public:
    struct Services {
        WindowSystem& windows;
        dial::DialEngine& dial;
        const api::ServiceApi& service;
        api::ProgramLog& log;
        app::SettingsFile& settings;
        app::MainChoices& choices;  // shared with the server list panel
        ServerListPanel& serverList;
        std::function<const std::string&()> currentAccount;
        std::function<const std::string&()> currentPassword;
        // True while the supervisor's reaction is under way; empty: never.
        std::function<bool()> reactionUnderWay;
    };

    explicit ConnectionPanel(Services services);
    ~ConnectionPanel() override;
    ConnectionPanel(const ConnectionPanel&) = delete;
    ConnectionPanel& operator=(const ConnectionPanel&) = delete;

    void Bind();

    // The user's click on 超级按钮_连接: inside a dial it cancels the dial;
    // inside the supervisor's reaction or a hang-up's wait it does nothing;
    // otherwise ToggleConnection.
    void ConnectClicked();
    // The user's click on 超级按钮_切换IP: SwitchServer, except inside a dial,
    // the supervisor's reaction or a hang-up's wait.
    void SwitchClicked();

    // Connects when the button's tag is "连接", hangs up when it is "断开".
    // The reconnects reuse it. Does nothing while a dial is under way (its
    // wait runs clicks and ticks, and the tag still says "连接").
    void ToggleConnection() override;
    // Hang up, then connect to the chosen server. Does nothing while a dial is
    // under way: its hang-up would end that dial.
    void SwitchServer();

    // Store, save and show a choice; a line mode also loads its list. Empty
    // texts become "SSTP" and "动态线路".
    void SetProtocol(std::string_view protocol);
    void SetLineMode(std::string_view lineMode);
    // The radio pictures only; a text that names no radio changes none.
    void ShowProtocol(std::string_view protocol);
    void ShowLineMode(std::string_view lineMode);

    // The button's tag: "连接" or "断开", the program's belief about the link.
    std::string ConnectButtonTag() override;
    // A text of the link's change in both IP labels (connecting, switching,
    // disconnected, a drop, a timed redial). The exit-IP lookup of the link
    // that is going stops, or it would write that link's address over it.
    void SetIpLabels(const std::string& text) override;
    // Stops the running exit-IP lookup; nothing it had under way shows.
    void StopExitIpLookup();
    // Waits until every exit-IP lookup started so far has ended (tests).
    void WaitForExitIpLookups() { exitIp_.WaitForAll(); }

    // dial::SupervisedConnection
    void SetStatusCaption(const std::string& text) override;
    std::string StatusCaption() override;
    void RefreshConnectButton() override;

    // api::ExitIpDisplay, on the lookup's thread: posts, never waits.
    void ShowExitIp(const std::string& ip, const std::string& location) override;

  private:
    // The lookup's own write; every other goes through SetIpLabels(text).
    void ShowIpAndLocation(const std::string& ip, const std::string& location);
    void Connect();
    void Disconnect();
    // Ends the dial under way: "已取消连接", no IP, the button from the list.
    void CancelDial();
    // Clicks do nothing while this holds.
    bool Busy() const;
    void RestartExitIpLookup();
    void ChooseLineMode(std::string_view lineMode, bool clearFilter, bool staticProtocol);

    Services s_;
    UiPoster poster_{s_.windows};
    dial::DialProgress progress_;
    // Bumped whenever a lookup stops; a queued write of an older lookup is dropped.
    std::atomic<std::uint64_t> exitIpGeneration_{0};
    api::ExitIpLookup exitIp_;  // last: its threads stop before anything they use goes
};

}  // namespace xl::ui
