#pragma once
// The main window's controls that more than one of its handler files touch,
// by name, and the two ways they reach them. The window exists from its
// creation to the end of the run, so a handler of the main window always finds
// them; work posted before the window exists finds nothing and writes nothing.
// User-interface thread only.
#include <string>
#include <string_view>

#include "ui/window_system.h"

namespace xl::ui::main_window {

inline constexpr char kStatusLabel[] = "透明标签_连接状态";
inline constexpr char kCurrentLineLabel[] = "透明标签_当前线路";
inline constexpr char kChosenLineLabel[] = "透明标签_已选线路";
inline constexpr char kIpLabel[] = "透明标签_当前IP";
inline constexpr char kLocationLabel[] = "透明标签_归属地";
inline constexpr char kProvinceCaption[] = "透明标签_省份已选";
inline constexpr char kNodeList[] = "超级列表框_节点列表";
inline constexpr char kProvinceList[] = "超级列表框_省份";
inline constexpr char kConnectButton[] = "超级按钮_连接";
inline constexpr char kDisableOnDropBox[] = "图片框_异常掉线禁止网卡";
inline constexpr char kDisableOnDropTimer[] = "时钟_异常掉线禁用网卡";

inline constexpr char kAllProvinces[] = "全部";

inline Control* Find(WindowSystem& windows, std::string_view name) {
    return windows.Find(WindowId::Main, name);
}

inline void SetCaption(WindowSystem& windows, std::string_view name, std::string text) {
    if (Control* c = Find(windows, name)) c->SetCaption(std::move(text));
}

// A timer's interval; 0 stops it.
inline void SetTimer(WindowSystem& windows, std::string_view name, int intervalMs) {
    if (Control* c = Find(windows, name)) c->SetInterval(intervalMs);
}

inline std::string Caption(WindowSystem& windows, std::string_view name) {
    const Control* c = Find(windows, name);
    return c == nullptr ? std::string() : c->caption();
}

}  // namespace xl::ui::main_window
