// JsonDocument::Parse on arbitrary text followed by reads and writes along a path. The first line
// of the input is the path, the rest the JSON text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/json_document.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using xl::api::JsonDocument;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t newline = input.find('\n');
    std::string_view path = input.substr(0, newline);
    std::string_view text = newline == std::string_view::npos ? "" : input.substr(newline + 1);

    JsonDocument doc;
    bool parsed = doc.Parse(text);
    std::string written = doc.ToText();
    if (parsed) {
        JsonDocument again;
        Check(again.Parse(written));
        Check(again.ToText() == written);
    }
    doc.GetNumber(path);
    doc.GetInt(path);
    doc.GetInt64(path);
    doc.GetBool(path);
    doc.GetText(path);
    doc.GetJsonText(path);
    doc.Exists(path);
    Check(doc.TypeOf(path) >= 0);
    std::vector<std::string> keys;
    doc.GetKeys(keys, path);
    int count = doc.GetCount(path);
    Check(count < 1 || keys.size() == static_cast<std::size_t>(count));
    JsonDocument part = doc.GetObject(path);
    part.ToText();
    doc.GetItemText(0, path, true);
    doc.GetItemObject(1, path).ToText();

    JsonDocument copy = doc;
    copy.SetText(path, text);
    copy.SetJson(path, text);
    copy.SetValue(path, text, true);
    copy.AppendToArray(text, path, true);
    copy.SetRootItem(2, text, false);
    copy.RemoveRootItem(0);
    copy.SetRoot(text, true);
    copy.ToText();
    return 0;
}
