#include "app/settings_store.h"

namespace xl::app {

std::string SettingsWriteFailureLine(std::string_view section, std::string_view key,
                                     unsigned systemError) {
    std::string line = "设置写入失败: [";
    line.append(section).append("] ").append(key);
    return line + ", 错误 " + std::to_string(systemError);
}

}  // namespace xl::app
