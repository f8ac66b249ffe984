// CE_MOLV as a user runs it: options, exit codes and scripts from a file.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace {

struct Result {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

Result RunProgram(const std::string& arguments) {
    Result result;
    const std::string command = "QT_QPA_PLATFORM=offscreen " + std::string(CE_MOLV_EXECUTABLE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        result.output += buffer.data();
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string WriteScript(const testsupport::TempDir& dir, const std::string& name, const std::string& text) {
    const std::string path = (dir / name).string();
    std::ofstream(path) << text;
    return path;
}

TEST(Program, OptionsAndScriptExitCodes) {
    testsupport::TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string shot = (dir / "shot.png").string();
    struct Case {
        const char* name;
        std::string arguments;
        int exitCode;
        const char* output;
    } const cases[] = {
        {"version", "--version", 0, "CE_MOLV 1.0.0.1\n"},
        {"help", "--help", 0, "--script FILE|-"},
        {"unknown option", "--frobnicate", 2, "unknown option '--frobnicate'"},
        {"bad port mapping", "--port COM9", 2, "--port wants COMn=PATH"},
        {"port list with a mapping", "--port COM2=/dev/ttyUSB7 --list-ports", 0, "COM2  /dev/ttyUSB7\n"},
        {"missing script", "--script " + (dir / "none.txt").string(), 2, "cannot read the script"},
        {"passing script", "--script " + WriteScript(dir, "pass.txt", "expect text 1005 打开串口\nscreenshot " + shot + "\n"), 0, ""},
        {"failing script", "--script " + WriteScript(dir, "script.txt", "# first\nexpect check 1019 0\nexpect text 1003 19200\n"), 1,
         "script.txt:3: text of 1003 is \"9600\""},
        {"syntax error", "--script " + WriteScript(dir, "syntax.txt", "click 1005\nclick\n"), 2, "syntax.txt:2: expected a control id"},
        {"script from standard input", "--script - < " + WriteScript(dir, "stdin.txt", "expect check 1023 1\n"), 1,
         "<stdin>:1: check 1023 is 0"},
    };
    for (const Case& c : cases) {
        const Result result = RunProgram(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << "\n" << result.output;
        EXPECT_NE(result.output.find(c.output), std::string::npos) << c.name << "\n" << result.output;
    }
    EXPECT_TRUE(std::filesystem::file_size(shot) > 1000) << "the passing script's screenshot";
}

TEST(Program, WithoutADisplayOrScriptItSaysWhatToDo) {
    const Result result = RunProgram("");  // offscreen: nobody could see or use the dialog
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("no display"), std::string::npos) << result.output;
}

}  // namespace
