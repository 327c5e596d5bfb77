// Windows: a named event as the marker and the system message box, both
// through the wide calls so the name and the texts are the same on every
// system code page.
#include <windows.h>

#include <vector>

#include "app/instance_guard.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

class Win32InstancePort final : public InstancePort {
  public:
    MarkerLookup OpenMarker(const std::string& name) override {
        win32::KernelHandle found(OpenEventW(EVENT_ALL_ACCESS, FALSE, win32::Widen(name).c_str()));
        if (found) {
            // Not closed before the process ends: the port lives as long as the program.
            markers_.push_back(std::move(found));
            return MarkerLookup::Found;
        }
        return GetLastError() == ERROR_FILE_NOT_FOUND ? MarkerLookup::Absent
                                                      : MarkerLookup::Unavailable;
    }

    bool CreateMarker(const std::string& name) override {
        // Automatic reset, not signalled; never signalled or waited on. Kept
        // open so the system deletes the event only when this copy ends.
        win32::KernelHandle made(CreateEventW(nullptr, FALSE, FALSE, win32::Widen(name).c_str()));
        if (!made) return false;
        markers_.push_back(std::move(made));
        return true;
    }

    void ShowStopMessage(const std::string& text, const std::string& caption) override {
        MessageBoxW(nullptr, win32::Widen(text).c_str(), win32::Widen(caption).c_str(),
                    MB_OK | MB_ICONHAND | MB_TASKMODAL);
    }

    void EndProcess(int code) override { ExitProcess(static_cast<UINT>(code)); }

  private:
    std::vector<win32::KernelHandle> markers_;
};

}  // namespace

std::unique_ptr<InstancePort> MakeInstancePort() {
    return std::make_unique<Win32InstancePort>();
}

}  // namespace xl::app
