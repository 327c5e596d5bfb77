#include "product_version.h"
#include "ui/catalogue/window_design.h"

namespace xl::ui {

namespace {
// Column 0 is the list's narrow empty lead column; the filling code writes
// columns 1 to 6.
std::vector<Column> NodeColumns() {
    return {{"", 8},      {"省份", 110}, {"城市", 200}, {"运营商", 110},
            {"状态", 65}, {"服务器", 0}, {"静态ip", 0}};
}
}  // namespace

const WindowDesign& MainWindowDesign() {
    // clang-format off
    static const WindowDesign design{
        .id = WindowId::Main,
        .title = "岫澜IP",
        .width = 862,
        .height = 560,
        .face = "main_face",
        .movable = true,
        .isDialog = false,
        .defaultButton = "",
        .controls = {
            Label("透明标签_窗口标题", {8, 5, 100, 24}).WithText("  岫澜IP v" XIULAN_VERSION_MAJOR_MINOR).WithFont(14, kBold).WithColour(kWhite),
            Label("透明标签_最小化", {795, 3, 21, 24}).WithColour(kWhite),
            Label("透明标签_关闭", {832, 2, 28, 24}).WithColour(kWhite),
            Label("透明标签_帐号", {664, 47, 76, 24}),
            Label("透明标签_到期时间_内容", {664, 74, 122, 24}),
            Label("透明标签_注销", {790, 48, 40, 24}),
            Radio("图片框_动态线路", {14, 63, 20, 20}, true),
            Label("透明标签_动态线路", {12, 62, 76, 20}).WithFont(12, kBold),
            Radio("图片框_极速线路", {104, 63, 20, 20}, false),
            Label("透明标签_极速线路", {104, 63, 79, 20}).WithFont(12, kBold),
            Radio("图片框_静态线路", {201, 63, 20, 20}, false),
            Label("透明标签_静态线路", {206, 62, 70, 20}).WithFont(12, kBold),
            Label("透明标签_省份已选", {337, 64, 56, 16}).WithText("全部").WithFont(12, kNormal),
            Label("透明标签_省份下拉按钮", {344, 63, 24, 17}),
            ListView("超级列表框_省份", {332, 87, 87, 25}, {{"省份", 60}}).StartHidden().WithFont(12, kNormal),
            Edit("编辑框_搜索", {439, 60, 57, 23}).WithFont(13, kNormal),
            Label("透明标签_搜索", {504, 58, 39, 24}),
            ListView("超级列表框_节点列表", {19, 133, 517, 392}, NodeColumns()).WithFont(13, kNormal),
            CheckBox("图片框_定时重连", {598, 150, 20, 20}),
            Label("透明标签_是否定时重连", {1, 0, 65, 20}).In("图片框_定时重连"),
            Edit("编辑框_定时重连秒数", {672, 149, 32, 21}).WithText("30").Centred().WithFont(12, kNormal).WithBackground({215, 229, 226}),
            Label("透明标签1", {704, 151, 27, 16}).WithText("秒").WithFont(12, kBold),
            Label("透明标签_定时重连错误提示", {728, 150, 128, 20}).WithFont(12, kBold).WithColour(kRed),
            Timer("时钟_定时重连"),
            CheckBox("图片框_掉线自动重连", {598, 177, 20, 20}),
            Label("透明标签_掉线自动重连", {598, 176, 98, 20}),
            Timer("时钟_掉线自动重连"),
            CheckBox("图片框_异常掉线禁止网卡", {598, 204, 20, 20}),
            Label("透明标签_异常掉线禁止网卡", {600, 205, 115, 17}),
            Label("透明标签_恢复网卡", {729, 200, 64, 24}),
            Timer("时钟_异常掉线禁用网卡"),
            CheckBox("图片框_连接成功最小化", {598, 232, 20, 20}),
            Label("透明标签_连接成功后自动最小化", {598, 231, 154, 20}),
            CheckBox("图片框_开机启动", {598, 257, 20, 20}),
            Label("透明标签_电脑开机自动开启软件", {598, 256, 146, 20}),
            Radio("图片框_PPTP", {599, 320, 20, 20}, false),
            Label("透明标签_PPTP", {1, 0, 56, 16}).In("图片框_PPTP"),
            Radio("图片框_L2TP", {683, 320, 20, 20}, false),
            Label("透明标签_L2TP", {685, 320, 51, 16}),
            Radio("图片框_SSTP", {763, 319, 20, 20}, false),
            Label("透明标签_SSTP", {5, 1, 48, 16}).In("图片框_SSTP"),
            Label("透明标签_已选线路", {676, 382, 168, 25}).WithText("未选择").WithFont(12, kBold),
            Label("透明标签_当前IP", {676, 411, 168, 25}).WithText("- -").WithFont(12, kBold),
            Label("透明标签_归属地", {676, 438, 168, 25}).WithText("- -").WithFont(12, kBold),
            ImageButton("超级按钮_连接", {600, 481, 108, 34}, pictures::ConnectButton()).WithTag("连接"),
            ImageButton("超级按钮_切换IP", {731, 481, 108, 34}, pictures::SwitchButton()),
            Label("透明标签_当前线路", {68, 536, 165, 17}).WithText("未选择").WithFont(12, kBold).WithColour(kGreen),
            Label("透明标签_连接状态", {283, 536, 573, 17}).WithText("未连接").WithFont(12, kBold).WithColour(kGreen),
        },
    };
    // clang-format on
    return design;
}

}  // namespace xl::ui
