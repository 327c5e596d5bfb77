#pragma once
// The window layer converts its texts with the Win32 edge's one conversion
// (code page 936, whatever the system's), under the names it has always used.
#include "win32/text.h"

namespace xl::ui::win32 {

using ::xl::win32::Narrow;
using ::xl::win32::Widen;

}  // namespace xl::ui::win32
