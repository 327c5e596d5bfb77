#pragma once
// Stand-ins for the program's ports to the adapters, the command runner and
// the Run keys: the end-to-end tests, the log test, the soak and the timing
// program hand them to the program and read back what it asked of them.
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "desktop/run_at_boot.h"
#include "net/admin_state.h"
#include "net/fake_adapter_api.h"

namespace xl::test {

// Commands as they would run; none does. Each reports `outcome`, by default
// success, as netsh does for an administrator. The program runs them on
// workers, so the record is locked; while held, a command keeps running
// until it is released, as a slow or hung netsh does.
class RecordingRunner final : public net::ProcessRunner {
  public:
    net::ProcessOutcome RunAndWait(const net::ProcessCommand& command) override {
        std::unique_lock lock(mutex_);
        commands_.push_back(command);
        released_.wait(lock, [this] { return !held_; });
        return outcome_;
    }
    bool RunsElevated() const override { return elevated; }

    std::vector<net::ProcessCommand> Commands() const {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        commands_.clear();
    }
    void Answer(net::ProcessOutcome outcome) {
        std::lock_guard lock(mutex_);
        outcome_ = outcome;
    }
    void Hold() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_all();
    }

    bool elevated = true;  // set before the program starts

  private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<net::ProcessCommand> commands_;
    net::ProcessOutcome outcome_{.started = true};
    bool held_ = false;
};

// The Run keys and the Startup folder as a list of calls, over values kept
// per key. A key told to refuse answers every write and removal with that
// code, as a key that cannot be opened for writing does (RegOpenKeyExW), and
// still lets its values be read.
class RecordingStartupRegistry final : public desktop::StartupRegistry {
  public:
    std::string ProgramPath() override { return "C:\\Program Files\\岫澜IP\\XiulanIP.exe"; }
    std::string InstalledProgramPath() override { return installed; }
    bool FileExists(const std::string&) override { return true; }
    long SetRunValue(desktop::RunKey key, const std::string& name,
                     const std::string& data) override {
        calls.push_back(std::string(Key(key)) + " set " + name + "=" + data);
        if (Refusal(key) != desktop::kRegistryDone) return Refusal(key);
        values[{key, name}] = data;
        return desktop::kRegistryDone;
    }
    std::optional<std::string> RunValue(desktop::RunKey key, const std::string& name) override {
        const auto found = values.find({key, name});
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    long DeleteRunValue(desktop::RunKey key, const std::string& name) override {
        calls.push_back(std::string(Key(key)) + " delete " + name);
        if (Refusal(key) != desktop::kRegistryDone) return Refusal(key);
        return values.erase({key, name}) ? desktop::kRegistryDone : desktop::kNoSuchValue;
    }
    bool DeleteStartupShortcut(const std::string& fileName) override {
        calls.push_back("shortcut " + fileName);
        return true;
    }

    std::string installed = "C:\\Program Files\\岫澜IP\\XiulanIP.exe";
    long machineRefusal = desktop::kRegistryDone;
    long userRefusal = desktop::kRegistryDone;
    std::map<std::pair<desktop::RunKey, std::string>, std::string> values;
    std::vector<std::string> calls;

  private:
    static const char* Key(desktop::RunKey key) {
        return key == desktop::RunKey::Machine ? "HKLM" : "HKCU";
    }
    long Refusal(desktop::RunKey key) const {
        return key == desktop::RunKey::Machine ? machineRefusal : userRefusal;
    }
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
