// Windows: a named event as the marker and the system message box.
#include <windows.h>

#include "app/instance_guard.h"

namespace xl::app {
namespace {

class Win32InstancePort final : public InstancePort {
  public:
    MarkerLookup OpenMarker(const std::string& name) override {
        // The handle is deliberately never closed: the event must outlive
        // nothing but this process.
        if (OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()) != nullptr)
            return MarkerLookup::Found;
        return GetLastError() == ERROR_FILE_NOT_FOUND ? MarkerLookup::Absent
                                                      : MarkerLookup::Unavailable;
    }

    bool CreateMarker(const std::string& name) override {
        // Automatic reset, not signalled; never signalled or waited on. Kept
        // open so the system deletes the event only when this copy ends.
        return CreateEventA(nullptr, FALSE, FALSE, name.c_str()) != nullptr;
    }

    void ShowStopMessage(const std::string& text, const std::string& caption) override {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONHAND | MB_TASKMODAL);
    }

    void EndProcess(int code) override { ExitProcess(static_cast<UINT>(code)); }
};

}  // namespace

std::unique_ptr<InstancePort> MakeInstancePort() {
    return std::make_unique<Win32InstancePort>();
}

}  // namespace xl::app
