#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

TEST(Utf8Text, DecodesAndReplacesMalformedSequences) {
    struct Case {
        const char* name;
        std::string bytes;
        std::wstring expected;
    } const cases[] = {
        {"ascii", "abc", L"abc"},
        {"two, three and four bytes", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80",
         L"\u00E9\u4E2D\U0001F600"},
        {"stray continuation",
         "a\x80"
         "b",
         L"a\uFFFDb"},
        {"truncated at the end", "a\xE4\xB8", L"a\uFFFD\uFFFD"},
        {"overlong", "\xC0\xAF", L"\uFFFD\uFFFD"},
        {"surrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::Utf8ToWide(c.bytes), c.expected) << c.name;
    }
}

TEST(Utf8Text, EncodesEveryLengthAndReplacesNonCharacters) {
    const std::wstring text = L"a\u00E9\u4E2D\U0001F600";
    EXPECT_EQ(platform::WideToUtf8(text), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(platform::Utf8ToWide(platform::WideToUtf8(text)), text);
    const std::wstring bad{static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)};
    EXPECT_EQ(platform::WideToUtf8(bad), "\xEF\xBF\xBD\xEF\xBF\xBD");
}
