#pragma once
// Disable-on-drop: disable a chosen network adapter when the link drops by
// itself. The dialog its caption opens (a switch of the settings panel) lists
// the local adapters by connection name, and the option turns on only when
// the dialog is confirmed with an adapter chosen; the restore mark on the main
// window enables the adapter again. The supervisor holds the option's state
// (`disableOnDrop`, `chosenAdapterName`, `disabledAdapterName`); this file
// shows and saves what the dialog changes.
// User-interface thread only. The dialog is modeless; Esc destroys it and the
// next opening builds it again, filling its list anew. The supervisor, the
// adapter control and the settings file are borrowed and outlive it.
#include <string>

#include "api/log.h"
#include "app/main_settings.h"
#include "app/settings_file.h"
#include "dial/connection_supervisor.h"
#include "net/adapter_control.h"
#include "ui/window_system.h"

namespace xl::ui {

inline constexpr char kNoAdapterChosenText[] = "未选择网卡";

class AdapterDialog {
  public:
    struct Services {
        WindowSystem& windows;
        app::SettingsFile& settings;
        dial::ConnectionSupervisor& supervisor;
        net::AdapterControl& adapters;
        api::ProgramLog& log;  // what each opening listed
    };

    explicit AdapterDialog(Services services);
    AdapterDialog(const AdapterDialog&) = delete;
    AdapterDialog& operator=(const AdapterDialog&) = delete;

    void Bind();

    // 透明标签_恢复网卡: enables the chosen adapter (an empty name too).
    void RestoreAdapter();

    // The dialog's own events.
    void ToggleAdapterList();
    void AdapterRowChosen();
    void Confirm();
    void Hide();

  private:
    // Creation: the chosen name, then the adapters of a fresh enumeration.
    void Fill(Window& dialog);
    Control* Get(const char* name) const;

    Services s_;
};

}  // namespace xl::ui
