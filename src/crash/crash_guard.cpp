#include "crash/crash_guard.h"

namespace xl::crash {

ExceptionDisposition HandleException(bool reportingEnabled) {
    // With reporting on, a reporter would take the exception here; none is
    // part of this client, so the answer is the same either way.
    (void)reportingEnabled;
    return ExceptionDisposition::ContinueSearch;
}

}  // namespace xl::crash
