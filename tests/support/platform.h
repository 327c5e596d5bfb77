#pragma once
// Tests that exercise real Windows calls need to know when Wine stands in for
// Windows: some calls are stubs there, and such cases skip with their reason.
#ifdef _WIN32
#include <windows.h>
#endif

namespace xl::test {

inline bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace xl::test
