#pragma once
// The tray icon against a shell: the same cases run natively against the
// recording shell and, under Wine, against the Windows one. A harness supplies
// the shell, windows with their own procedure, and ways to look at both:
//   TrayShell& Shell();  NativeWindow NewWindow();  void DestroyWindow(w);
//   bool Send(w, message, lParam);  // true when the window's own procedure got it
//   bool Reached(w, message);       // the window's own procedure ever got it
//   bool IconShown(w);  void LoseIconsAndRecreateTaskbar(w);
//   NativeWindowProc ProcOf(w);  std::optional<std::uintptr_t> Prop(w, name);
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "desktop/ico_builder.h"
#include "desktop/tray_handler.h"
#include "desktop/tray_icon.h"

namespace xl::desktop::test {

inline constexpr std::uint32_t kUnrelatedMessage = 0x0400 + 7;  // WM_USER + 7

// Passes everything on and keeps each Notify with its result.
class SpyShell final : public TrayShell {
  public:
    struct Call {
        NotifyAction action;
        NotifyIconRecord record;
        int result;
    };
    explicit SpyShell(TrayShell& inner) : inner_(inner) {}

    std::uint32_t RegisterTaskbarCreatedMessage() override {
        return inner_.RegisterTaskbarCreatedMessage();
    }
    bool IsWindow(NativeWindow w) override { return inner_.IsWindow(w); }
    NativeIcon SmallIconOf(NativeWindow w) override { return inner_.SmallIconOf(w); }
    NativeIcon CreateIconFromImage(std::span<const std::uint8_t> image) override {
        return inner_.CreateIconFromImage(image);
    }
    void DestroyIcon(NativeIcon icon) override { inner_.DestroyIcon(icon); }
    int Notify(NotifyAction action, const NotifyIconRecord& record) override {
        const int result = inner_.Notify(action, record);
        calls.push_back(Call{action, record, result});
        return result;
    }
    NativeWindowProc InstallTrayWindowProc(NativeWindow w) override {
        return inner_.InstallTrayWindowProc(w);
    }
    void SetTrayWindowProps(NativeWindow w, const TrayWindowProps& props) override {
        inner_.SetTrayWindowProps(w, props);
    }
    void RestoreWindowProc(NativeWindow w, NativeWindowProc previous) override {
        inner_.RestoreWindowProc(w, previous);
    }

    std::vector<Call> calls;

  private:
    TrayShell& inner_;
};

class FakeMainWindow final : public MainWindowVisibility {
  public:
    bool IsVisible() const override { return visible; }
    void Show() override { visible = true; }
    void Hide() override { visible = false; }
    bool visible = false;
};

inline std::string Tip(const NotifyIconRecord& record) {
    return std::string(record.szTip);
}

template <class Harness>
class TrayContract : public ::testing::Test {
  protected:
    TrayEventHandler Recorder() {
        return [this](int code) { codes.push_back(code); };
    }
    // A window with the icon added and the procedure in place.
    NativeWindow AttachedWindow(bool installHandler = true) {
        const NativeWindow w = harness.NewWindow();
        ownProc = harness.ProcOf(w);
        EXPECT_NE(tray.AddIcon(w, ico, "tip"), 0);
        tray.AttachEventHandler(Recorder(), installHandler);
        return w;
    }

