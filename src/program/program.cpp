#include "program/program.h"

#include "app/program_name.h"

namespace xl::program {

Program::Program(const app::ProgramOptions& options, ProgramServices services)
    : options_(options),
      services_(std::move(services)),
      service_(services_.http, options_.apiBase),
      tray_(services_.trayShell),
      dial_(services_.ras, services_.windows.Pump(), services_.dialRoundLength),
      // Each command and how it ended goes to the log, from the command's
      // worker: the log is a port and outlives any worker.
      adapters_(services_.adapterApi, services_.processRunner,
                [&log = services_.log](const std::string& line) { log.Write(line); }),
      adapterCommands_(services_.windows, services_.log, "网卡命令"),
      login_(
          services_.windows, services_.log,
          [this](const std::string& account, const std::string& password) {
              // On a worker that may outlive the program: copies, and the ports.
              return [service = service_, probe = services_.checkInternetReachable,
                      probeUrl = options_.probeUrl, log = &services_.log, account, password] {
                  api::LoginOutcome outcome = api::RunLogin(
                      service, account, password, [&] { return probe(probeUrl) ? 1 : 0; });
                  log->Write(api::LoginLogLine(account, outcome));
                  return outcome;
              };
          },
          [this] { ShowMainWindow(); }, [this] { EndProcess(); }),
      confirm_(services_.windows, {.showLoginWindow = [this] { LogOut(); },
                                   .showMainWindow = [this] { Show(); },
                                   .hideMainWindow = [this] { Hide(); },
                                   .exitProgram = [this] { ExitProgram(); }}) {
    dial_.SetLog([this](const std::string& line) { services_.log.Write(line); });
    login_.Bind();
    confirm_.Bind();
    services_.windows.OnCreated(ui::WindowId::Login,
                                [this](ui::Window& w) { LoginWindowCreated(w); });
}

Program::~Program() = default;

void Program::WaitForBackgroundWork() {
    reachability_.WaitIdle();
    login_.AccountChecks().WaitIdle();
    downloads_.WaitIdle();
    adapterCommands_.WaitIdle();
    if (serverList_) serverList_->WaitForRefreshes();
}

void Program::Start() {
    services_.windows.Open(ui::WindowId::Login).Show();
}

void Program::Run(const std::function<void()>& messageLoop) {
    Start();
    messageLoop();
    EndProcess();
}

void Program::LoginWindowCreated(ui::Window& window) {
    if (!app::GuardSingleInstance(services_.instance)) return;
    // A connection left up by an earlier run ends here; its report is of no use.
    dial_.HangUpVpn("");
    // Asked on a worker; the lists are fetched once it says the Internet is there.
    reachability_.Run<bool>([probe = services_.checkInternetReachable,
                             probeUrl = options_.probeUrl] { return probe(probeUrl); },
                            [this](bool reachable) {
                                if (!reachable) return;
                                StartListDownload(api::LineMode::Dynamic);
                                StartListDownload(api::LineMode::Fast);
                                StartListDownload(api::LineMode::Static);
                            },
                            false);
    window.SetTitle(app::kProgramName);
    settings_ = std::make_unique<app::SettingsFile>(
        services_.makeSettingsStore(app::SettingsFile::PathIn(services_.settingsFolder)));
    login_.UseSettings(*settings_);
    app::LoadLoginSettings(*settings_, login_);
}

void Program::StartListDownload(api::LineMode mode) {
    downloads_.Run(
        [this, mode] { api::RefreshServerListQuietly(mode, lists_, service_, services_.log); });
}

void Program::ShowMainWindow() {
    if (!main_) BuildMainWindow();
    main_->ShowMainWindow();
}

void Program::LogOut() {
    login_.AbandonLogin();
    if (serverList_) serverList_->DropStaticIpRequest();
    services_.windows.Open(ui::WindowId::Login).Show();
}

void Program::BuildMainWindow() {
    auto account = [this]() -> const std::string& { return login_.CurrentAccount(); };
    serverList_ = std::make_unique<ui::ServerListPanel>(ui::ServerListPanel::Services{
        .windows = services_.windows,
        .lists = lists_,
        .service = service_,
        .log = services_.log,
        .settings = *settings_,
        .choices = choices_,
        .currentAccount = account,
        .setProtocol = [this](std::string_view p) { connection_->SetProtocol(p); },
    });
    connection_ = std::make_unique<ui::ConnectionPanel>(ui::ConnectionPanel::Services{
        .windows = services_.windows,
        .dial = dial_,
        .service = service_,
        .log = services_.log,
        .settings = *settings_,
        .choices = choices_,
        .serverList = *serverList_,
        .currentAccount = account,
        .currentPassword = [this]() -> const std::string& { return login_.CurrentPassword(); },
        .reactionUnderWay = [this] { return supervisor_ && supervisor_->Reacting(); },
    });
    supervisor_ = std::make_unique<dial::ConnectionSupervisor>(
        dial_, *connection_,
        dial::AdapterAdminSwitch{
            // netsh may take seconds, or hang until the runner's limit.
            .setAdminState =
                [this](const std::string& name, bool enable, dial::AdapterAdminSwitch::Done done) {
                    adapterCommands_.Run<bool>(adapters_.AdminStateCall(name, enable),
                                               std::move(done), false);
                },
            .mayChangeAdapters = [this] { return adapters_.MayChangeAdapters(); },
            .keepDisabledAdapterName =
                [this](const std::string& name) {
                    settings_->WriteSetting(app::kDisabledAdapterName, name);
                },
        },
        [this](const std::string& line) { services_.log.Write(line); },
        [this](std::function<void()> task) { services_.windows.Post(std::move(task)); },
        [this](std::chrono::milliseconds delay, std::function<void()> task) {
            services_.windows.PostAfter(delay, std::move(task));
        });
    adapterDialog_ = std::make_unique<ui::AdapterDialog>(ui::AdapterDialog::Services{
        .windows = services_.windows,
        .settings = *settings_,
        .supervisor = *supervisor_,
        .adapters = adapters_,
        .log = services_.log,
    });
    settingsPanel_ = std::make_unique<ui::SettingsPanel>(ui::SettingsPanel::Services{
        .windows = services_.windows,
        .settings = *settings_,
        .choices = choices_,
        .supervisor = *supervisor_,
        .startup = services_.startupRegistry,
        .log = services_.log,
        .askConfirmation = [this](const std::string& q) { confirm_.AskConfirmation(q); },
    });
    main_ = std::make_unique<ui::MainWindow>(
        services_.windows, *settings_, std::string(app::kDefaultServerHost), choices_,
        ui::MainWindow::Panels{*connection_, *serverList_, *settingsPanel_},
        ui::MainWindow::Hooks{
            .currentAccount = account,
            .accountExpiry = [this]() -> const std::string& { return login_.AccountExpiry(); },
            .attachTray = [this](ui::Window& w) { AttachTray(w); },
        });
    serverList_->Bind();
    connection_->Bind();
    adapterDialog_->Bind();
    settingsPanel_->Bind();
    main_->Bind();
    // With the main window: drops are then seen as the service reports them,
    // not only at the next 5-second tick (where the service cannot tell, the
    // supervisor logs that and the timers alone watch).
    supervisor_->WatchDisconnections();
}

void Program::AttachTray(ui::Window& mainWindow) {
    tray_.AddIcon(services_.nativeHandleOf(mainWindow));
    tray_.AttachEventHandler([this](int code) { desktop::TrayHandler(code, *this); }, true);
    tray_.SetTip(app::kProgramName);
    tray_.SetIcon(services_.appIcon);
}

void Program::ExitProgram() {
    // The hang-up waits for the link to go: a process that ends under a hang-up
    // can leave the service's port in a state that fails the next dial.
    dial_.HangUpVpn("");
    EndProcess();
}

void Program::EndProcess() {
    // Ending the process runs no destructors: take the icon down first, or it
    // lingers in the notification area until the pointer passes over it.
    tray_.Destroy();
    services_.endProcess(0);
}

bool Program::IsVisible() const {
    return main_ && main_->IsVisible();
}
void Program::Show() {
    if (main_) main_->ShowMainWindow();
}
void Program::Hide() {
    if (main_) main_->HideMainWindow();
}

}  // namespace xl::program
