#include "desktop/tray_handler.h"

#include "desktop/tray_icon.h"

namespace xl::desktop {

void TrayHandler(int code, MainWindowVisibility& mainWindow) {
    if (code != kTrayLeftDoubleClick) return;
    if (mainWindow.IsVisible()) {
        mainWindow.Hide();
    } else {
        mainWindow.Show();
    }
}

}  // namespace xl::desktop