    // Declared first so that they outlive the tray, which may still call the handler.
    std::vector<int> codes;
    NativeWindowProc ownProc = nullptr;
    const std::vector<std::uint8_t> ico = BuildIco({32, 24, 20, 16});
    Harness harness;
    SpyShell spy{harness.Shell()};
    TrayIcon tray{spy};
};

TYPED_TEST_SUITE_P(TrayContract);

TYPED_TEST_P(TrayContract, AddsTheIconWithItsRecordAndRemovesIt) {
    const NativeWindow w = this->harness.NewWindow();
    EXPECT_NE(this->tray.AddIcon(w, this->ico, "tip"), 0);
    EXPECT_TRUE(this->harness.IconShown(w));
    const NotifyIconRecord& r = this->tray.IconData();
    EXPECT_EQ(r.cbSize, sizeof(void*) == 8 ? 504u : 488u);
    EXPECT_EQ(r.hWnd, w);
    EXPECT_EQ(r.uID, 1u);
    EXPECT_EQ(r.uFlags, 23u);
    EXPECT_EQ(r.uCallbackMessage, 11685u);
    EXPECT_EQ(r.uTimeout, 10000u);
    EXPECT_EQ(Tip(r), "tip");
    EXPECT_NE(r.hIcon, nullptr);
    EXPECT_EQ(this->tray.OwnerWindow(), w);

    EXPECT_NE(this->tray.RemoveIcon(), 0);
    EXPECT_FALSE(this->harness.IconShown(w));
    EXPECT_EQ(this->tray.OwnerWindow(), nullptr);
}

TYPED_TEST_P(TrayContract, WhatIsNotAWindowChangesNothing) {
    const NativeWindow gone = this->harness.NewWindow();
    this->harness.DestroyWindow(gone);
    EXPECT_EQ(this->tray.AddIcon(gone, this->ico, "tip"), 0);
    EXPECT_EQ(this->tray.AddIcon(nullptr), 0);
    EXPECT_TRUE(this->spy.calls.empty());
    EXPECT_EQ(this->tray.OwnerWindow(), nullptr);

    // With no owner there is nothing to subclass.
    const NativeWindow live = this->harness.NewWindow();
    const NativeWindowProc own = this->harness.ProcOf(live);
    this->tray.AttachEventHandler(this->Recorder(), true);
    EXPECT_EQ(this->harness.ProcOf(live), own);
    EXPECT_EQ(this->tray.PreviousWindowProc(), nullptr);
}

TYPED_TEST_P(TrayContract, AttachSetsTheNamedWindowProperties) {
    const NativeWindow w = this->AttachedWindow();
    EXPECT_NE(this->harness.ProcOf(w), this->ownProc);
    EXPECT_EQ(this->tray.PreviousWindowProc(), this->ownProc);
    EXPECT_EQ(this->harness.Prop(w, "WinProc"), reinterpret_cast<std::uintptr_t>(this->ownProc));
    EXPECT_EQ(this->harness.Prop(w, "CallbackMessage"), 11685u);
    EXPECT_NE(this->tray.TaskbarCreatedMessage(), 0u);
    EXPECT_EQ(this->harness.Prop(w, "TaskbarCreatedMessage"), this->tray.TaskbarCreatedMessage());
    EXPECT_TRUE(this->harness.Prop(w, "Exec Event"));

    // Without the install flag the handler property stays absent.
    TrayIcon other(this->spy);
    const NativeWindow v = this->harness.NewWindow();
    other.AddIcon(v);
    other.AttachEventHandler(this->Recorder(), false);
    EXPECT_EQ(this->harness.Prop(v, "CallbackMessage"), 11685u);
    EXPECT_FALSE(this->harness.Prop(v, "Exec Event"));
}

TYPED_TEST_P(TrayContract, MouseActionsGoToTheHandlerAndNoFurther) {
    const NativeWindow w = this->AttachedWindow();
    const int mouse[] = {512, 513, 514, 515, 516, 517};
    for (int code : mouse) {
        EXPECT_FALSE(this->harness.Send(w, 11685, code)) << code;
    }
    EXPECT_EQ(this->codes, std::vector<int>(std::begin(mouse), std::end(mouse)));

    // Anything else reaches the window's own procedure and not the handler.
    EXPECT_TRUE(this->harness.Send(w, kUnrelatedMessage, 515));
    EXPECT_EQ(this->codes.size(), 6u);
}

TYPED_TEST_P(TrayContract, WithoutAHandlerTheMessagesGoOnToTheWindow) {
    const NativeWindow w = this->AttachedWindow(false);
    EXPECT_TRUE(this->harness.Send(w, 11685, 515));
    EXPECT_TRUE(this->harness.Send(w, this->tray.TaskbarCreatedMessage(), 0));
    EXPECT_TRUE(this->codes.empty());
}

TYPED_TEST_P(TrayContract, ARecreatedTaskbarGetsTheIconBackWithTipAndImage) {
    const NativeWindow w = this->AttachedWindow();
    EXPECT_NE(this->tray.SetTip("岫澜IP"), 0);
    EXPECT_NE(this->tray.SetIcon(this->ico), 0);
    const NativeIcon image = this->tray.IconData().hIcon;

    this->harness.LoseIconsAndRecreateTaskbar(w);
    EXPECT_EQ(this->codes, std::vector<int>{1120});
    EXPECT_TRUE(this->harness.IconShown(w));
    const auto& last = this->spy.calls.back();
    EXPECT_EQ(last.action, NotifyAction::kAdd);
    EXPECT_NE(last.result, 0);
    EXPECT_EQ(Tip(last.record), "岫澜IP");
    EXPECT_EQ(last.record.hIcon, image);
    EXPECT_EQ(last.record.uFlags, 23u);
}

TYPED_TEST_P(TrayContract, TheOwnersDestructionIsReportedAndPassedOn) {
    const NativeWindow w = this->AttachedWindow();
    this->harness.DestroyWindow(w);
    EXPECT_EQ(this->codes, std::vector<int>{1130});
    EXPECT_TRUE(this->harness.Reached(w, 2));
    this->tray.Destroy();  // the window is gone; nothing to restore it on
}

TYPED_TEST_P(TrayContract, DestroyPutsTheWindowBackAsItWas) {
    const NativeWindow w = this->AttachedWindow();
    this->tray.Destroy();
    EXPECT_EQ(this->harness.ProcOf(w), this->ownProc);
    for (const char* name :
         {"WinProc", "CallbackMessage", "TaskbarCreatedMessage", "Exec Event", "TrayIcon"}) {
        EXPECT_FALSE(this->harness.Prop(w, name)) << name;
    }
    EXPECT_FALSE(this->harness.IconShown(w));
    EXPECT_TRUE(this->harness.Send(w, 11685, 515));
    EXPECT_TRUE(this->codes.empty());
    EXPECT_EQ(this->spy.calls.back().action, NotifyAction::kDelete);
}

TYPED_TEST_P(TrayContract, AttachingTwiceKeepsOneTrayProcedureInTheChain) {
    const NativeWindow w = this->AttachedWindow();
    this->tray.AttachEventHandler(this->Recorder(), true);
    EXPECT_EQ(this->harness.Prop(w, "WinProc"), reinterpret_cast<std::uintptr_t>(this->ownProc));
    EXPECT_FALSE(this->harness.Send(w, 11685, 515));
    EXPECT_EQ(this->codes, std::vector<int>{515});
    EXPECT_TRUE(this->harness.Send(w, kUnrelatedMessage, 0));
    this->tray.Destroy();
    EXPECT_EQ(this->harness.ProcOf(w), this->ownProc);
}

TYPED_TEST_P(TrayContract, TipAndImageChangeAndBadImagesAreRefused) {
    const NativeWindow w = this->harness.NewWindow();
    ASSERT_NE(this->tray.AddIcon(w), 0);
    EXPECT_NE(this->tray.SetTip(std::string(200, 'x')), 0);
    EXPECT_EQ(Tip(this->tray.IconData()), std::string(127, 'x'));
    EXPECT_NE(this->tray.SetIcon(this->ico), 0);
    const NativeIcon good = this->tray.IconData().hIcon;
    ASSERT_NE(good, nullptr);

    // A sound directory whose image is not an image, and a cut file.
    std::vector<std::uint8_t> garbage = this->ico;
    std::fill(garbage.begin() + 70, garbage.begin() + 110, 0xEE);
    std::vector<std::uint8_t> cut(this->ico.begin(), this->ico.begin() + 100);
    const std::size_t before = this->spy.calls.size();
    EXPECT_EQ(this->tray.SetIcon(garbage), 0);
    EXPECT_EQ(this->tray.SetIcon(cut), 0);
    EXPECT_EQ(this->tray.SetIcon({}), 0);
    EXPECT_EQ(this->tray.IconData().hIcon, good);
    EXPECT_EQ(this->spy.calls.size(), before);
}

TYPED_TEST_P(TrayContract, TheClientsSequenceLetsADoubleClickToggleTheMainWindow) {
    FakeMainWindow mainWindow;
    const NativeWindow w = this->harness.NewWindow();
    EXPECT_NE(this->tray.AddIcon(w), 0);
    EXPECT_EQ(Tip(this->tray.IconData()), "");
    this->tray.AttachEventHandler([&](int code) { TrayHandler(code, mainWindow); }, true);
    EXPECT_NE(this->tray.SetTip("岫澜IP"), 0);
    EXPECT_NE(this->tray.SetIcon(this->ico), 0);

    this->harness.Send(w, 11685, 515);
    EXPECT_TRUE(mainWindow.visible);
    for (int ignored : {512, 513, 514, 516, 517}) {
        this->harness.Send(w, 11685, ignored);
        EXPECT_TRUE(mainWindow.visible) << ignored;
    }
    this->harness.LoseIconsAndRecreateTaskbar(w);
    EXPECT_TRUE(mainWindow.visible);
    EXPECT_TRUE(this->harness.IconShown(w));
    this->harness.Send(w, 11685, 515);
    EXPECT_FALSE(mainWindow.visible);
}

REGISTER_TYPED_TEST_SUITE_P(
    TrayContract, AddsTheIconWithItsRecordAndRemovesIt, WhatIsNotAWindowChangesNothing,
    AttachSetsTheNamedWindowProperties, MouseActionsGoToTheHandlerAndNoFurther,
    WithoutAHandlerTheMessagesGoOnToTheWindow, ARecreatedTaskbarGetsTheIconBackWithTipAndImage,
    TheOwnersDestructionIsReportedAndPassedOn, DestroyPutsTheWindowBackAsItWas,
    AttachingTwiceKeepsOneTrayProcedureInTheChain, TipAndImageChangeAndBadImagesAreRefused,
    TheClientsSequenceLetsADoubleClickToggleTheMainWindow);

}  // namespace xl::desktop::test
