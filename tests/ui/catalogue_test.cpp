// The catalogue against the design tables: every control of every window with
// its kind, position, parent, text, font, colour, tag and start state, and the
// pictures, backgrounds and columns that the tables name. A window that grows
// or loses a control fails here too.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "product_version.h"
#include "ui/catalogue/window_design.h"

namespace xl::ui {
namespace {

using W = WindowId;

enum class K { Label, Edit, Picture, Button, List, Timer };

constexpr bool kHidden = true;
constexpr bool kShown = false;

struct Expected {
    WindowId window;
    const char* name;
    K kind;
    Rect position;
    const char* parent;
    const char* text;
    Font font;
    Colour colour;
    const char* tag;
    bool startHidden;
};

ControlKind KindOf(K k) {
    switch (k) {
        case K::Label:
            return ControlKind::TransparentLabel;
        case K::Edit:
            return ControlKind::EditField;
        case K::Picture:
            return ControlKind::PictureBox;
        case K::Button:
            return ControlKind::ImageButton;
        case K::List:
            return ControlKind::ListView;
        case K::Timer:
            break;
    }
    return ControlKind::Timer;
}

// clang-format off
const Expected kTable[] = {
    {W::Login, "编辑框_帐号", K::Edit, {82, 246, 262, 38}, "", "", {}, kBlack, "", kShown},
    {W::Login, "编辑框_密码", K::Edit, {82, 298, 262, 38}, "", "", {}, kBlack, "", kShown},
    {W::Login, "图片框_记住密码", K::Picture, {83, 360, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Login, "透明标签_记住密码", K::Label, {84, 360, 80, 20}, "", "      记住密码", {12, kNormal}, kBlack, "", kShown},
    {W::Login, "图片框_自动登录", K::Picture, {254, 361, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Login, "透明标签_自动登录", K::Label, {257, 361, 80, 20}, "", "      自动登录", {12, kNormal}, kBlack, "", kShown},
    {W::Login, "超级按钮_登录", K::Button, {35, 406, 309, 40}, "", "", {}, kBlack, "", kShown},
    {W::Login, "透明标签_登录状态", K::Label, {38, 461, 304, 20}, "", "", {13, kBold}, kRed, "", kShown},
    {W::Login, "图片框1", K::Picture, {-500, 487, 500, 6}, "", "", {}, kBlack, "", kShown},
    {W::Login, "时钟1", K::Timer, {}, "", "", {}, kBlack, "", kShown},
    {W::Login, "透明标签_关闭", K::Label, {344, 16, 24, 16}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_窗口标题", K::Label, {8, 5, 100, 24}, "", "  岫澜IP v" XIULAN_VERSION_MAJOR_MINOR, {14, kBold}, kWhite, "", kShown},
    {W::Main, "透明标签_最小化", K::Label, {795, 3, 21, 24}, "", "", {}, kWhite, "", kShown},
    {W::Main, "透明标签_关闭", K::Label, {832, 2, 28, 24}, "", "", {}, kWhite, "", kShown},
    {W::Main, "透明标签_帐号", K::Label, {664, 47, 76, 24}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_到期时间_内容", K::Label, {664, 74, 122, 24}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_注销", K::Label, {790, 48, 40, 24}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_动态线路", K::Picture, {14, 63, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_动态线路", K::Label, {12, 62, 76, 20}, "", "", {12, kBold}, kBlack, "", kShown},
    {W::Main, "图片框_极速线路", K::Picture, {104, 63, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_极速线路", K::Label, {104, 63, 79, 20}, "", "", {12, kBold}, kBlack, "", kShown},
    {W::Main, "图片框_静态线路", K::Picture, {201, 63, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_静态线路", K::Label, {206, 62, 70, 20}, "", "", {12, kBold}, kBlack, "", kShown},
    {W::Main, "透明标签_省份已选", K::Label, {337, 64, 56, 16}, "", "全部", {12, kNormal}, kBlack, "", kShown},
    {W::Main, "透明标签_省份下拉按钮", K::Label, {344, 63, 24, 17}, "", "", {}, kBlack, "", kShown},
    {W::Main, "超级列表框_省份", K::List, {332, 87, 87, 25}, "", "", {12, kNormal}, kBlack, "", kHidden},
    {W::Main, "编辑框_搜索", K::Edit, {439, 60, 57, 23}, "", "", {13, kNormal}, kBlack, "", kShown},
    {W::Main, "透明标签_搜索", K::Label, {504, 58, 39, 24}, "", "", {}, kBlack, "", kShown},
    {W::Main, "超级列表框_节点列表", K::List, {19, 133, 517, 392}, "", "", {13, kNormal}, kBlack, "", kShown},
    {W::Main, "图片框_定时重连", K::Picture, {598, 150, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Main, "透明标签_是否定时重连", K::Label, {1, 0, 65, 20}, "图片框_定时重连", "", {}, kBlack, "", kShown},
    {W::Main, "编辑框_定时重连秒数", K::Edit, {672, 149, 32, 21}, "", "30", {12, kNormal}, kBlack, "", kShown},
    {W::Main, "透明标签1", K::Label, {704, 151, 27, 16}, "", "秒", {12, kBold}, kBlack, "", kShown},
    {W::Main, "透明标签_定时重连错误提示", K::Label, {728, 150, 128, 20}, "", "", {12, kBold}, kRed, "", kShown},
    {W::Main, "时钟_定时重连", K::Timer, {}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_掉线自动重连", K::Picture, {598, 177, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Main, "透明标签_掉线自动重连", K::Label, {598, 176, 98, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "时钟_掉线自动重连", K::Timer, {}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_异常掉线禁止网卡", K::Picture, {598, 204, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Main, "透明标签_异常掉线禁止网卡", K::Label, {600, 205, 115, 17}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_恢复网卡", K::Label, {729, 200, 64, 24}, "", "", {}, kBlack, "", kShown},
    {W::Main, "时钟_异常掉线禁用网卡", K::Timer, {}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_连接成功最小化", K::Picture, {598, 232, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Main, "透明标签_连接成功后自动最小化", K::Label, {598, 231, 154, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_开机启动", K::Picture, {598, 257, 20, 20}, "", "", {}, kBlack, "no", kShown},
    {W::Main, "透明标签_电脑开机自动开启软件", K::Label, {598, 256, 146, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_PPTP", K::Picture, {599, 320, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_PPTP", K::Label, {1, 0, 56, 16}, "图片框_PPTP", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_L2TP", K::Picture, {683, 320, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_L2TP", K::Label, {685, 320, 51, 16}, "", "", {}, kBlack, "", kShown},
    {W::Main, "图片框_SSTP", K::Picture, {763, 319, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_SSTP", K::Label, {5, 1, 48, 16}, "图片框_SSTP", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_已选线路", K::Label, {676, 382, 168, 25}, "", "未选择", {12, kBold}, kBlack, "", kShown},
    {W::Main, "透明标签_当前IP", K::Label, {676, 411, 168, 25}, "", "- -", {12, kBold}, kBlack, "", kShown},
    {W::Main, "透明标签_归属地", K::Label, {676, 438, 168, 25}, "", "- -", {12, kBold}, kBlack, "", kShown},
    {W::Main, "超级按钮_连接", K::Button, {600, 481, 108, 34}, "", "", {}, kBlack, "连接", kShown},
    {W::Main, "超级按钮_切换IP", K::Button, {731, 481, 108, 34}, "", "", {}, kBlack, "", kShown},
    {W::Main, "透明标签_当前线路", K::Label, {68, 536, 165, 17}, "", "未选择", {12, kBold}, kGreen, "", kShown},
    {W::Main, "透明标签_连接状态", K::Label, {283, 536, 573, 17}, "", "未连接", {12, kBold}, kGreen, "", kShown},
    {W::AdapterDialog, "透明标签2", K::Label, {82, 12, 152, 16}, "", "该功能需要管理员权限", {14, kBold}, kRed, "", kShown},
    {W::AdapterDialog, "透明标签3", K::Label, {40, 31, 256, 24}, "", "请运行本软件时右键选择“以管理员身份运行”", {}, kBlack, "", kShown},
    {W::AdapterDialog, "透明标签_说明", K::Label, {48, 58, 228, 16}, "", "请选择异常掉线时，需要禁用的网卡名称", {12, kBold}, kBlack, "", kShown},
    {W::AdapterDialog, "透明标签1", K::Label, {37, 82, 98, 32}, "", "选择要禁用的网卡：", {}, kGreen, "", kShown},
    {W::AdapterDialog, "透明标签_已选网卡名称", K::Label, {164, 90, 84, 16}, "", "请选择网卡", {12, kBold}, kGreen, "", kShown},
    {W::AdapterDialog, "透明标签_下拉框", K::Label, {263, 90, 16, 16}, "", "", {}, kBlack, "", kShown},
    {W::AdapterDialog, "超级列表框_网卡列表", K::List, {161, 116, 100, 70}, "", "", {}, kBlack, "", kHidden},
    {W::AdapterDialog, "超级按钮_确定", K::Button, {56, 138, 76, 30}, "", "", {}, kBlack, "", kShown},
    {W::AdapterDialog, "超级按钮_取消", K::Button, {186, 137, 76, 30}, "", "", {}, kBlack, "", kShown},
    {W::AdapterDialog, "透明标签_确定结果", K::Label, {59, 165, 208, 24}, "", "", {12, kBold}, kRed, "", kShown},
    {W::AdapterDialog, "透明标签_关闭", K::Label, {295, 8, 20, 20}, "", "", {}, kBlack, "", kShown},
    {W::ConfirmDialog, "透明标签_提示信息", K::Label, {55, 43, 200, 40}, "", "", {14, kBold}, kBlack, "", kShown},
    {W::ConfirmDialog, "超级按钮_确认", K::Button, {52, 118, 76, 30}, "", "", {}, kBlack, "", kShown},
    {W::ConfirmDialog, "超级按钮_取消", K::Button, {177, 118, 76, 30}, "", "", {}, kBlack, "", kShown},
    {W::ConfirmDialog, "透明标签_关闭", K::Label, {288, 6, 32, 24}, "", "", {}, kBlack, "", kShown},
};
// clang-format on

TEST(Catalogue, EveryControlAsTheTablesList) {
    std::map<WindowId, int> perWindow;
    for (const Expected& e : kTable) {
        SCOPED_TRACE(e.name);
        ++perWindow[e.window];
        const ControlDesign* c = CatalogueEntry(e.window).Find(e.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, KindOf(e.kind));
        EXPECT_EQ(c->position, e.position);
        EXPECT_EQ(c->parent, e.parent);
        EXPECT_EQ(c->text, e.text);
        EXPECT_EQ(c->font, e.font);
        EXPECT_EQ(c->colour, e.colour);
        EXPECT_EQ(c->tag, e.tag);
        EXPECT_EQ(c->startHidden, e.startHidden);
    }
    for (WindowId id : {W::Login, W::Main, W::AdapterDialog, W::ConfirmDialog}) {
        EXPECT_EQ(static_cast<int>(CatalogueEntry(id).controls.size()), perWindow[id]);
    }
}

TEST(Catalogue, WindowsSizesTitlesFacesMovingAndDefaultButtons) {
    struct Row {
        WindowId id;
        int width, height;
        const char* title;
        const char* face;
        bool movable, dialog;
        const char* defaultButton;  // pressed by Enter
    };
    const Row rows[] = {
        {W::Login, 380, 492, "岫澜IP", "login_face", true, false, ""},
        {W::Main, 862, 560, "岫澜IP", "main_face", true, false, ""},
        {W::AdapterDialog, 323, 197, "选择异常掉线要禁用的网卡", "adapter_dialog_face", false, true,
         "超级按钮_确定"},
        {W::ConfirmDialog, 323, 197, "", "confirm_dialog_face", false, true, "超级按钮_确认"},
    };
    for (const Row& r : rows) {
        const WindowDesign& w = CatalogueEntry(r.id);
        SCOPED_TRACE(r.face);
        EXPECT_EQ(w.id, r.id);
        EXPECT_EQ(w.width, r.width);
        EXPECT_EQ(w.height, r.height);
        EXPECT_EQ(w.title, r.title);
        EXPECT_EQ(w.face, r.face);
        EXPECT_EQ(w.movable, r.movable);
        EXPECT_EQ(w.isDialog, r.dialog);
        EXPECT_EQ(w.defaultButton, r.defaultButton);
    }
}

TEST(Catalogue, NamesAreUniqueWithinAWindowAndRepeatAcrossWindows) {
    std::map<std::string, int> windowsHaving;
    for (WindowId id : {W::Login, W::Main, W::AdapterDialog, W::ConfirmDialog}) {
        std::set<std::string> names;
        for (const ControlDesign& c : CatalogueEntry(id).controls) {
            EXPECT_TRUE(names.insert(c.name).second) << c.name;
            ++windowsHaving[c.name];
            // A parent is a picture box of the same window, listed before the child.
            if (!c.parent.empty()) {
                const ControlDesign* p = CatalogueEntry(id).Find(c.parent);
                ASSERT_NE(p, nullptr) << c.name;
                EXPECT_EQ(p->kind, ControlKind::PictureBox);
                EXPECT_LT(p, &c);
            }
        }
    }
    EXPECT_EQ(windowsHaving["透明标签_关闭"], 4);
    EXPECT_EQ(windowsHaving["超级按钮_取消"], 2);
    EXPECT_EQ(windowsHaving["透明标签1"], 2);
}

TEST(Catalogue, PicturesOfBoxesAndButtons) {
    const struct {
        WindowId window;
        const char* name;
        ImageSet pictures;
    } rows[] = {
        {W::Login, "图片框_记住密码", {"check_off", "", ""}},
        {W::Login, "图片框_自动登录", {"check_off", "", ""}},
        {W::Login, "超级按钮_登录", {"login_normal", "login_lit", "login_disabled"}},
        {W::Login, "图片框1", {"sweep_bar", "", ""}},
        {W::Main, "图片框_动态线路", {"radio_on", "", ""}},
        {W::Main, "图片框_极速线路", {"radio_off", "", ""}},
        {W::Main, "图片框_静态线路", {"radio_off", "", ""}},
        {W::Main, "图片框_定时重连", {"check_off", "", ""}},
        {W::Main, "图片框_掉线自动重连", {"check_off", "", ""}},
        {W::Main, "图片框_异常掉线禁止网卡", {"check_off", "", ""}},
        {W::Main, "图片框_连接成功最小化", {"check_off", "", ""}},
        {W::Main, "图片框_开机启动", {"check_off", "", ""}},
        {W::Main, "图片框_PPTP", {"radio_off", "", ""}},
        {W::Main, "图片框_L2TP", {"radio_off", "", ""}},
        {W::Main, "图片框_SSTP", {"radio_off", "", ""}},
        {W::Main, "超级按钮_连接", {"connect_normal", "connect_lit", "connect_disabled"}},
        {W::Main, "超级按钮_切换IP", {"switch_ip", "switch_ip", "switch_ip"}},
        {W::AdapterDialog, "超级按钮_确定", {"ok_button", "ok_button", "ok_button"}},
        {W::AdapterDialog, "超级按钮_取消", {"cancel_button", "cancel_button", "cancel_button"}},
        {W::ConfirmDialog, "超级按钮_确认", {"ok_button", "ok_button", "ok_button"}},
        {W::ConfirmDialog, "超级按钮_取消", {"cancel_button", "cancel_button", "cancel_button"}},
    };
    int listed = 0;
    for (const auto& r : rows) {
        const ControlDesign* c = CatalogueEntry(r.window).Find(r.name);
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_EQ(c->pictures, r.pictures) << r.name;
        ++listed;
    }
    // Every picture box and image button of the catalogue is in the list above.
    int boxes = 0;
    for (WindowId id : {W::Login, W::Main, W::AdapterDialog, W::ConfirmDialog}) {
        for (const ControlDesign& c : CatalogueEntry(id).controls) {
            boxes += c.kind == ControlKind::PictureBox || c.kind == ControlKind::ImageButton;
        }
    }
    EXPECT_EQ(boxes, listed);
}

TEST(Catalogue, EditBackgroundsAndListColumns) {
    const auto& login = LoginWindowDesign();
    const auto& main = MainWindowDesign();
    EXPECT_EQ(login.Find("编辑框_帐号")->background, (Colour{244, 246, 248}));
    EXPECT_EQ(login.Find("编辑框_密码")->background, (Colour{244, 246, 248}));
    EXPECT_EQ(main.Find("编辑框_搜索")->background, kWhite);
    EXPECT_EQ(main.Find("编辑框_定时重连秒数")->background, (Colour{215, 229, 226}));
    EXPECT_TRUE(main.Find("编辑框_定时重连秒数")->centred);
    EXPECT_FALSE(login.Find("编辑框_密码")->centred);

    const std::vector<Column> nodes{{"", 8},      {"省份", 110}, {"城市", 200}, {"运营商", 110},
                                    {"状态", 65}, {"服务器", 0}, {"静态ip", 0}};
    EXPECT_EQ(main.Find("超级列表框_节点列表")->columns, nodes);
    EXPECT_EQ(main.Find("超级列表框_省份")->columns, (std::vector<Column>{{"省份", 60}}));
    EXPECT_EQ(AdapterDialogDesign().Find("超级列表框_网卡列表")->columns,
              (std::vector<Column>{{"网卡名称", 80}}));
}

}  // namespace
}  // namespace xl::ui
