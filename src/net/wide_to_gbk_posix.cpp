#include <errno.h>
#include <iconv.h>

#include <bit>

#include "net/wide_to_gbk.h"

namespace xl::net {

namespace {

constexpr std::size_t kChunk = 256;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

class Converter {
  public:
    Converter()
        : cd_(iconv_open("CP936",
                         std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE")) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts units [0, count); whatever the code page lacks becomes "?".
    std::string Convert(const char16_t* units, std::size_t count) {
        std::string out;
        std::size_t done = 0;
        while (done < count) {
            char* in = const_cast<char*>(reinterpret_cast<const char*>(units + done));
            std::size_t inLeft = (count - done) * 2;
            char buffer[kChunk];
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            done = count - inLeft / 2;
            if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
            // An unmappable character or a lone surrogate: one "?" for the whole code point.
            out += '?';
            const bool pair =
                done + 1 < count && IsHighSurrogate(units[done]) && IsLowSurrogate(units[done + 1]);
            done += pair ? 2 : 1;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

  private:
    iconv_t cd_;
};

}  // namespace

std::string WideToGbk(const char16_t* text) {
    if (text == nullptr) return {};
    std::size_t count = 0;
    while (text[count] != 0) ++count;
    Converter converter;
    if (!converter.ok()) return {};
    return converter.Convert(text, count);
}

}  // namespace xl::net
