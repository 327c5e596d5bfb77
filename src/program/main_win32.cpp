// The product's entry point: the Windows ports, the crash guard, the login
// window and the message loop. Every way out ends the process with code 0.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "api/http_facility.h"
#include "app/reachability.h"
#include "app/settings_store.h"
#include "crash/crash_guard.h"
#include "desktop/tray_shell.h"
#include "dial/ras_api.h"
#include "dial/ras_simulator.h"
#include "program/program.h"
#include "ui/picture.h"
#include "ui/win32/backend_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace xl;
    std::vector<std::string> arguments(__argv + (__argc > 0 ? 1 : 0), __argv + __argc);
    const app::ProgramOptions options = app::ReadProgramOptions(
        arguments, [](const char* name) -> const char* { return std::getenv(name); });

    ui::win32::Win32Backend backend;
    ui::WindowSystem windows(backend);
    const auto ras = dial::MakeRasApi(options.ras == app::RasBackendChoice::Simulated
                                          ? dial::RasBackend::Simulated
                                          : dial::RasBackend::Real,
                                      dial::DemoSimConfig());
    const auto instance = app::MakeInstancePort();
    const auto trayShell = desktop::MakePlatformTrayShell();
    const api::HttpRequest http([] { return api::CreatePlatformHttpFacility(); });
    const std::string temp = app::TemporaryFilesDirectory();
    api::FileLog log(temp + "岫澜IP.log");
    for (const std::string& problem : options.problems) log.Write("未识别的启动参数: " + problem);

    program::Program program(
        options,
        program::ProgramServices{
            .windows = windows,
            .ras = *ras,
            .instance = *instance,
            .trayShell = *trayShell,
            .http = http,
            .log = log,
            .checkInternetReachable = &app::CheckInternetReachable,
            .makeSettingsStore = [](std::string path) { return app::MakeSettingsStore(path); },
            .temporaryFilesDirectory = temp,
            .nativeHandleOf =
                [](ui::Window& w) {
                    return static_cast<desktop::NativeWindow>(ui::win32::Win32Backend::HandleOf(w));
                },
            .appIcon = ui::EmbeddedPicture("app_icon"),
            .endProcess = [](int code) { ExitProcess(static_cast<UINT>(code)); },
        });
    crash::CrashGuard guard;
    guard.InstallCrashGuard();
    program.Run([&backend] { backend.RunMessageLoop(); });
    return 0;  // not reached: the program ends the process
}
