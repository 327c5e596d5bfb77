#include "app/instance_guard.h"

namespace xl::app {

bool GuardSingleInstance(InstancePort& port, const std::string& name) {
    const MarkerLookup lookup = port.OpenMarker(name);
    if (lookup == MarkerLookup::Found || lookup == MarkerLookup::Denied) {
        port.ShowStopMessage(kAlreadyRunningText, kAlreadyRunningCaption);
        // The found marker is not closed first; ending the process releases it.
        port.EndProcess(0);
        return false;
    }
    // Neither a failure nor a marker made meanwhile by a copy started at the
    // same moment is looked at: both copies then run.
    port.CreateMarker(name);
    return true;
}

}  // namespace xl::app
