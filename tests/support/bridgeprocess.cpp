// Starts a TCP bridge to a pseudo-terminal as a child process.
#include "support/bridgeprocess.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int StartLimitMs = 5000;
// How often the listening table is looked at while a bridge starts.
constexpr int ListenPollMs = 10;

// Whether the kernel lists 127.0.0.1:port as listening (state 0A in /proc/net/tcp).
bool Listening(int port) {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

} // namespace

// The full path of `program`: on the PATH, or where Debian puts system daemons (ser2net),
// which a user's PATH often lacks. Empty when it is not installed.
std::string ProgramPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(std::string(path ? path : "") + ":/usr/sbin:/sbin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + program;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

BridgeProcess::~BridgeProcess() {
    Stop();
}

bool BridgeProcess::StartRawTcp(const std::string& device, std::string& error) {
    port_ = FreeLocalPort();
    const std::string listen =
        "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork,nodelay";
    // socat lingers half a second after a client leaves, reading the device meanwhile: the
    // next client's first answers would go to the one that left. -t 0 ends it at once.
    return Spawn("socat", {"-t", "0", listen, "FILE:" + device + ",raw,echo=0"}, error) &&
           WaitUntilListening(error);
}

bool BridgeProcess::StartRfc2217(const std::string& device, const std::string& lineSettings,
                                 const std::string& folder, std::string& error) {
    port_ = FreeLocalPort();
    const std::string config = folder + "/ser2net-" + std::to_string(port_) + ".yaml";
    std::ofstream(config) << "connection: &unit\n"
                          << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port_ << "\n"
                          << "  connector: serialdev," << device << "," << lineSettings
                          << ",local\n";
    return Spawn("ser2net", {"-n", "-c", config, "-P", folder + "/ser2net.pid"}, error) &&
           WaitUntilListening(error);
}

bool BridgeProcess::Spawn(const std::string& program, const std::vector<std::string>& arguments,
                          std::string& error) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that the bridge and the children it forks end together.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string found = ProgramPath(program);
    std::vector<std::string> all = {found};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int spawned =
        ::posix_spawn(&pid_, found.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        pid_ = -1;
        error = "cannot start " + program + ": " + std::strerror(spawned);
        return false;
    }
    return true;
}

bool BridgeProcess::WaitUntilListening(std::string& error) const {
    for (int waited = 0; waited < StartLimitMs; waited += ListenPollMs) {
        if (Listening(port_))
            return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            error = "the bridge ended before it listened";
            return false;
        }
        ::poll(nullptr, 0, ListenPollMs);
    }
    error = "the bridge did not listen on port " + std::to_string(port_);
    return false;
}

void BridgeProcess::Stop() {
    if (pid_ <= 0)
        return;
    ::kill(-pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

namespace {

// A socket bound to a port of 127.0.0.1 the system picks; -1 when none could be had.
int BoundLocalSocket(int& port) {
    const int bound = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    port = 0;
    if (bound >= 0 && ::bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    return bound;
}

} // namespace

int FreeLocalPort() {
    int port = 0;
    const int probe = BoundLocalSocket(port);
    if (probe >= 0)
        ::close(probe);
    return port;
}

RefusingPort::RefusingPort() {
    socket_ = BoundLocalSocket(port_);
}

RefusingPort::~RefusingPort() {
    if (socket_ >= 0)
        ::close(socket_);
}

bool ProgramAvailable(const std::string& program) {
    return !ProgramPath(program).empty();
}
