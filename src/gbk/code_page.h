#pragma once
// The code page of the program's texts: GBK, Windows' code page 936, named
// explicitly wherever text is converted, so that the program reads the same
// on a system whose ANSI code page is another one. A plain number, free of
// any Windows header, for the Win32 edge and the portable conversions alike.

namespace xl::gbk {

inline constexpr unsigned kCodePage = 936;

}  // namespace xl::gbk
