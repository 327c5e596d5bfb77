#include "ui/win32_backend/icon_win32.h"

#include <cstdlib>

namespace xl::ui::win32_backend {

namespace {
std::uint32_t Le(std::span<const std::uint8_t> b, size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
    return v;
}
constexpr size_t kHeader = 6, kEntry = 16;
}  // namespace

HICON IconFromIcoFile(std::span<const std::uint8_t> ico, int size) {
    if (ico.size() < kHeader || Le(ico, 0, 2) != 0 || Le(ico, 2, 2) != 1) return nullptr;
    const size_t count = Le(ico, 4, 2);
    if (ico.size() < kHeader + count * kEntry) return nullptr;
    size_t best = count;
    int bestDistance = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t e = kHeader + i * kEntry;
        const int w = ico[e] == 0 ? 256 : ico[e];
        const std::uint32_t bytes = Le(ico, e + 8, 4), offset = Le(ico, e + 12, 4);
        if (offset > ico.size() || bytes > ico.size() - offset) continue;  // truncated entry
        // Prefer the nearest size, and among equals the larger image.
        const int distance = std::abs(w - size) * 2 + (w < size ? 1 : 0);
        if (best == count || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best == count) return nullptr;
    const size_t e = kHeader + best * kEntry;
    const std::uint32_t bytes = Le(ico, e + 8, 4), offset = Le(ico, e + 12, 4);
    return CreateIconFromResourceEx(const_cast<BYTE*>(ico.data() + offset), bytes, TRUE, 0x00030000,
                                    size, size, LR_DEFAULTCOLOR);
}

}  // namespace xl::ui::win32_backend
