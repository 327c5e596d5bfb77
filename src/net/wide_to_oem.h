#pragma once
// UTF-16 text from the platform's wide calls to the OEM code page, in which
// connection names are kept. Windows converts with the system's OEM code page;
// the POSIX stand-in uses code page 936, the program's own.
#include <string>

namespace xl::net {

// `text` is NUL-terminated; characters the code page lacks become "?". Null or
// unconvertible input gives the empty text.
std::string WideToOem(const char16_t* text);

}  // namespace xl::net
