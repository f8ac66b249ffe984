#include <gtest/gtest.h>

#include <fstream>

#include "app/CommandLine.h"
#include "app/PortList.h"
#include "platform/win32.h"
#include "tests/support/TempDir.h"

namespace {

TEST(CommandLine, AcceptsEveryOptionInBothForms) {
    CCommandLine commandLine;
    std::string error;
    ASSERT_TRUE(commandLine.Parse(
        {"--port", "COM1=/dev/ttyUSB0", "--port=com12=/tmp/a=b", "--port",
         "COM3=rfc2217://[::1]:2217", "--port", "COM4=socket://printer.local:4001", "--script", "-",
         "--list-ports", "--help", "--version"},
        &error))
        << error;
    const CommandLineOptions& o = commandLine.Options();
    ASSERT_EQ(o.portMap.size(), 4u);
    EXPECT_EQ(o.portMap[2].second, "rfc2217://[::1]:2217");
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
        {"network port without a port",
         {"--port", "COM2=rfc2217://host"},
         "--port COM2=rfc2217://host: no port"},
        {"network port number",
         {"--port", "COM2=socket://host:70000"},
         "--port COM2=socket://host:70000: the port must be a number"},
        {"IPv6 without brackets",
         {"--port", "COM2=rfc2217://::1:2217"},
         "--port COM2=rfc2217://::1:2217: an IPv6 address goes in brackets"},
        {"http without the printer", {"--http", "8080"}, "--http goes with --virtual-printer"},
        {"http address", {"--virtual-printer", "--http", "host:"}, "--http 'host:': the port"},
        {"unknown scheme",
         {"--port", "COM2=telnet://host:23"},
         "--port COM2=telnet://host:23: network ports are rfc2217://"},
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
    for (const char* name :
         {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "ttyAMA0", "ttymxc3", "ttySAC1", "ttyO2",
          "ttyLP0", "ttyTHS1", "ttyMSM0", "tty0", "null", "ttySX"}) {
        std::ofstream(dev / name).put('x');
    }
    std::filesystem::create_directories(dev / "serial" / "by-id");
    std::filesystem::create_symlink(dev / "ttyUSB0",
                                    dev / "serial" / "by-id" / "usb-Maker_Printer-if00");
    platform::MapPort(2, (dev / "ttyUSB0").string());
    platform::MapPort(9, (dev / "ttyUSB9").string());
    platform::MapPort(7, "rfc2217://10.0.0.5:2217");
    platform::MapPort(8, "socket://[fd00::5]:4001");

    const std::string text = DescribePorts(true, dev.Path());
    const std::string plain = DescribePorts(false, dev.Path());
    platform::MapPort(2, "");
    platform::MapPort(9, "");
    platform::MapPort(7, "");
    platform::MapPort(8, "");
    struct Row {
        const char* name;
        std::string line;
        bool listed;
    } const rows[] = {
        {"COM1 is the virtual printer", "COM1  the virtual printer", true},
        {"an unmapped port", "COM6  /dev/ttyS5\n", true},
        {"a mapped port that exists", "COM2  " + (dev / "ttyUSB0").string() + "\n", true},
        {"a mapped port beyond COM6, marked missing",
         "COM9  " + (dev / "ttyUSB9").string() + "  (does not exist)\n", true},
        {"a device server", "COM7  rfc2217://10.0.0.5:2217  (network, RFC 2217", true},
        {"a raw TCP port", "COM8  socket://[fd00::5]:4001  (network, raw TCP", true},
        {"a by-id name", "usb-Maker_Printer-if00  -> " + (dev / "ttyUSB0").string(), true},
        {"consoles are not serial devices", (dev / "tty0").string(), false},
        {"nor are other names", (dev / "ttySX").string(), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(text.find(row.line) != std::string::npos, row.listed) << row.name << "\n" << text;
    }
    for (const char* name :
         {"ttyACM1", "ttyAMA0", "ttymxc3", "ttySAC1", "ttyO2", "ttyLP0", "ttyTHS1", "ttyMSM0"}) {
        EXPECT_NE(text.find((dev / name).string() + "\n"), std::string::npos) << name;
    }
    EXPECT_EQ(text.find((dev / "ttySAC1").string()), text.rfind((dev / "ttySAC1").string()))
        << "listed once, not also as a ttyS port";
    EXPECT_LT(text.find((dev / "ttyS2").string() + "\n"),
              text.find((dev / "ttyS10").string() + "\n"))
        << "natural order";
    EXPECT_NE(plain.find("COM1  /dev/ttyS0\n"), std::string::npos) << plain;
}

}  // namespace
