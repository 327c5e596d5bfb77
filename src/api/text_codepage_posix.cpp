// Linux stand-in for Windows' code-page conversions, giving the same bytes for the same input.
// Code page 936 goes through tables built once from glibc's iconv "CP936" and completed with what
// Windows adds to it: the user-defined and unassigned sequences, which Windows maps to private-use
// code points and glibc does not map at all, and Windows' best-fit characters. UTF-8 is decoded
// here, one U+FFFD for each maximal ill-formed subpart, as Windows does.
#include <iconv.h>

#include <array>
#include <cstdint>

#include "api/text.h"

namespace xl::api {
namespace {

constexpr char16_t kReplacementChar = 0xFFFD;
constexpr char kDefaultChar = '?';
constexpr unsigned char kEuroByte = 0x80;
constexpr char16_t kEuroSign = 0x20AC;
constexpr unsigned char kLastByte = 0xFF;  // a byte of its own that Windows maps to U+F8F5
constexpr char16_t kLastBytePrivateUse = 0xF8F5;

struct Cp936Run {
    std::uint16_t firstSequence, firstUnit, count;
};
struct Cp936BestFit {
    std::uint16_t unit, bytes;
};
#include "api/text_cp936_windows.inc"

struct Cp936Tables {
    std::array<char16_t, 0x10000> decode{};       // two-byte sequence -> code unit, 0 when unmapped
    std::array<std::uint16_t, 0x10000> encode{};  // code unit -> GBK bytes, 0 when unmapped
};

char16_t IconvPair(iconv_t cd, unsigned char lead, unsigned char trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 2, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return 0;
    if (inLeft != 0 || sizeof out - outLeft != 2) return 0;
    return static_cast<char16_t>(out[0] | (out[1] << 8));
}

// Built once, read-only afterwards: the system's own code-page tables play the same role.
const Cp936Tables& Tables() {
    static const Cp936Tables tables = [] {
        Cp936Tables t;
        iconv_t cd = iconv_open("UTF-16LE", "CP936");
        if (cd == reinterpret_cast<iconv_t>(-1)) return t;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                char16_t u = IconvPair(cd, static_cast<unsigned char>(lead),
                                       static_cast<unsigned char>(trail));
                if (u == 0) continue;
                t.decode[(lead << 8) | trail] = u;
                if (t.encode[u] == 0) t.encode[u] = static_cast<std::uint16_t>((lead << 8) | trail);
            }
        }
        iconv_close(cd);
        for (const Cp936Run& run : kUserDefinedRuns) {
            for (unsigned k = 0; k < run.count; ++k) {
                t.decode[run.firstSequence + k] = static_cast<char16_t>(run.firstUnit + k);
                t.encode[run.firstUnit + k] = static_cast<std::uint16_t>(run.firstSequence + k);
            }
        }
        for (const Cp936BestFit& fit : kBestFit) t.encode[fit.unit] = fit.bytes;
        t.encode[kLastBytePrivateUse] = kLastByte;
        return t;
    }();
    return tables;
}

void DecodeCp936(std::string_view text, std::u16string& out) {
    const Cp936Tables& t = Tables();
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
        } else if (b == kEuroByte) {
            out.push_back(kEuroSign);
            ++i;
        } else if (b == kLastByte) {
            out.push_back(kLastBytePrivateUse);
            ++i;
        } else if (i + 1 == text.size()) {
            out.push_back(kDefaultChar);
            ++i;
        } else {
            unsigned char trail = static_cast<unsigned char>(text[i + 1]);
            char16_t u = t.decode[(b << 8) | trail];
            out.push_back(u != 0 ? u : static_cast<char16_t>(kDefaultChar));
            i += 2;
        }
    }
}

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// One U+FFFD per maximal ill-formed subpart, as Windows does.
void DecodeUtf8(std::string_view text, std::u16string& out) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = byte(i);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        std::size_t need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out.push_back(kReplacementChar);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool complete = true;
        for (std::size_t k = 0; k < need; ++k, ++j) {
            unsigned char c = j < text.size() ? byte(j) : 0;
            bool ok = j < text.size() && (k == 0 ? (c >= lo && c <= hi) : IsContinuation(c));
            if (!ok) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        i = j;
        if (!complete) {
            out.push_back(kReplacementChar);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
}

void EncodeCp936(const std::u16string& units, std::string& out) {
    const Cp936Tables& t = Tables();
    for (char16_t u : units) {
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u == kEuroSign) {
            out.push_back(static_cast<char>(kEuroByte));
        } else if (std::uint16_t g = t.encode[u]; g > 0xFF) {
            out.push_back(static_cast<char>(g >> 8));
            out.push_back(static_cast<char>(g & 0xFF));
        } else if (g != 0) {
            out.push_back(static_cast<char>(g));
        } else {
            out.push_back(kDefaultChar);
        }
    }
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// A lone surrogate becomes U+FFFD, as Windows writes it.
void EncodeUtf8(const std::u16string& units, std::string& out) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        bool high = u >= 0xD800 && u <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(kReplacementChar, out);
        } else {
            AppendUtf8(u, out);
        }
    }
}

bool IsGbk(unsigned codePage) {
    return codePage == gbk::kCodePage || codePage == kCodePageAnsi;
}

}  // namespace

std::string MultiByteToUtf16(std::string_view text, unsigned codePage) {
    text = text.substr(0, text.find('\0'));
    std::u16string units;
    if (codePage == kCodePageUtf8) {
        DecodeUtf8(text, units);
    } else if (IsGbk(codePage)) {
        DecodeCp936(text, units);
    } else {
        return {};
    }
    units.push_back(0);
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

std::string Utf16ToMultiByte(std::string_view utf16le, unsigned codePage) {
    if (codePage != kCodePageUtf8 && !IsGbk(codePage)) return {};
    std::u16string units;
    for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        char16_t u = static_cast<char16_t>(static_cast<unsigned char>(utf16le[i]) |
                                           (static_cast<unsigned char>(utf16le[i + 1]) << 8));
        if (u == 0) break;
        units.push_back(u);
    }
    std::string out;
    if (codePage == kCodePageUtf8) {
        EncodeUtf8(units, out);
    } else {
        EncodeCp936(units, out);
    }
    return out;
}

}  // namespace xl::api
