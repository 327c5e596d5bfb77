#pragma once
// The composition root: builds the program-wide objects over the ports it is
// handed, binds every window's handlers, runs the login window's creation
// steps and owns every way out. The product's entry point hands it the
// Windows ports; the headless tests hand it the stand-ins and drive it by
// control name.
// User-interface thread only; the workers it starts (list downloads, through
// the panels the exit-IP lookup) reach windows by posting and are waited for
// when it goes. Its slow calls (the start-up's reachability probe, the login's
// account check, the static-IP request, the adapter commands) are not: they
// may outlive it, and use only copies and the ports; a quit during one ends at
// once and its late answer is dropped. It owns every subsystem object and the
// main window's panels; the ports are borrowed and outlive it and every call it
// leaves running. Failures are the subsystems': they show as texts of the
// window concerned and lines in the log; only a second copy of the program
// ends at start-up, after its message box.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "api/http_request.h"
#include "api/log.h"
#include "api/server_list.h"
#include "api/service.h"
#include "app/instance_guard.h"
#include "app/program_options.h"
#include "app/settings_file.h"
#include "desktop/run_at_boot.h"
#include "desktop/tray_handler.h"
#include "desktop/tray_icon.h"
#include "dial/connection_supervisor.h"
#include "dial/dial_engine.h"
#include "net/adapter_control.h"
#include "ui/handlers/adapter_dialog.h"
#include "ui/handlers/background_work.h"
#include "ui/handlers/confirm_dialog.h"
#include "ui/handlers/connection_panel.h"
#include "ui/handlers/login_window.h"
#include "ui/handlers/main_window.h"
#include "ui/handlers/server_list_panel.h"
#include "ui/handlers/settings_panel.h"
#include "ui/handlers/slow_calls.h"
#include "ui/window_system.h"

namespace xl::program {

// What the platform provides. Everything here outlives the Program and the
// slow calls it leaves running (the product's live until the process ends).
struct ProgramServices {
    ui::WindowSystem& windows;
    dial::RasApi& ras;
    // The adapter tables and the runner of the disable/enable command.
    net::AdapterApi& adapterApi;
    net::ProcessRunner& processRunner;
    // The Run key and the Startup folder.
    desktop::StartupRegistry& startupRegistry;
    app::InstancePort& instance;
    desktop::TrayShell& trayShell;
    const api::HttpRequest& http;
    api::ProgramLog& log;
    std::function<bool(const std::string&)> checkInternetReachable;
    std::function<std::unique_ptr<app::SettingsStore>(std::string path)> makeSettingsStore;
    // Where the settings file lives, ending in a path separator.
    std::string settingsFolder;
    // The platform handle of a window, for the tray icon.
    std::function<desktop::NativeWindow(ui::Window&)> nativeHandleOf;
    std::span<const std::uint8_t> appIcon;
    // Ends the process; only a test's stand-in returns.
    std::function<void(int)> endProcess;
    // One round of the dial's wait; tests shorten it to reach the dial's time-out.
    std::chrono::milliseconds dialRoundLength = dial::kDialRoundLength;
};

class Program : private desktop::MainWindowVisibility {
  public:
    Program(const app::ProgramOptions& options, ProgramServices services);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates and shows the login window (its creation handler runs first).
    void Start();
    // Start, then the message loop until it returns (a quit from anywhere),
    // then the end every other way out takes: the icon goes, code 0.
    void Run(const std::function<void()>& messageLoop);
    // Hangs up and waits until the link is gone, then ends the process with code 0.
    void ExitProgram();

    ui::LoginWindow& LoginWindow() { return login_; }
    // The main window and its panels exist from the first login on.
    ui::MainWindow* MainWindow() { return main_.get(); }
    ui::ConnectionPanel* Connection() { return connection_.get(); }
    ui::ServerListPanel* ServerList() { return serverList_.get(); }
    ui::SettingsPanel* SettingsPanel() { return settingsPanel_.get(); }
    ui::AdapterDialog* AdapterDialog() { return adapterDialog_.get(); }
    dial::ConnectionSupervisor* Supervisor() { return supervisor_.get(); }
    ui::ConfirmDialog& ConfirmDialog() { return confirm_; }
    api::ServerLists& ServerLists() { return lists_; }
    desktop::TrayIcon& Tray() { return tray_; }
    dial::DialEngine& DialEngine() { return dial_; }
    app::SettingsFile* Settings() { return settings_.get(); }
    // Waits for the slow calls, list downloads and refreshes started so far (tests).
    void WaitForBackgroundWork();
    // The disable after a drop and 恢复网卡, on workers nothing waits for.
    ui::SlowCalls& AdapterCommands() { return adapterCommands_; }

  private:
    void LoginWindowCreated(ui::Window& window);
    void ShowMainWindow();
    // Confirmed 注销: the login window again, without the login or static-IP
    // request under way.
    void LogOut();
    void BuildMainWindow();
    void AttachTray(ui::Window& mainWindow);
    void StartListDownload(api::LineMode mode);
    // Every way out: the icon goes, then the process ends with code 0.
    void EndProcess();

    // MainWindowVisibility, for the tray icon's double-click.
    bool IsVisible() const override;
    void Show() override;
    void Hide() override;

    app::ProgramOptions options_;
    ProgramServices services_;
    api::ServiceApi service_;
    api::ServerLists lists_;
    desktop::TrayIcon tray_;
    dial::DialEngine dial_;
    net::AdapterControl adapters_;
    // The disable after a drop and 恢复网卡, off the user-interface thread.
    ui::SlowCalls adapterCommands_;
    std::unique_ptr<app::SettingsFile> settings_;
    ui::LoginWindow login_;
    ui::ConfirmDialog confirm_;
    app::MainChoices choices_;
    std::unique_ptr<ui::ServerListPanel> serverList_;
    std::unique_ptr<ui::ConnectionPanel> connection_;
    // Watches the link through the connection panel; goes before it.
    std::unique_ptr<dial::ConnectionSupervisor> supervisor_;
    std::unique_ptr<ui::AdapterDialog> adapterDialog_;
    std::unique_ptr<ui::SettingsPanel> settingsPanel_;
    std::unique_ptr<ui::MainWindow> main_;
    // The start-up's reachability probe.
    ui::SlowCalls reachability_{services_.windows, services_.log, "启动时的网络检查"};
    // Last: the downloads finish before anything they use goes.
    ui::BackgroundWork downloads_{services_.log};
};

}  // namespace xl::program
