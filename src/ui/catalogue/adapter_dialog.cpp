#include "ui/catalogue/window_design.h"

namespace xl::ui {

const WindowDesign& AdapterDialogDesign() {
    // clang-format off
    static const WindowDesign design{
        .id = WindowId::AdapterDialog,
        .title = "选择异常掉线要禁用的网卡",
        .width = 323,
        .height = 197,
        .face = "adapter_dialog_face",
        .movable = false,
        .isDialog = true,
        .defaultButton = "超级按钮_确定",
        .controls = {
            Label("透明标签2", {82, 12, 152, 16}).WithText("该功能需要管理员权限").WithFont(14, kBold).WithColour(kRed),
            Label("透明标签3", {40, 31, 256, 24}).WithText("请运行本软件时右键选择“以管理员身份运行”"),
            Label("透明标签_说明", {48, 58, 228, 16}).WithText("请选择异常掉线时，需要禁用的网卡名称").WithFont(12, kBold),
            Label("透明标签1", {37, 82, 98, 32}).WithText("选择要禁用的网卡：").WithColour(kGreen),
            Label("透明标签_已选网卡名称", {164, 90, 84, 16}).WithText("请选择网卡").WithFont(12, kBold).WithColour(kGreen),
            Label("透明标签_下拉框", {263, 90, 16, 16}),
            ListView("超级列表框_网卡列表", {161, 116, 100, 70}, {{"网卡名称", 80}}).StartHidden(),
            ImageButton("超级按钮_确定", {56, 138, 76, 30}, pictures::OkButton()),
            ImageButton("超级按钮_取消", {186, 137, 76, 30}, pictures::CancelButton()),
            Label("透明标签_确定结果", {59, 165, 208, 24}).WithFont(12, kBold).WithColour(kRed),
            Label("透明标签_关闭", {295, 8, 20, 20}),
        },
    };
    // clang-format on
    return design;
}

}  // namespace xl::ui
