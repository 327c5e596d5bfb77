// The settings file as a hand edit or a crash may leave it: whatever the bytes,
// every item reads as one line's text, the file written back reads the same,
// and writing an item changes that item only.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/ini_document.h"
#include "app/loaded_settings_store.h"
#include "app/settings_file.h"
#include "app/settings_store.h"

namespace {

using namespace xl::app;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// What the reader makes of a value written as it stands.
std::string AsRead(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::Parse(bytes);
    std::string before[std::size(kAllSettingKeys)];
    for (std::size_t i = 0; i < std::size(kAllSettingKeys); ++i) {
        before[i] = doc.Get(kAllSettingKeys[i].section, kAllSettingKeys[i].key);
        Check(before[i].find('\n') == std::string::npos && before[i].size() <= size);
        const std::string cut = CutToWholeCharacters(before[i], 16);
        Check(cut.size() <= 16 && before[i].compare(0, cut.size(), cut) == 0);
    }

    const std::string text = doc.Serialise();
    const IniDocument again = IniDocument::Parse(text);
    Check(again.Serialise() == text);
    for (std::size_t i = 0; i < std::size(kAllSettingKeys); ++i) {
        Check(again.Get(kAllSettingKeys[i].section, kAllSettingKeys[i].key) == before[i]);
    }

    // The file's first bytes as the value a window hands over: only a text
    // that cannot break a line reaches the file.
    const std::string value(bytes.substr(0, 64));
    if (!IsStorableSettingText(value)) return 0;
    doc.Set(kServerName.section, kServerName.key, value);
    const IniDocument written = IniDocument::Parse(doc.Serialise());  // as the next start reads it
    Check(written.Get(kServerName.section, kServerName.key) == AsRead(value));
    for (std::size_t i = 0; i < std::size(kAllSettingKeys); ++i) {
        if (kAllSettingKeys[i].section == kServerName.section) continue;
        Check(written.Get(kAllSettingKeys[i].section, kAllSettingKeys[i].key) == before[i]);
    }
    return 0;
}
