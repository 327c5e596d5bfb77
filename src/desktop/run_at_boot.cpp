#include "desktop/run_at_boot.h"

#include <vector>

namespace xl::desktop {

namespace {

constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastLeadByte = 0xFE;
constexpr char kLogPrefix[] = "开机启动: ";

// Quoted, so that a path with blanks cannot be read as a shorter program
// ("C:\Program.exe") with arguments.
std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

std::string Unquoted(std::string data) {
    if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
        return data.substr(1, data.size() - 2);
    }
    return data;
}

RunKey KeyOf(RunAtBootPlace place) {
    return place == RunAtBootPlace::Machine ? RunKey::Machine : RunKey::User;
}

// A refused removal still leaves nothing behind when the key holds no such
// value: without administrator rights the machine's key cannot even be
// opened for removing, whether the value is there or not.
long Remove(StartupRegistry& registry, RunKey key, const std::string& name) {
    const long error = registry.DeleteRunValue(key, name);
    if (error == kRegistryDone || error == kNoSuchValue) return kRegistryDone;
    return registry.RunValue(key, name) ? error : kRegistryDone;
}

std::string ErrorText(long error) {
    return "错误 " + std::to_string(error);
}

}  // namespace

std::string ProgramFileName(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte >= kFirstLeadByte && byte <= kLastLeadByte && i + 1 < path.size()) {
            ++i;  // the second byte of a character may be 0x5C, the backslash
            continue;
        }
        if (byte == '\\' || byte == '/') start = i + 1;
    }
    return std::string(path.substr(start));
}

RunAtBootState RegisterRunAtBoot(StartupRegistry& registry) {
    RunAtBootState state;
    state.installedPath = registry.InstalledProgramPath();
    const std::string name = ProgramFileName(state.installedPath);
    state.installedFound = !name.empty() && registry.FileExists(state.installedPath);
    if (!state.installedFound) return state;
    const std::string data = Quoted(state.installedPath);

    state.machineError = registry.SetRunValue(RunKey::Machine, name, data);
    // A value an administrator wrote earlier starts the program for every
    // user, this one included.
    const bool inMachineKey =
        state.machineError == kRegistryDone ||
        Unquoted(registry.RunValue(RunKey::Machine, name).value_or("")) == state.installedPath;
    if (inMachineKey) {
        // A value in the user's key as well would start a second copy.
        state.place = RunAtBootPlace::Machine;
        state.userError = Remove(registry, RunKey::User, name);
        return state;
    }
    state.userError = registry.SetRunValue(RunKey::User, name, data);
    if (state.userError == kRegistryDone) state.place = RunAtBootPlace::User;
    return state;
}

RunAtBootState UnregisterRunAtBoot(StartupRegistry& registry) {
    RunAtBootState state;
    state.installedPath = registry.InstalledProgramPath();
    std::vector<std::string> names;
    for (const std::string& path : {registry.ProgramPath(), state.installedPath}) {
        const std::string name = ProgramFileName(path);
        if (!name.empty() && (names.empty() || names.front() != name)) names.push_back(name);
    }
    for (const std::string& name : names) {
        for (const RunAtBootPlace place : {RunAtBootPlace::Machine, RunAtBootPlace::User}) {
            const long error = Remove(registry, KeyOf(place), name);
            if (error == kRegistryDone) continue;
            (place == RunAtBootPlace::Machine ? state.machineError : state.userError) = error;
            if (!state.Registered()) state.place = place;
        }
        registry.DeleteStartupShortcut(name + kShortcutExtension);
    }
    return state;
}

std::string RunAtBootLogLine(bool turningOn, const RunAtBootState& s) {
    const std::string prefix = kLogPrefix;
    if (!turningOn) {
        if (!s.Registered()) return prefix + "已取消";
        const bool machine = s.place == RunAtBootPlace::Machine;
        return prefix + "未能取消: " + (machine ? "本机" : "当前用户的") + " Run 键的值不能删除 (" +
               ErrorText(machine ? s.machineError : s.userError) + ")，请以管理员身份运行后再取消";
    }
    if (s.installedPath.empty()) return prefix + "未能登记: 没有安装程序记录的安装位置";
    if (!s.installedFound) return prefix + "未能登记: 找不到已安装的程序 " + s.installedPath;
    const std::string path = Quoted(s.installedPath);
    const std::string machineRefused = "本机 Run 键拒绝写入 (" + ErrorText(s.machineError) + ")";
    switch (s.place) {
        case RunAtBootPlace::Machine:
            if (s.machineError == kRegistryDone) return prefix + "已写入本机 Run 键 " + path;
            return prefix + machineRefused + "，其中已有的值 " + path + " 仍然有效";
        case RunAtBootPlace::User:
            return prefix + machineRefused + "，已写入当前用户的 Run 键 " + path;
        case RunAtBootPlace::Nowhere:
            break;
    }
    return prefix + "未能登记: " + machineRefused + "，当前用户的 Run 键也拒绝写入 (" +
           ErrorText(s.userError) + ")";
}

}  // namespace xl::desktop
