#include <gtest/gtest.h>

#include "TestDialog.h"
#include "framework/ScriptRunner.h"

namespace frameworktest {
namespace {

struct Case {
    const char* name;
    const char* script;
    bool boxOnClick;
    bool endOnClick;
    int exitCode;
    const char* failure;  // start of Failure(), "" when passing
};

TEST(ScriptRunner, ExitCodeAndFirstFailingLine) {
    const Case cases[] = {
        {"every expectation holds", "expect check 1011 0\nexpect text 1001 按钮\n", false, false, 0,
         ""},
        {"wrong check state", "# c\n\nexpect check 1011 1\nexpect check 1011 0\n", false, false, 1,
         "t:3: check 1011 is 0"},
        {"wrong text", "expect text 1001 OK\n", false, false, 1, "t:1: text of 1001 is \"按钮\""},
        {"no message box", "expect message 你好\n", false, false, 1,
         "t:1: no message box was shown"},
        {"other message", "click 1001\nexpect message 再见\n", true, false, 1,
         "t:2: the last message box says \"你好\""},
        {"unknown control", "click 4242\n", false, false, 1, "t:1: the dialog has no control 4242"},
        {"disabled button", "click 1011\n", false, false, 1, "t:1: button 1011 is disabled"},
        {"item beyond the list", "select 1012 3\n", false, false, 1, "t:1: list 1012 has 3 items"},
        {"no edit field", "type 1001 x\n", false, false, 1, "t:1: control 1001 has no edit field"},
        {"waited for a state that never comes", "wait until check 1011 1\n", false, false, 1,
         "t:1: check 1011 is 0, expected 1 after waiting 5 s"},
        {"dialog ended before the script did", "click 1001\nexpect check 1011 0\n", false, true, 1,
         "t:2: the dialog had ended"},
    };
    for (const Case& c : cases) {
        CTestDialog dialog;
        dialog.boxOnClick = c.boxOnClick;
        dialog.endOnClick = c.endOnClick;
        CScriptRunner runner;
        std::string error;
        ASSERT_TRUE(runner.LoadText(c.script, "t", &error)) << c.name << ": " << error;
        EXPECT_EQ(runner.Run(dialog), c.exitCode) << c.name << ": " << runner.Failure();
        EXPECT_EQ(runner.Failure().rfind(c.failure, 0), 0u) << c.name << ": " << runner.Failure();
    }
}

TEST(ScriptRunner, FailureEndsTheDialogAtOnce) {
    CTestDialog dialog;
    CScriptRunner runner;
    std::string error;
    ASSERT_TRUE(runner.LoadText("expect check 1011 1\nclick 1001\n", "t", &error));
    EXPECT_EQ(runner.Run(dialog), 1);
    EXPECT_EQ(dialog.clicks, 0) << "nothing after the failed line runs";
}

}  // namespace
}  // namespace frameworktest
