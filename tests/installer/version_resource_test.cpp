// The version information of the shipped client, read back from the built file
// the way Explorer's properties page reads it: the numbers and texts match the
// project's version, and the Chinese names come out as Chinese.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product_version.h"

namespace {

class VersionResource : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring file = Widen(XIULAN_CLIENT_EXE);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version information in " << XIULAN_CLIENT_EXE;
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, data_.data()));
    }
    static std::wstring Widen(const char* ascii) {
        return std::wstring(ascii, ascii + strlen(ascii));
    }
    // A text of the string table the translation list names first.
    std::wstring Text(const wchar_t* name) {
        struct Translation {
            WORD language, codePage;
        }* translations = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation",
                            reinterpret_cast<void**>(&translations), &length) ||
            length < sizeof(Translation)) {
            return L"<no translation>";
        }
        wchar_t path[96];
        swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language,
                 translations->codePage, name);
        wchar_t* value = nullptr;
        if (!VerQueryValueW(data_.data(), path, reinterpret_cast<void**>(&value), &length)) {
            return L"<missing>";
        }
        return std::wstring(value, length > 0 ? length - 1 : 0);
    }
    std::vector<unsigned char> data_;
};

TEST_F(VersionResource, NumbersMatchTheProjectVersion) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, XIULAN_VERSION);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionResource, TextsInSimplifiedChineseUnicode) {
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation->language, 0x0804);
    EXPECT_EQ(translation->codePage, 1200);

    const std::wstring version = Widen(XIULAN_VERSION);
    const std::wstring product = L"\u5CAB\u6F9CIP";  // 岫澜IP
    EXPECT_EQ(Text(L"FileVersion"), version);
    EXPECT_EQ(Text(L"ProductVersion"), version);
    EXPECT_EQ(Text(L"ProductName"), product);
    EXPECT_EQ(Text(L"FileDescription"), product);
    EXPECT_EQ(Text(L"CompanyName"), product);
    EXPECT_EQ(Text(L"Publisher"), product);
    EXPECT_EQ(Text(L"OriginalFilename"), L"XiulanIP.exe");
    const std::wstring copyright = Text(L"LegalCopyright");
    EXPECT_EQ(copyright.rfind(L"Copyright (C) ", 0), 0u);
    EXPECT_NE(copyright.find(product), std::wstring::npos);
}

}  // namespace
