#pragma once
// The program's icon travels as .ico bytes; Windows makes an HICON from one
// image of the file, so the image nearest the wanted size is picked here.
#include <windows.h>

#include <cstdint>
#include <span>

namespace xl::ui::win32_backend {

// nullptr when the bytes are not an icon file or hold no usable image.
HICON IconFromIcoFile(std::span<const std::uint8_t> ico, int size);

}  // namespace xl::ui::win32_backend
