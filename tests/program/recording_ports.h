#pragma once
// Stand-ins for the program's ports to the adapters, the command runner and
// the Run key: the end-to-end tests, the log test, the soak and the timing
// program hand them to the program and read back what it asked of them.
#include <string>
#include <vector>

#include "desktop/run_at_boot.h"
#include "net/admin_state.h"
#include "net/fake_adapter_api.h"

namespace xl::test {

// Commands as they would run; none does. Each reports `outcome`, by default
// success, as netsh does for an administrator.
class RecordingRunner final : public net::ProcessRunner {
  public:
    net::ProcessOutcome RunAndWait(const net::ProcessCommand& command) override {
        commands.push_back(command);
        return outcome;
    }
    bool RunsElevated() const override { return elevated; }
    std::vector<net::ProcessCommand> commands;
    net::ProcessOutcome outcome{.started = true};
    bool elevated = true;
};

// The Run key and the Startup folder as a list of calls.
class RecordingStartupRegistry final : public desktop::StartupRegistry {
  public:
    std::string ProgramPath() override { return "C:\\Program Files\\岫澜IP\\XiulanIP.exe"; }
    bool FileExists(const std::string&) override { return true; }
    bool SetRunValue(const std::string& name, const std::string& data) override {
        calls.push_back("set " + name + "=" + data);
        return true;
    }
    bool DeleteRunValue(const std::string& name) override {
        calls.push_back("delete " + name);
        return true;
    }
    bool DeleteStartupShortcut(const std::string& fileName) override {
        calls.push_back("shortcut " + fileName);
        return true;
    }
    std::vector<std::string> calls;
};

// Two adapters, named as the network-connections folder names them.
inline net::test::FakeAdapterApi TwoAdapters() {
    net::test::FakeAdapterApi api;
    api.chain = {net::test::MakeRawAdapter("{A}", 11), net::test::MakeRawAdapter("{B}", 12)};
    api.interfaces = {{11, "\\DEVICE\\TCPIP_{A}", "本地连接"},
                      {12, "\\DEVICE\\TCPIP_{B}", "无线网络连接"}};
    return api;
}

}  // namespace xl::test
