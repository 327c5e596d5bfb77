// Without Windows' thread-creation function and exception dispatch there is
// nothing to divert; with reporting off the guard has no visible effect anyway.
#include "crash/crash_guard.h"

namespace xl::crash {

void CrashGuard::InstallCrashGuard(Interception) {}
bool CrashGuard::reportingEnabled() const {
    return false;
}
Interception CrashGuard::interception() const {
    return Interception::None;
}
bool CrashGuard::CurrentThreadWrapped() {
    return false;
}
long CrashGuard::WrappedThreadCount() {
    return 0;
}

}  // namespace xl::crash
