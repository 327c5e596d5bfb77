#pragma once
// The ports a Program is built on in the end-to-end tests, the soak, the Win32
// watch test and the timing program: recording stand-ins for the adapters, the
// runner, the Run key, the single-instance marker and the shell, the real HTTP
// facility, and settings kept in memory. Services() wires them together with
// what each user brings of its own (windows, remote-access api, log, ...). The
// ports must outlive the Program; they are used on the threads the Program
// uses them on, as the real ones are. None of them fails.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "api/http_facility.h"
#include "app/settings_fakes.h"
#include "desktop/recording_tray_shell.h"
#include "dial/ras_simulator.h"
#include "program/program.h"
#include "program/recording_ports.h"

namespace xl::program::test {

// No other copy is running; the stop message and the end are kept.
class RecordingInstancePort final : public app::InstancePort {
  public:
    app::MarkerLookup lookup = app::MarkerLookup::Absent;
    std::vector<std::string> messages;
    std::vector<int> ended;
    app::MarkerLookup OpenMarker(const std::string&) override { return lookup; }
    bool CreateMarker(const std::string&) override { return true; }
    void ShowStopMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + "|" + text);
    }
    void EndProcess(int code) override { ended.push_back(code); }
};

// The stand-in service at `serviceBase` answers the probe; the lists come from
// `apiBase` when one is given.
inline app::ProgramOptions ServiceOptions(const std::string& serviceBase,
                                          std::string apiBase = "") {
    app::ProgramOptions options;
    options.apiBase = apiBase.empty() ? serviceBase : std::move(apiBase);
    options.probeUrl = serviceBase + "/probe/";
    return options;
}

// The simulator with a documents folder, as the phone book needs one; its
// hang-ups are timed on `clock` when one is given (a virtual clock runs them
// without real waiting).
inline dial::SimConfig SimulatorConfig(std::chrono::milliseconds stepDelay = {},
                                       dial::SimClock clock = {}) {
    dial::SimConfig c;
    c.documentsFolder = "C:\\Users\\user\\Documents";
    c.stepDelay = stepDelay;
    c.clock = std::move(clock);
    return c;
}

struct ProgramPorts {
    // What differs between the programs built on these ports.
    struct Own {
        ui::WindowSystem& windows;
        dial::RasApi& ras;
        api::ProgramLog& log;
        std::string settingsFolder;
        // Empty: one window of the recording shell, made at the first ask.
        std::function<desktop::NativeWindow(ui::Window&)> nativeHandleOf = {};
        std::span<const std::uint8_t> appIcon = {};
        std::function<bool(const std::string&)> checkInternetReachable = [](const std::string&) {
            return true;
        };
        std::function<void(int)> endProcess = [](int) {};
        std::chrono::milliseconds dialRoundLength = dial::kDialRoundLength;
    };

    ProgramServices Services(Own own) {
        if (!own.nativeHandleOf) {
            own.nativeHandleOf = [this](ui::Window&) {
                if (window == nullptr) window = tray.NewWindow();
                return window;
            };
        }
        return ProgramServices{
            .windows = own.windows,
            .ras = own.ras,
            .adapterApi = adapterApi,
            .processRunner = runner,
            .startupRegistry = startup,
            .instance = instance,
            .trayShell = tray,
            .http = http,
            .log = own.log,
            .checkInternetReachable = std::move(own.checkInternetReachable),
            .makeSettingsStore =
                [this](std::string) {
                    return std::make_unique<xl::test::MemoryStore>(&items, &storeLog);
                },
            .settingsFolder = std::move(own.settingsFolder),
            .nativeHandleOf = std::move(own.nativeHandleOf),
            .appIcon = own.appIcon,
            .endProcess = std::move(own.endProcess),
            .dialRoundLength = own.dialRoundLength,
        };
    }

    net::test::FakeAdapterApi adapterApi = xl::test::TwoAdapters();
    xl::test::RecordingRunner runner;
    xl::test::RecordingStartupRegistry startup;
    RecordingInstancePort instance;
    desktop::RecordingTrayShell tray;
    api::HttpRequest http{[] { return api::CreatePlatformHttpFacility(); }};
    xl::test::MemoryStore::Items items;
    std::vector<std::string> storeLog;
    // The window the default handle lookup hands out.
    desktop::NativeWindow window = nullptr;
};

}  // namespace xl::program::test
