#pragma once
// The crash guard: every thread the process starts in itself begins in the
// guard's thread-start wrapper, and an exception handler of the guard covers
// every thread. Reporting is off in this client, so the handler declines every
// exception and an unhandled one ends the process through the system's default
// handling, exactly as without the guard.
//
// On x86-64 Windows the handler is a vectored one (64-bit code has no
// frame-linked handler chain) and thread creation is diverted at the system's
// thread-creation function. Elsewhere the guard does nothing.

namespace xl::crash {

enum class ExceptionDisposition : int {
    ContinueExecution = 0,
    ContinueSearch = 1,
};

// Which thread-creation function was diverted.
enum class Interception {
    None,                  // not installed, or no function could be diverted
    CreateRemoteThreadEx,  // kernelbase
    CreateRemoteThread,    // kernel32, where kernelbase cannot be diverted
};

// The guard's handler: it declines while reporting is off, and this client
// has no reporter, so it never takes an exception.
ExceptionDisposition HandleException(bool reportingEnabled);

// The guard is process-wide: what it installs stays until the process ends,
// so its state lives with the process, not with this object.
class CrashGuard {
  public:
    // Installs the handler and the interception; later calls change nothing.
    // kernelbase's function is tried first unless `first` names kernel32's,
    // which only tests do to reach the fallback.
    void InstallCrashGuard(Interception first = Interception::CreateRemoteThreadEx);

    bool reportingEnabled() const;
    Interception interception() const;

    // True on a thread that began in the guard's thread-start wrapper.
    static bool CurrentThreadWrapped();
    // Threads started through the wrapper since installation.
    static long WrappedThreadCount();
};

}  // namespace xl::crash
