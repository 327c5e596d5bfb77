#include "ui/catalogue/window_design.h"

namespace xl::ui {

const WindowDesign& LoginWindowDesign() {
    // clang-format off
    static const WindowDesign design{
        .id = WindowId::Login,
        .title = "岫澜IP",
        .width = 380,
        .height = 492,
        .face = "login_face",
        .movable = true,
        .isDialog = false,
        .defaultButton = "",
        .controls = {
            Edit("编辑框_帐号", {82, 246, 262, 38}).WithBackground({244, 246, 248}),
            Edit("编辑框_密码", {82, 298, 262, 38}).WithBackground({244, 246, 248}),
            CheckBox("图片框_记住密码", {83, 360, 20, 20}),
            Label("透明标签_记住密码", {84, 360, 80, 20}).WithText("      记住密码").WithFont(12, kNormal),
            CheckBox("图片框_自动登录", {254, 361, 20, 20}),
            Label("透明标签_自动登录", {257, 361, 80, 20}).WithText("      自动登录").WithFont(12, kNormal),
            ImageButton("超级按钮_登录", {35, 406, 309, 40}, pictures::LoginButton()),
            Label("透明标签_登录状态", {38, 461, 304, 20}).WithFont(13, kBold).WithColour(kRed),
            PictureBox("图片框1", {-500, 487, 500, 6}, "sweep_bar"),
            Timer("时钟1"),
            Label("透明标签_关闭", {344, 16, 24, 16}),
        },
    };
    // clang-format on
    return design;
}

}  // namespace xl::ui
