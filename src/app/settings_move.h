#pragma once
// Earlier versions kept the settings file in the temporary-files folder, which
// clean-up tools empty. At start-up, while the file in its own folder does not
// exist yet, the earlier one is moved there once: copied byte for byte, the
// copy read back and compared, and only then the earlier one deleted. Anything
// that goes wrong leaves the earlier file where it was (the next start tries
// again) and a line in the log. User-interface thread, before the store is made.
#include <string>

#include "app/settings_store.h"

namespace xl::app {

// True when the file now lives at `to` because it was moved from `from`.
bool MoveEarlierSettingsFile(const std::string& from, const std::string& to,
                             const SettingsLog& log);

}  // namespace xl::app
