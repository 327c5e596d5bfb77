#include "app/settings_load.h"

#include "app/settings_disk.h"

namespace xl::app {

bool CouldBeOurSettings(std::string_view bytes) {
    return bytes.find('\0') == std::string_view::npos;
}

SettingsFileContent ReadSettingsFile(const std::string& path) {
    DiskRead read = ReadWholeFile(path, kSettingsFileLimitBytes);
    SettingsFileContent content;
    switch (read.state) {
        case DiskReadState::Missing:
            content.state = SettingsFileState::Missing;
            break;
        case DiskReadState::TooLarge:
            content.state = SettingsFileState::TooLarge;
            break;
        case DiskReadState::Failed:
            content.state = SettingsFileState::Unreadable;
            content.error = read.error;
            break;
        case DiskReadState::Read:
            if (!CouldBeOurSettings(read.bytes)) {
                content.state = SettingsFileState::NotOurs;
                break;
            }
            content.state = SettingsFileState::Ours;
            content.document = IniDocument::Parse(read.bytes);
            break;
    }
    return content;
}

std::string SetAsidePath(std::string_view path) {
    // The dot of the name, not of a folder. A dot is never part of a GBK
    // character; a trail byte can be 0x5C, which at worst makes a dotted name
    // look dotless and gives "name.ext.bad".
    const std::size_t nameAt = path.find_last_of("\\/") + 1;  // npos + 1 == 0
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameAt) return std::string(path) + ".bad";
    return std::string(path.substr(0, dot)) + ".bad" + std::string(path.substr(dot));
}

}  // namespace xl::app
