#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/win32.h"

namespace {

struct WtolCase {
    const char* name;
    const wchar_t* text;
    long value;
};

}  // namespace

TEST(Text, WtolParsesLikeTheOriginal) {
    const WtolCase cases[] = {
        {"plain", L"115200", 115200},
        {"leading spaces and tab", L" \t 9600", 9600},
        {"plus sign", L"+42", 42},
        {"minus sign", L"-17", -17},
        {"stops at first non-digit", L"38400 baud", 38400},
        {"no digits", L"baud", 0},
        {"empty", L"", 0},
        {"sign alone", L"-", 0},
        {"no hex", L"0x1F", 0},
        {"leading zeros", L"007", 7},
        {"clamps high", L"99999999999", 2147483647},
        {"clamps low", L"-99999999999", -2147483647L - 1},
        {"largest", L"2147483647", 2147483647},
        {"one past largest", L"2147483648", 2147483647},
        {"wide digits are not digits", L"\uFF11", 0},
    };
    for (const WtolCase& c : cases) EXPECT_EQ(_wtol(c.text), c.value) << c.name;
    EXPECT_EQ(_wtol(nullptr), 0);
}

namespace {

struct FormatCase {
    const char* name;
    std::wstring (*format)();
    const wchar_t* expected;
};

std::wstring Format(const wchar_t* format, auto... args) {
    wchar_t out[1024];
    const int n = wsprintfW(out, format, args...);
    EXPECT_EQ(n, static_cast<int>(std::wcslen(out)));
    return out;
}

}  // namespace

TEST(Text, WsprintfTakesWideStringsAndCharacters) {
    const FormatCase cases[] = {
        {"diagnostic line", [] { return Format(L"iPort = %d, iBaudrate=%d\r\n", 3, 115200); },
         L"iPort = 3, iBaudrate=115200\r\n"},
        {"hex byte", [] { return Format(L"%X", 0xAB); }, L"AB"},
        {"lower hex, padded", [] { return Format(L"%04x", 0x1F); }, L"001f"},
        {"unsigned", [] { return Format(L"%u", 4294967295u); }, L"4294967295"},
        {"long", [] { return Format(L"%ld", -5L); }, L"-5"},
        {"wide string", [] { return Format(L"[%s]", L"COM1:"); }, L"[COM1:]"},
        {"wide CJK string", [] { return Format(L"%s", L"打开串口"); }, L"打开串口"},
        {"wide string, width", [] { return Format(L"[%-6s]", L"ab"); }, L"[ab    ]"},
        {"wide char", [] { return Format(L"%c%c", L'O', L'K'); }, L"OK"},
        {"explicitly wide", [] { return Format(L"%ls%lc", L"x", L'y'); }, L"xy"},
        {"narrow by h", [] { return Format(L"%hs %hc", "nar", 'w'); }, L"nar w"},
        {"narrow by capital", [] { return Format(L"%S%C", "up", '!'); }, L"up!"},
        {"64-bit", [] { return Format(L"%I64d", static_cast<long long>(1) << 40); },
         L"1099511627776"},
        {"percent", [] { return Format(L"100%%"); }, L"100%"},
        {"COM name", [] { return Format(L"COM%d:", 12); }, L"COM12:"},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(c.format(), c.expected) << c.name;
}

TEST(Text, WsprintfCutsAt1023Characters) {
    const std::wstring longText(5000, L'x');
    wchar_t out[1024 + 8];
    std::fill(std::begin(out), std::end(out), L'#');
    EXPECT_EQ(wsprintfW(out, L"%s!", longText.c_str()), 1023);
    EXPECT_EQ(std::wstring(out), std::wstring(1023, L'x'));
    EXPECT_EQ(out[1024], L'#') << "nothing is written past the 1024-character buffer";
}
