#include "api/json_path.h"

#include <charconv>

namespace xl::api::json_detail {
namespace {

// Arrays grow to a written index, the gap filled with null as the engine wrote its holes; an index
// further than this beyond the end is refused rather than filling memory.
constexpr std::size_t kMaxArrayGrowth = 4096;

bool IsNameByte(char c, bool first) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x80 || c == '_' || c == '$') return true;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return !first && c >= '0' && c <= '9';
}

// A name starting at `i`; GBK characters are taken whole so that a trail byte is never a dot.
std::optional<std::string> ReadName(std::string_view path, std::size_t& i) {
    std::size_t begin = i;
    while (i < path.size() && IsNameByte(path[i], i == begin)) {
        i += static_cast<unsigned char>(path[i]) >= 0x80 && i + 1 < path.size() ? 2 : 1;
    }
    if (i == begin) return std::nullopt;
    std::string_view name = path.substr(begin, i - begin);
    return ToUtf8(name);
}

std::optional<std::size_t> ReadIndex(std::string_view path, std::size_t& i) {
    std::size_t close = path.find(']', i);
    if (close == std::string_view::npos || close == i) return std::nullopt;
    std::size_t index = 0;
    auto [end, ec] = std::from_chars(path.data() + i, path.data() + close, index);
    if (ec != std::errc() || end != path.data() + close) return std::nullopt;
    i = close + 1;
    return index;
}

const Json* Step(const Json& value, const PathStep& step) {
    if (const std::string* name = std::get_if<std::string>(&step)) {
        if (!value.is_object()) return nullptr;
        auto it = value.find(*name);
        return it == value.end() ? nullptr : &*it;
    }
    std::size_t index = std::get<std::size_t>(step);
    if (value.is_array()) return index < value.size() ? &value[index] : nullptr;
    if (value.is_object()) return Step(value, PathStep(std::to_string(index)));
    return nullptr;
}

}  // namespace

std::optional<Path> ParsePath(std::string_view gbkPath, PathForm form) {
    Path path;
    if (gbkPath.empty()) {
        if (form == PathForm::kOptional) return path;
        return std::nullopt;
    }
    std::size_t i = 0;
    bool expectName = !(form == PathForm::kMemberOrIndex && gbkPath.front() == '[');
    while (i < gbkPath.size()) {
        if (expectName) {
            std::optional<std::string> name = ReadName(gbkPath, i);
            if (!name) return std::nullopt;
            path.emplace_back(std::move(*name));
            expectName = false;
        } else if (gbkPath[i] == '[') {
            std::optional<std::size_t> index = ReadIndex(gbkPath, ++i);
            if (!index) return std::nullopt;
            path.emplace_back(*index);
        } else if (gbkPath[i] == '.') {
            ++i;
            expectName = true;
        } else {
            return std::nullopt;
        }
    }
    if (expectName) return std::nullopt;  // a trailing dot
    return path;
}

const Json* Resolve(const Json& root, const Path& path) {
    const Json* value = &root;
    for (const PathStep& step : path) {
        value = Step(*value, step);
        if (value == nullptr) return nullptr;
    }
    return value;
}

Json* Resolve(Json& root, const Path& path) {
    return const_cast<Json*>(Resolve(static_cast<const Json&>(root), path));
}

Json* SlotFor(Json& root, const Path& path) {
    if (path.empty()) return &root;
    Json* parent = Resolve(root, Path(path.begin(), path.end() - 1));
    if (parent == nullptr) return nullptr;
    const PathStep& last = path.back();
    if (const std::string* name = std::get_if<std::string>(&last)) {
        return parent->is_object() ? &(*parent)[*name] : nullptr;
    }
    std::size_t index = std::get<std::size_t>(last);
    if (parent->is_object()) return &(*parent)[std::to_string(index)];
    if (!parent->is_array() || index > parent->size() + kMaxArrayGrowth) return nullptr;
    while (parent->size() <= index) parent->push_back(nullptr);
    return &(*parent)[index];
}

bool Remove(Json& root, const Path& path) {
    if (path.empty()) return false;
    Json* parent = Resolve(root, Path(path.begin(), path.end() - 1));
    if (parent == nullptr) return false;
    const PathStep& last = path.back();
    std::string name = std::holds_alternative<std::string>(last)
                           ? std::get<std::string>(last)
                           : std::to_string(std::get<std::size_t>(last));
    if (parent->is_object()) return parent->erase(name) > 0;
    // An element cannot go without moving the later ones: it becomes null, as a hole is written.
    if (parent->is_array() && std::holds_alternative<std::size_t>(last)) {
        std::size_t index = std::get<std::size_t>(last);
        if (index >= parent->size()) return false;
        (*parent)[index] = nullptr;
        return true;
    }
    return false;
}

}  // namespace xl::api::json_detail
