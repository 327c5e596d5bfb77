#pragma once
// What the program does with the tray icon's events: a double-click shows the
// main window when it is hidden and hides it when it is shown. The window is
// reached through a small interface the composition root implements.
namespace xl::desktop {

class MainWindowVisibility {
  public:
    virtual ~MainWindowVisibility() = default;
    virtual bool IsVisible() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

// Every code but the left double-click is ignored; putting the icon back after
// the taskbar returns is the tray icon's own work.
void TrayHandler(int code, MainWindowVisibility& mainWindow);

}  // namespace xl::desktop
