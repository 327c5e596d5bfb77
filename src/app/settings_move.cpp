#include "app/settings_move.h"

#include "app/settings_disk.h"
#include "app/settings_load.h"

namespace xl::app {

bool MoveEarlierSettingsFile(const std::string& from, const std::string& to,
                             const SettingsLog& log) {
    const auto say = [&log](const std::string& line) {
        if (log) log(line);
    };
    if (from == to) return false;
    // Anything at the new place, even a file that cannot be read, is the one to keep.
    if (ReadWholeFile(to, 0).state != DiskReadState::Missing) return false;
    const DiskRead earlier = ReadWholeFile(from, kSettingsFileLimitBytes);
    const std::string failed = "设置文件未能从 " + from + " 移到 " + to + ": ";
    switch (earlier.state) {
        case DiskReadState::Missing:
            return false;
        case DiskReadState::TooLarge:
            say(failed + "文件过大");
            return false;
        case DiskReadState::Failed:
            say(failed + "读取错误 " + std::to_string(earlier.error));
            return false;
        case DiskReadState::Read:
            break;
    }
    if (const unsigned error = ReplaceWholeFile(to, earlier.bytes); error != 0) {
        say(failed + "写入错误 " + std::to_string(error));
        return false;
    }
    const DiskRead copy = ReadWholeFile(to, kSettingsFileLimitBytes);
    if (copy.state != DiskReadState::Read || copy.bytes != earlier.bytes) {
        // A copy that does not read back as the original must not shadow it.
        RemoveFile(to);
        say(failed + "副本读回不一致");
        return false;
    }
    if (const unsigned error = RemoveFile(from); error != 0) {
        say("设置文件已复制到 " + to + ", 但 " + from + " 未能删除: 错误 " + std::to_string(error));
        return true;
    }
    say("设置文件已从 " + from + " 移到 " + to);
    return true;
}

}  // namespace xl::app
