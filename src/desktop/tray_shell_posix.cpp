// Without a desktop shell the program's tray is the recording one: the headless
// build and its tests drive it directly.
#include "desktop/recording_tray_shell.h"

namespace xl::desktop {

std::unique_ptr<TrayShell> MakePlatformTrayShell() {
    return std::make_unique<RecordingTrayShell>();
}

}  // namespace xl::desktop
