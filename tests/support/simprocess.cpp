// Starts rivan-sim as a child process and learns the pseudo-terminal it serves.
#include "support/simprocess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int StartLimitMs = 5000;

} // namespace

SimProcess::~SimProcess() {
    Stop();
}

bool SimProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                       std::string& error) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int spawned =
        ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (spawned != 0) {
        pid_ = -1;
        error = "cannot start " + program + ": " + std::strerror(spawned);
        return false;
    }

    std::string text;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(StartLimitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{output_, POLLIN, 0};
        if (::poll(&watched, 1, static_cast<int>(left.count())) <= 0)
            break;
        char bytes[256];
        const ssize_t count = ::read(output_, bytes, sizeof bytes);
        if (count <= 0)
            break;
        text.append(bytes, static_cast<std::size_t>(count));
        const std::size_t start = text.find("RIVAN_COM");
        if (start == std::string::npos)
            continue;
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            continue;
        const std::string line = text.substr(start, end - start);
        const std::size_t equals = line.find('=');
        variable_ = line.substr(0, equals);
        devicePath_ = line.substr(equals + 1);
        rest_ = text.substr(end + 1);
        return true;
    }
    error = "rivan-sim printed no RIVAN_COMn line: " + text;
    Stop();
    return false;
}

void SimProcess::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
}

std::string SimProcess::Finish() {
    std::string text = std::move(rest_);
    rest_.clear();
    if (pid_ > 0)
        ::kill(pid_, SIGTERM);
    // The simulator flushes what it printed as it ends, then closes the pipe.
    char bytes[4096];
    ssize_t count = 0;
    while (output_ >= 0 &&
           ((count = ::read(output_, bytes, sizeof bytes)) > 0 || (count < 0 && errno == EINTR)))
        if (count > 0)
            text.append(bytes, static_cast<std::size_t>(count));
    Stop();
    return text;
}

bool PseudoTerminalsAvailable() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return false;
    ::close(master);
    return true;
}

std::string MissingDevicePath(int n) {
    return "/dev/pts/rivan-missing-" + std::to_string(::getpid()) + "-" + std::to_string(n);
}
