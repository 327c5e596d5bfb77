// The product's entry point: the Windows ports, the crash guard, the login
// window and the message loop. Every way out ends the process with code 0.
#include <windows.h>

#include <optional>
#include <string>

#include "api/http_facility.h"
#include "app/reachability.h"
#include "app/settings_file.h"
#include "app/settings_move.h"
#include "app/settings_store.h"
#include "crash/crash_guard.h"
#include "desktop/run_at_boot.h"
#include "desktop/tray_shell.h"
#include "dial/ras_api.h"
#include "dial/ras_simulator.h"
#include "net/adapter_api.h"
#include "net/admin_state.h"
#include "program/program.h"
#include "program/start_line.h"
#include "ui/picture.h"
#include "ui/win32_backend/backend_win32.h"
#include "win32/command_line_environment.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace xl;
    const app::ProgramOptions options =
        app::ReadProgramOptions(win32::CommandLineArguments(), [](const char* name) -> const char* {
            // Each value is copied before the next lookup, so one buffer serves.
            static std::string value;
            const std::optional<std::string> found = win32::EnvironmentVariable(name);
            if (!found) return nullptr;
            value = *found;
            return value.c_str();
        });

    ui::win32_backend::Win32Backend backend;
    ui::WindowSystem windows(backend);
    const auto ras = dial::MakeRasApi(options.ras == app::RasBackendChoice::Simulated
                                          ? dial::RasBackend::Simulated
                                          : dial::RasBackend::Real,
                                      dial::DemoSimConfig());
    const auto adapterApi = net::MakePlatformAdapterApi();
    const auto processRunner = net::MakePlatformProcessRunner();
    const auto startupRegistry = desktop::MakePlatformStartupRegistry();
    const auto instance = app::MakeInstancePort();
    const auto trayShell = desktop::MakePlatformTrayShell();
    const api::HttpRequest http([] { return api::CreatePlatformHttpFacility(); });
    // The settings file and the log live in a folder of their own; where the
    // shell cannot give one, the temporary folder of earlier versions serves.
    const std::string temp = app::TemporaryFilesDirectory();
    const std::optional<std::string> ownFolder = app::SettingsFolder();
    const std::string folder = ownFolder.value_or(temp);
    api::FileLog log(folder + std::string(api::kLogFileName));
    log.Write(program::StartLogLine(options, program::ReadSystemFacts()));
    for (const std::string& problem : options.problems) log.Write("未识别的启动参数: " + problem);
    if (!ownFolder) log.Write("设置文件夹不可用, 设置和日志留在临时文件夹: " + temp);
    const app::SettingsLog settingsLog = [&log](const std::string& line) { log.Write(line); };

    program::Program program(
        options, program::ProgramServices{
                     .windows = windows,
                     .ras = *ras,
                     .adapterApi = *adapterApi,
                     .processRunner = *processRunner,
                     .startupRegistry = *startupRegistry,
                     .instance = *instance,
                     .trayShell = *trayShell,
                     .http = http,
                     .log = log,
                     .checkInternetReachable = &app::CheckInternetReachable,
                     .makeSettingsStore =
                         [&](std::string path) {
                             // Once the single-instance guard has let this copy run.
                             app::MoveEarlierSettingsFile(app::SettingsFile::PathIn(temp), path,
                                                          settingsLog);
                             return app::MakeSettingsStore(std::move(path), settingsLog);
                         },
                     .settingsFolder = folder,
                     .nativeHandleOf =
                         [](ui::Window& w) {
                             return static_cast<desktop::NativeWindow>(
                                 ui::win32_backend::Win32Backend::HandleOf(w));
                         },
                     .appIcon = ui::EmbeddedPicture("app_icon"),
                     .endProcess = [](int code) { ExitProcess(static_cast<UINT>(code)); },
                 });
    crash::CrashGuard guard;
    guard.InstallCrashGuard();
    program.Run([&backend] { backend.RunMessageLoop(); });
    return 0;  // not reached: the program ends the process
}
