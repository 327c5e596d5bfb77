#pragma once
// The program's name, as every part of it that shows or stores it uses it:
// the windows' and the tray icon's title, the remote-access entry it dials
// and the folder of its settings. The entry and the folder are found again by
// it in later runs, so it is one constant and never varies with a version.
// Plain data: any thread, nothing to own, nothing that fails.

namespace xl::app {

inline constexpr char kProgramName[] = "岫澜IP";

}  // namespace xl::app
