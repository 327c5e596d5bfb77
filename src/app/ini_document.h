#pragma once
// An INI file held as its lines, edited the way the Windows private-profile
// functions edit one: lookups fold ASCII case (never a GBK trail byte), values
// are trimmed and unquoted on reading, a new section goes at the end, an
// existing item is rewritten in place, and every other line is kept as it was.
#include <string>
#include <string_view>
#include <vector>

namespace xl::app {

class IniDocument {
  public:
    static IniDocument Parse(std::string_view bytes);

    // The item's value as the private-profile reader returns it: surrounding
    // spaces and tabs removed, then one pair of matching quotes. Empty when
    // missing.
    std::string Get(std::string_view section, std::string_view key) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Lines end in CR LF, as the Windows functions write them.
    std::string Serialise() const;

  private:
    struct Line {
        std::string text;  // without its line end
    };
    // Index of the section's header line, or -1.
    int FindSection(std::string_view section) const;
    // Index of the key's line inside the section starting after `header`, or -1.
    int FindKey(int header, std::string_view key) const;
    int SectionEnd(int header) const;

    std::vector<Line> lines_;
};

// ASCII-only, GBK-aware case-insensitive equality (trail bytes compare exactly).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace xl::app
