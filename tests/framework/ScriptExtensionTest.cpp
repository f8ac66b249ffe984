#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "TestDialog.h"
#include "framework/ScriptExtensions.h"
#include "framework/ScriptRunner.h"

namespace frameworktest {
namespace {

struct ScriptExtensionTest : testing::Test {
    void SetUp() override {
        RegisterScriptCommand("printer", [this](const std::string& args, std::string* pSeen) {
            calls.push_back(args);
            *pSeen = "printer refused '" + args + "'";
            return args != "refuse";
        });
    }
    void TearDown() override { RegisterScriptCommand("printer", nullptr); }

    std::vector<std::string> calls;
};

TEST_F(ScriptExtensionTest, ParsingKnowsRegisteredVerbsOnly) {
    struct Row {
        const char* name;
        const char* text;
        bool parses;
    };
    const Row rows[] = {
        {"registered verb with arguments", "printer paper-out on\n", true},
        {"registered verb alone", "printer\n", true},
        {"unregistered verb", "scanner on\n", false},
    };
    for (const Row& row : rows) {
        CScript script;
        std::istringstream in(row.text);
        std::string error;
        EXPECT_EQ(script.Parse(in, "t", &error), row.parses) << row.name << ": " << error;
    }
    CScript script;
    std::istringstream in("printer paper-out on\n");
    std::string error;
    ASSERT_TRUE(script.Parse(in, "t", &error));
    EXPECT_EQ(script.Commands()[0].kind, ScriptCommand::Kind::Extension);
    EXPECT_EQ(script.Commands()[0].verb, "printer");
    EXPECT_EQ(script.Commands()[0].text, "paper-out on");
}

TEST_F(ScriptExtensionTest, BuiltInVerbsCannotBeReplaced) {
    RegisterScriptCommand("click", [](const std::string&, std::string*) { return true; });
    EXPECT_EQ(FindScriptCommand("click"), nullptr);
    EXPECT_NE(FindScriptCommand("printer"), nullptr);
}

TEST_F(ScriptExtensionTest, RunningCallsTheHandlerInOrderAndStopsAtARefusal) {
    CTestDialog dialog;
    CScriptRunner runner;
    std::string error;
    ASSERT_TRUE(
        runner.LoadText("printer a\nclick 1001\nprinter refuse\nprinter never\n", "t", &error))
        << error;
    EXPECT_EQ(runner.Run(dialog), CScriptRunner::kExitFailed);
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "refuse"}));
    EXPECT_EQ(dialog.clicks, 1);
    EXPECT_EQ(runner.Failure(), "t:3: printer refused 'refuse'");
}

}  // namespace
}  // namespace frameworktest
