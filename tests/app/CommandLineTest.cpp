#include <gtest/gtest.h>

#include <fstream>

#include "app/CommandLine.h"
#include "app/PortList.h"
#include "tests/support/TempDir.h"

namespace {

TEST(CommandLine, AcceptsEveryOptionInBothForms) {
    CCommandLine commandLine;
    std::string error;
    ASSERT_TRUE(commandLine.Parse({"--port", "COM1=/dev/ttyUSB0", "--port=com12=/tmp/a=b",
                                   "--script", "-", "--list-ports", "--help", "--version"},
                                  &error))
        << error;
    const CommandLineOptions& o = commandLine.Options();
    ASSERT_EQ(o.portMap.size(), 2u);
    EXPECT_EQ(o.portMap[0], (std::pair<int, std::string>{1, "/dev/ttyUSB0"}));
    EXPECT_EQ(o.portMap[1], (std::pair<int, std::string>{12, "/tmp/a=b"}));
    EXPECT_EQ(o.script, "-");
    EXPECT_TRUE(o.listPorts && o.help && o.version);
}

TEST(CommandLine, RejectsWhatItDoesNotKnow) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* error;
    } const cases[] = {
        {"unknown option", {"--colour"}, "unknown option '--colour'"},
        {"stray argument", {"file.txt"}, "unexpected argument 'file.txt'"},
        {"missing value", {"--script"}, "--script needs a value"},
        {"value for a flag", {"--help=yes"}, "--help takes no value"},
        {"port without COM", {"--port", "1=/dev/x"}, "--port wants COMn=PATH"},
        {"port number zero", {"--port", "COM0=/dev/x"}, "--port wants COMn=PATH"},
        {"port number too big", {"--port", "COM1025=/dev/x"}, "--port wants COMn=PATH"},
        {"port without path", {"--port", "COM2="}, "--port wants COMn=PATH"},
        {"port with junk", {"--port", "COM2x=/dev/x"}, "--port wants COMn=PATH"},
    };
    for (const Case& c : cases) {
        CCommandLine commandLine;
        std::string error;
        EXPECT_FALSE(commandLine.Parse(c.arguments, &error)) << c.name;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": " << error;
    }
}

TEST(PortList, ShowsTheMapAndTheDevicesPresent) {
    testsupport::TempDir dev;
    ASSERT_FALSE(dev.Path().empty());
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "null"}) {
        std::ofstream(dev / name).put('x');
    }
    std::filesystem::create_directories(dev / "serial" / "by-id");
    std::filesystem::create_symlink(dev / "ttyUSB0",
                                    dev / "serial" / "by-id" / "usb-Maker_Printer-if00");

    const std::string text = DescribePorts(dev.Path());
    EXPECT_NE(text.find("COM1  /dev/ttyS0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("COM6  /dev/ttyS5\n"), std::string::npos) << text;
    const std::size_t s2 = text.find((dev / "ttyS2").string() + "\n");
    const std::size_t s10 = text.find((dev / "ttyS10").string() + "\n");
    ASSERT_NE(s2, std::string::npos) << text;
    ASSERT_NE(s10, std::string::npos) << text;
    EXPECT_LT(s2, s10) << "natural order";
    EXPECT_NE(text.find((dev / "ttyACM1").string()), std::string::npos) << text;
    EXPECT_NE(text.find("usb-Maker_Printer-if00  -> " + (dev / "ttyUSB0").string()),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("tty0"), std::string::npos) << "consoles are not serial devices";
    EXPECT_EQ(text.find("null"), std::string::npos);
}

}  // namespace
