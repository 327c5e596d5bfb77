#pragma once
// Only one copy of the program runs per logon. The first copy leaves a named
// marker (a Windows event object in the logon's namespace) that lives as long
// as the process; a later copy that finds it tells the user and ends. A copy
// started as administrator and one started normally see each other's marker:
// the marker lets both levels look, and a marker this copy may not look at
// counts as a running copy. The system calls sit behind a small port so the
// decision can be tested with a recording fake, and both real ports with one
// contract suite.
#include <memory>
#include <string>

namespace xl::app {

// The marker's name (GBK). No global-namespace prefix: copies under another
// logon do not see it.
inline constexpr char InstanceEventName[] = "岫澜IP禁止程序重复运行";
inline constexpr char kAlreadyRunningText[] = "程序已运行，请勿重复打开！";
inline constexpr char kAlreadyRunningCaption[] = "友情提醒:";

enum class MarkerLookup {
    Found,        // another copy holds the marker
    Denied,       // a marker is there, but this copy may not open it: a copy
                  // with other rights (elevated, or an older version's) holds it
    Absent,       // nobody does
    Unavailable,  // the lookup failed otherwise
};

class InstancePort {
  public:
    virtual ~InstancePort() = default;
    // Looks for the marker of a running copy. A found marker stays open as
    // long as the port, which the program keeps until the process ends.
    virtual MarkerLookup OpenMarker(const std::string& name) = 0;
    // Leaves this copy's marker, held as long as the port (so until the
    // process ends), openable for looking by a copy at either level; false
    // when none could be made.
    virtual bool CreateMarker(const std::string& name) = 0;
    // Stop icon and an OK button, task-modal and without an owner window;
    // returns when the user has closed it.
    virtual void ShowStopMessage(const std::string& text, const std::string& caption) = 0;
    // Ends the process with `code`; only a test's fake comes back.
    virtual void EndProcess(int code) = 0;
};

// True if this copy may run; otherwise (a marker found, or one there that may
// not be opened) shows the message and ends the process with code 0 (false
// comes back only from a test's port, and nothing more of the start-up may run
// then). Any other failed lookup, or a failed creation, lets the copy run:
// being refused wrongly is worse than two copies.
// `name` is the marker's name; only tests give another.
bool GuardSingleInstance(InstancePort& port, const std::string& name = InstanceEventName);

// The port of this platform: a named event and the system message box on
// Windows; elsewhere a per-user file lock and the message on standard error.
std::unique_ptr<InstancePort> MakeInstancePort();

}  // namespace xl::app
