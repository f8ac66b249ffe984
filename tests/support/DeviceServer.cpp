#include "tests/support/DeviceServer.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "tests/support/WaitUntil.h"

namespace testsupport {

namespace {

constexpr const char* kSer2net = "/usr/sbin/ser2net";
constexpr const char* kPython = "/usr/bin/python3";  // Debian's, which has python3-serial
constexpr const char* kPySerialExample = "/usr/share/doc/python3-serial/examples/rfc2217_server.py";

std::string PySerialWrapper() {
    return std::string(CE_MOLV_TEST_SOURCE_DIR) + "/tests/support/peers/pyserial-rfc2217-server.py";
}

}  // namespace

const char* DeviceServer::Name(Kind kind) { return kind == Kind::Ser2net ? "ser2net" : "pyserial"; }

DeviceServer::DeviceServer(Kind kind, const std::string& devicePath) {
    const char* program = kind == Kind::Ser2net ? kSer2net : kPySerialExample;
    if (access(program, R_OK) != 0) {
        m_problem = std::string(program) + " is not installed (scripts/install-deps.sh)";
        return;
    }
    m_port = FreeLoopbackPort();
    const std::string log = (m_dir / "server.log").string();
    std::vector<std::string> argv;
    if (kind == Kind::Ser2net) {
        const std::string config = (m_dir / "ser2net.yaml").string();
        std::ofstream(config) << "connection: &printer\n"
                              << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << m_port << "\n"
                              << "  connector: serialdev," << devicePath << ",9600n81,local\n"
                              << "  options:\n    chardelay: false\n";
        argv = {kSer2net, "-n", "-d", "-c", config, "-P", (m_dir / "ser2net.pid").string()};
    } else {
        argv = {kPython, PySerialWrapper(), std::to_string(m_port), devicePath};
    }
    m_server.emplace(argv, 0, log);
    if (!m_server->Started() ||
        !WaitUntil([&] { return Listening(m_port) || !m_server->Running(); }, 10000) ||
        !Listening(m_port)) {
        m_server.reset();
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        m_problem = std::string(Name(kind)) + " did not start: " + text.str();
    }
}

DeviceServer::~DeviceServer() {
    // Asked to end first, so that it gives the device back as it found it.
    if (!m_server) return;
    m_server->Signal(SIGTERM);
    int status = 0;
    m_server->WaitFor(5000, status);
}

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool Listening(int port) {
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.size() > 5 &&
                local.compare(local.size() - 5, 5, wanted) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace testsupport
