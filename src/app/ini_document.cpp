#include "app/ini_document.h"

namespace xl::app {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "[name]" gives name (trimmed); anything else gives nothing.
bool SectionName(std::string_view line, std::string_view& name) {
    line = TrimBlanks(line);
    if (line.size() < 2 || line.front() != '[') return false;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = TrimBlanks(line.substr(1, close - 1));
    return true;
}

// "key=value" gives key and value (both trimmed); comment and other lines give nothing.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';' || line.front() == '[') return false;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = TrimBlanks(line.substr(0, eq));
    value = TrimBlanks(line.substr(eq + 1));
    return true;
}

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        if (ca >= 0x80) {
            // A lead byte and its trail byte compare exactly: folding a trail
            // byte in 0x41-0x5A would make two different characters equal.
            if (a[i] != b[i]) return false;
            if (i + 1 < a.size()) {
                ++i;
                if (a[i] != b[i]) return false;
            }
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        doc.lines_.push_back({std::string(line)});
        start = end + 1;
    }
    return doc;
}

int IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (SectionName(lines_[i].text, name) && EqualsIgnoringAsciiCase(name, section)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int IniDocument::SectionEnd(int header) const {
    std::size_t i = static_cast<std::size_t>(header) + 1;
    std::string_view name;
    while (i < lines_.size() && !SectionName(lines_[i].text, name)) ++i;
    return static_cast<int>(i);
}

int IniDocument::FindKey(int header, std::string_view key) const {
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        std::string_view k, v;
        if (KeyValue(lines_[static_cast<std::size_t>(i)].text, k, v) &&
            EqualsIgnoringAsciiCase(k, key)) {
            return i;
        }
    }
    return -1;
}

std::string IniDocument::Get(std::string_view section, std::string_view key) const {
    const int header = FindSection(section);
    if (header < 0) return {};
    const int line = FindKey(header, key);
    if (line < 0) return {};
    std::string_view k, value;
    KeyValue(lines_[static_cast<std::size_t>(line)].text, k, value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    // The Windows functions store the value without its surrounding blanks.
    value = TrimBlanks(value);
    int header = FindSection(section);
    if (header < 0) {
        lines_.push_back(Line{"[" + std::string(section) + "]"});
        lines_.push_back(Line{std::string(key) + "=" + std::string(value)});
        return;
    }
    const int line = FindKey(header, key);
    if (line >= 0) {
        // The existing spelling of the key is kept, as Windows does.
        std::string_view k, v;
        KeyValue(lines_[static_cast<std::size_t>(line)].text, k, v);
        lines_[static_cast<std::size_t>(line)].text = std::string(k) + "=" + std::string(value);
        return;
    }
    int at = SectionEnd(header);
    // New keys follow the section's last item, before any blank lines.
    while (at > header + 1 && TrimBlanks(lines_[static_cast<std::size_t>(at - 1)].text).empty()) {
        --at;
    }
    lines_.insert(lines_.begin() + at, Line{std::string(key) + "=" + std::string(value)});
}

std::string IniDocument::Serialise() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

}  // namespace xl::app
