#include "ui/catalogue/window_design.h"

namespace xl::ui {

const WindowDesign& ConfirmDialogDesign() {
    // clang-format off
    static const WindowDesign design{
        .id = WindowId::ConfirmDialog,
        .title = "",
        .width = 323,
        .height = 197,
        .face = "confirm_dialog_face",
        .movable = false,
        .isDialog = true,
        .defaultButton = "超级按钮_确认",
        .controls = {
            Label("透明标签_提示信息", {55, 43, 200, 40}).WithFont(14, kBold),
            ImageButton("超级按钮_确认", {52, 118, 76, 30}, pictures::OkButton()),
            ImageButton("超级按钮_取消", {177, 118, 76, 30}, pictures::CancelButton()),
            Label("透明标签_关闭", {288, 6, 32, 24}),
        },
    };
    // clang-format on
    return design;
}

}  // namespace xl::ui
