#include <gtest/gtest.h>

#include <sstream>

#include "framework/Script.h"

namespace {

using Kind = ScriptCommand::Kind;

TEST(Script, ParsesEveryCommand) {
    std::istringstream input(
        "# comment\n"
        "\n"
        "click 1005\r\n"
        "  select 1002 2\n"
        "type 1002 COM 9 \n"
        "wait 250\n"
        "expect check 1019 1\n"
        "expect text 1028 \xE3\x80\x80\xE9\x83\xA8 x\n"
        "expect message hello world\n"
        "expect detail busy\n"
        "screenshot /tmp/a b.png\n"
        "close\n");
    CScript script;
    std::string error;
    ASSERT_TRUE(script.Parse(input, "s", &error)) << error;
    const auto& c = script.Commands();
    ASSERT_EQ(c.size(), 10u);
    EXPECT_EQ(c[0].kind, Kind::Click);
    EXPECT_EQ(c[0].id, 1005);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[1].kind, Kind::Select);
    EXPECT_EQ(c[1].number, 2);
    EXPECT_EQ(c[2].kind, Kind::Type);
    EXPECT_EQ(c[2].text, "COM 9 ") << "the text is kept as it stands, trailing space included";
    EXPECT_EQ(c[3].number, 250);
    EXPECT_EQ(c[4].kind, Kind::ExpectCheck);
    EXPECT_EQ(c[4].number, 1);
    EXPECT_EQ(c[5].text, "\xE3\x80\x80\xE9\x83\xA8 x");
    EXPECT_EQ(c[6].kind, Kind::ExpectMessage);
    EXPECT_EQ(c[6].text, "hello world");
    EXPECT_EQ(c[7].kind, Kind::ExpectDetail);
    EXPECT_EQ(c[8].text, "/tmp/a b.png");
    EXPECT_EQ(c[9].kind, Kind::Close);
    EXPECT_EQ(c[9].line, 12);
}

TEST(Script, ReportsTheLineOfTheFirstSyntaxError) {
    struct Case {
        const char* name;
        const char* text;
        const char* error;  // expected start of the error
    } const cases[] = {
        {"unknown command", "close\npress 1005\n", "s:2: unknown command 'press'"},
        {"id not a number", "click ok\n", "s:1: expected a control id"},
        {"id out of range", "click 70000\n", "s:1: expected a control id"},
        {"missing index", "select 1002\n", "s:1: expected an item index"},
        {"extra word", "click 1005 now\n", "s:1: unexpected 'now'"},
        {"check state not 0 or 1", "# c\nexpect check 1019 2\n", "s:2: expected a check state"},
        {"negative wait", "wait -5\n", "s:1: expected milliseconds"},
        {"unknown expectation", "expect colour 1005 red\n", "s:1: unknown expectation 'colour'"},
        {"waiting for no expectation", "wait until 300\n", "s:1: unknown expectation '300'"},
        {"screenshot without file", "screenshot\n", "s:1: screenshot needs a file name"},
        {"close with an argument", "close 1\n", "s:1: unexpected '1'"},
    };
    for (const Case& c : cases) {
        std::istringstream input(c.text);
        CScript script;
        std::string error;
        EXPECT_FALSE(script.Parse(input, "s", &error)) << c.name;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": " << error;
    }
}

}  // namespace
