#pragma once
// UTF-16 text from the platform's wide calls (device and connection names) to
// the code page connection names are kept in. That is the program's own, 936
// (GBK), on every system: it is what the OEM code page is on the Chinese
// systems the names were always read on, and what the netsh command line is
// converted back from, so a name read here reaches netsh unchanged.
#include <string>

namespace xl::net {

// `text` is NUL-terminated; characters GBK lacks become "?". Null input gives
// the empty text.
std::string WideToGbk(const char16_t* text);

}  // namespace xl::net
