// Windows: a named event as the marker and the system message box, both
// through the wide calls so the name and the texts are the same on every
// system code page.
#include <windows.h>
// After windows.h, which sets the system version sddl.h declares for.
#include <sddl.h>

#include <vector>

#include "app/instance_guard.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

// The marker's permissions: the system and administrators may do anything,
// any signed-in user may only wait on it, which is all a look needs. Without
// them an elevated copy's event carries the elevated token's default
// permissions (administrators and the system only), which a normal copy of
// the same user cannot open.
constexpr wchar_t kMarkerSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100000;;;AU)";

class Win32InstancePort final : public InstancePort {
  public:
    MarkerLookup OpenMarker(const std::string& name) override {
        // Waiting rights only: the marker is never used otherwise, and asking
        // for more is refused on a marker made by a copy at a higher level.
        win32::KernelHandle found(OpenEventW(SYNCHRONIZE, FALSE, win32::Widen(name).c_str()));
        if (found) {
            // Not closed before the process ends: the port lives as long as the program.
            markers_.push_back(std::move(found));
            return MarkerLookup::Found;
        }
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
                return MarkerLookup::Absent;
            case ERROR_ACCESS_DENIED:
                return MarkerLookup::Denied;
            default:
                return MarkerLookup::Unavailable;
        }
    }

    bool CreateMarker(const std::string& name) override {
        // Without the descriptor the marker is still made, with the token's
        // default permissions: a marker that only some copies can see is
        // better than none.
        win32::LocalMemory owned;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kMarkerSecurity, SDDL_REVISION_1,
                                                                  owned.put(), nullptr)) {
            owned.release();
        }
        const PSECURITY_DESCRIPTOR descriptor = owned.get();
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        // Automatic reset, not signalled; never signalled or waited on. Kept
        // open so the system deletes the event only when this copy ends.
        win32::KernelHandle made(CreateEventW(descriptor != nullptr ? &attributes : nullptr, FALSE,
                                              FALSE, win32::Widen(name).c_str()));
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
