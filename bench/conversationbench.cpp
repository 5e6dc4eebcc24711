// Times a receive and a send against a paced unit three ways: through the link and the real
// device driver, through the main window (log and repaints included, offscreen), and through
// a minimal host written here with poll(), read() and write() that sends the same commands
// under the same handshake. The ratio to that host is what the program adds to the line.
//
// Usage: bench_conversations [--device PATH] [--rounds N]
//   Without --device it starts rivan-sim --pace on a pseudo-terminal; with it, it talks to
//   the unit (or bridge) at PATH, which may be a raw TCP bridge, tcp://HOST:PORT: the link
//   and the window then go through the network backend, the minimal host through a TCP
//   socket of its own. Every time runs from the first byte the host reads after
//   opening the port (the unit's XON) to the last byte it reads (the end of the last reply,
//   or the ACK of the reset): the unit's idle heartbeat (up to 250 ms after a purge) and
//   closing the port (where Qt Serial Port restores the line and removes its lock file,
//   0.3 to 1 ms) do not count.
#include "app/mainform.h"
#include "link/device/systemportdriver.h"
#include "link/device/systemterminalport.h"
#include "link/equipmentlink.h"
#include "link/forwardingportdriver.h"
#include "link/networkaddress.h"
#include "link/protocol.h"
#include "profile/equipmentprofile.h"
#include "ui/prompts.h"

#include "receivecommands.h"
#include "support/simprocess.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr double BitsPerByte = 10.0; // start bit, 8 data bits, stop bit
constexpr double BitsPerSecond = 115200.0;
constexpr int ReadTimeoutMs = 105;
constexpr int MaxMisses = 32;
constexpr std::size_t ReplyCapacity = 100;

// The processor time this process has used, in milliseconds: what the host itself costs,
// whatever else the machine runs meanwhile.
double CpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double WireMs(long bytes) {
    return bytes * BitsPerByte / BitsPerSecond * 1000.0;
}

// The seven data lines of the default profile, then the reset.
std::vector<std::string> SendCommands() {
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    profile.WriteScript(lines, "BENCH.PRO", "now");
    std::vector<std::string> commands;
    for (const std::string& line : lines) {
        const ScriptLineClass parsed = ParseScriptLine(line);
        if (parsed.Kind == ScriptLineKind::DataLine)
            commands.push_back(parsed.Token);
    }
    commands.emplace_back(Protocol::ResetCommand);
    return commands;
}

// Passes everything to the real driver and notes when the first byte after an open came
// and when the port closed.
class TimingDriver : public ForwardingPortDriver {
public:
    using ForwardingPortDriver::ForwardingPortDriver;

    // From the first byte read after the last open to the last byte read before its close.
    double LastMs() const { return Milliseconds(lastByte_ - firstByte_).count(); }
    double LastCpuMs() const { return cpuLastByte_ - cpuFirstByte_; }

    PortHandle Open(std::string_view portName) override {
        firstSeen_ = false;
        return Inner().Open(portName);
    }
    ByteRead ReadByte(PortHandle port) override {
        const ByteRead read = Inner().ReadByte(port);
        if (read.Status != ReadStatus::Byte)
            return read;
        lastByte_ = Clock::now();
        cpuLastByte_ = CpuMs();
        if (!firstSeen_) {
            firstSeen_ = true;
            firstByte_ = lastByte_;
            cpuFirstByte_ = cpuLastByte_;
        }
        return read;
    }

private:
    bool firstSeen_ = false;
    Clock::time_point firstByte_;
    Clock::time_point lastByte_;
    double cpuFirstByte_ = 0;
    double cpuLastByte_ = 0;
};

// Keeps the reply lines a conversation logs; nothing else.
class QuietEvents : public LinkEvents {
public:
    std::vector<std::string> Lines;

    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    void ProcessPendingEvents() override {}
    void DetectionStarted() override {}
    void PortTried(bool) override {}
    void ModelRecognised(std::uint32_t) override {}
    void EquipmentDetected(const std::string&, const std::string&) override {}
};

// Answers No to the save question before a receive replaces the last one; any other box
// means the run went wrong.
class BenchPrompts : public Prompts {
public:
    int Unexpected = 0;

    Answer Message(const QString& caption, const QString& text, Icon, Buttons buttons) override {
        if (buttons == Buttons::YesNoCancel)
            return Answer::No;
        std::fprintf(stderr, "bench_conversations: box %s: %s\n", qPrintable(caption),
                     qPrintable(text));
        ++Unexpected;
        return Answer::Ok;
    }
    std::optional<QString> OpenFileName(const FileDialog&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const FileDialog&) override { return std::nullopt; }
    void Beep() override { ++Unexpected; }
    Answer ShowComparison(const Comparison&) override {
        ++Unexpected;
        return Answer::No;
    }
    std::optional<BackupChoice> ChooseBackup(const QString&, const QList<BackupItem>&) override {
        ++Unexpected;
        return std::nullopt;
    }
    bool PrintDialog(QPrinter&) override { return false; }
    bool PageSetupDialog(QPrinter&) override { return false; }
};

// The host a person would write in an afternoon: raw line, poll() for what comes, read()
// whatever is queued, one write() per line.
class ReferenceHost {
public:
    ~ReferenceHost() { Close(); }

    bool Open(const std::string& path) {
        queued_.clear();
        firstSeen_ = false;
        if (const std::optional<NetworkAddress> address = ParseNetworkAddress(path))
            return address->Protocol == NetworkProtocol::RawTcp && Connect(*address);
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd_ < 0)
            return false;
        termios line{};
        ::tcgetattr(fd_, &line);
        ::cfmakeraw(&line);
        ::cfsetspeed(&line, B115200);
        line.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        line.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd_, TCSANOW, &line);
        ::tcflush(fd_, TCIOFLUSH);
        return true;
    }

    // A raw TCP bridge: one socket, each write sent at once.
    bool Connect(const NetworkAddress& address) {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const std::string port = std::to_string(address.Port);
        if (::getaddrinfo(address.Host.c_str(), port.c_str(), &hints, &found) != 0)
            return false;
        for (addrinfo* candidate = found; candidate && fd_ < 0; candidate = candidate->ai_next) {
            fd_ = ::socket(candidate->ai_family, candidate->ai_socktype, candidate->ai_protocol);
            if (fd_ >= 0 && ::connect(fd_, candidate->ai_addr, candidate->ai_addrlen) != 0) {
                ::close(fd_);
                fd_ = -1;
            }
        }
        ::freeaddrinfo(found);
        if (fd_ < 0)
            return false;
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return true;
    }

    void Close() {
        if (fd_ < 0)
            return;
        ::close(fd_);
        fd_ = -1;
    }

    double LastMs() const { return Milliseconds(lastByte_ - firstByte_).count(); }
    double LastCpuMs() const { return cpuLastByte_ - cpuFirstByte_; }
    long BytesRead() const { return bytesRead_; }

    // XON, the line, XOFF, ACK.
    bool SendCommand(const std::string& command) {
        if (!WaitFor(Protocol::XON))
            return false;
        const std::string line = command + std::string(Protocol::LineEnd);
        if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return false;
        return WaitFor(Protocol::XOFF) && WaitFor(Protocol::ACK);
    }

    // The command, then its reply line up to the first CR, LF or NUL, one position per
    // read attempt as the program keeps it: a late byte (a busy machine can hold the unit
    // up) leaves a blank, or nothing at the start. The unit's replies are printable.
    std::optional<std::string> Query(const std::string& command) {
        if (!SendCommand(command))
            return std::nullopt;
        std::string reply;
        for (std::size_t position = 0; position < ReplyCapacity; ++position) {
            const int c = Next();
            if (c == 0 || c == Protocol::CR || c == Protocol::LF)
                break;
            if (c >= 0)
                reply += static_cast<char>(c);
            else if (position > 0)
                reply += ' ';
        }
        return reply;
    }

private:
    bool WaitFor(char expected) {
        for (int misses = 0; misses < MaxMisses;) {
            const int c = Next();
            if (c < 0) {
                ++misses;
                continue;
            }
            if (c == expected)
                return true;
            if (c == Protocol::NAK && expected == Protocol::ACK)
                return false;
        }
        return false;
    }

    // The next byte, or -1 when none came within the read time-out.
    int Next() {
        if (queued_.empty()) {
            pollfd watched{fd_, POLLIN, 0};
            if (::poll(&watched, 1, ReadTimeoutMs) <= 0)
                return -1;
            char bytes[256];
            const ssize_t count = ::read(fd_, bytes, sizeof bytes);
            if (count <= 0)
                return -1;
            if (!firstSeen_) {
                firstSeen_ = true;
                firstByte_ = Clock::now();
                cpuFirstByte_ = CpuMs();
            }
            bytesRead_ += count;
            queued_.assign(bytes, static_cast<std::size_t>(count));
        }
        const auto c = static_cast<unsigned char>(queued_.front());
        queued_.erase(0, 1);
        lastByte_ = Clock::now();
        cpuLastByte_ = CpuMs();
        return c;
    }

    int fd_ = -1;
    std::string queued_;
    bool firstSeen_ = false;
    long bytesRead_ = 0;
    Clock::time_point firstByte_;
    Clock::time_point lastByte_;
    double cpuFirstByte_ = 0;
    double cpuLastByte_ = 0;
};

// Median of a list of figures.
double Median(std::vector<double> figures) {
    std::sort(figures.begin(), figures.end());
    return figures[figures.size() / 2];
}

struct Figures {
    std::vector<double> Times;
    std::vector<double> CpuTimes;

    void Add(double ms, double cpuMs) {
        Times.push_back(ms);
        CpuTimes.push_back(cpuMs);
    }

    double Median() const { return ::Median(Times); }
    double CpuMedian() const { return ::Median(CpuTimes); }
    double Min() const { return *std::min_element(Times.begin(), Times.end()); }
    double Max() const { return *std::max_element(Times.begin(), Times.end()); }
};

void PrintRow(const char* label, const Figures& figures, const Figures& reference) {
    std::printf("  %-26s median %7.1f ms (min %6.1f, max %6.1f)  ratio %.3f   cpu %5.1f ms\n",
                label, figures.Median(), figures.Min(), figures.Max(),
                figures.Median() / reference.Median(), figures.CpuMedian());
}

struct Options {
    std::string Device;
    int Rounds = 5;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--device" && i + 1 < argc) {
            options.Device = argv[++i];
        } else if (option == "--rounds" && i + 1 < argc) {
            options.Rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: bench_conversations [--device PATH] [--rounds N]\n");
            return false;
        }
    }
    return true;
}

class Bench {
public:
    Bench(const std::string& device, int rounds)
        : device_(device), rounds_(rounds), timing_(driver_), link_(timing_),
          window_(prompts_, timing_, terminalPort_) {}

    bool Run() {
        // One detection each finds the unit on COM1; every conversation after it opens the
        // port afresh, as the program does.
        QuietEvents detection;
        link_.Detect(detection);
        if (!link_.EquipmentFound()) {
            std::fprintf(stderr, "bench_conversations: no unit on %s\n", device_.c_str());
            return false;
        }
        window_.show();
        QApplication::processEvents();
        Trigger("ToolsDetect");
        if (!window_.GetEquipmentFound()) {
            std::fprintf(stderr, "bench_conversations: the window finds no unit\n");
            return false;
        }

        // The rounds interleave the three hosts, so a busy moment of the machine falls on
        // all of them alike.
        for (int round = 0; round < rounds_; ++round) {
            if (!ReferenceReceive() || !LinkReceive() || !WindowReceive() || !ReferenceSend() ||
                !LinkSend() || !WindowSend())
                return false;
        }
        if (prompts_.Unexpected != 0)
            return false;

        std::printf("receive: %zu block reads, unit -> host %ld bytes = %.1f ms wire time\n",
                    ReceiveCommands().size(), receiveBytes_, WireMs(receiveBytes_));
        PrintRow("reference host", referenceReceive_, referenceReceive_);
        PrintRow("link + device driver", linkReceive_, referenceReceive_);
        PrintRow("main window (log, paint)", windowReceive_, referenceReceive_);
        std::printf("  replies through the link and the reference host %s\n",
                    sameReplies_ ? "identical" : "DIFFER");
        std::printf("send: %zu data lines and the reset, unit -> host %ld bytes = %.1f ms wire "
                    "time\n",
                    SendCommands().size() - 1, sendBytes_, WireMs(sendBytes_));
        PrintRow("reference host", referenceSend_, referenceSend_);
        PrintRow("link + device driver", linkSend_, referenceSend_);
        PrintRow("main window (log)", windowSend_, referenceSend_);
        return sameReplies_;
    }

private:
    void Trigger(const char* name) {
        auto* action = window_.findChild<QAction*>(QString::fromLatin1(name));
        if (action)
            action->trigger();
    }

    bool ReferenceReceive() {
        ReferenceHost host;
        if (!host.Open(device_)) {
            std::fprintf(stderr, "bench_conversations: cannot open %s: %s\n", device_.c_str(),
                         std::strerror(errno));
            return false;
        }
        replies_.clear();
        for (const std::string& command : ReceiveCommands()) {
            const std::optional<std::string> reply = host.Query(command);
            if (!reply || reply->empty()) {
                std::fprintf(stderr, "bench_conversations: reference: %s failed\n",
                             command.c_str());
                return false;
            }
            replies_.push_back(*reply);
        }
        host.Close();
        receiveBytes_ = host.BytesRead();
        referenceReceive_.Add(host.LastMs(), host.LastCpuMs());
        return true;
    }

    bool ReferenceSend() {
        ReferenceHost host;
        if (!host.Open(device_))
            return false;
        for (const std::string& command : SendCommands()) {
            if (!host.SendCommand(command)) {
                std::fprintf(stderr, "bench_conversations: reference: %s failed\n",
                             command.c_str());
                return false;
            }
        }
        host.Close();
        sendBytes_ = host.BytesRead();
        referenceSend_.Add(host.LastMs(), host.LastCpuMs());
        return true;
    }

    bool LinkReceive() {
        QuietEvents events;
        if (link_.ReceiveProfile(events).Outcome != ReceiveOutcome::Complete) {
            std::fprintf(stderr, "bench_conversations: the link's receive failed\n");
            return false;
        }
        linkReceive_.Add(timing_.LastMs(), timing_.LastCpuMs());
        // The log holds the three "loading" lines among the replies and the closing line.
        std::vector<std::string> replies;
        for (const std::string& line : events.Lines)
            if (line.rfind("loading ", 0) != 0 && line != "received data from remote equipment")
                replies.push_back(line);
        for (std::size_t i = 0; i < std::max(replies.size(), replies_.size()); ++i) {
            const std::string ours = i < replies.size() ? replies[i] : "(none)";
            const std::string theirs = i < replies_.size() ? replies_[i] : "(none)";
            if (ours == theirs)
                continue;
            std::fprintf(stderr, "bench_conversations: reply %zu: link \"%s\", reference \"%s\"\n",
                         i + 1, ours.c_str(), theirs.c_str());
            sameReplies_ = false;
        }
        return true;
    }

    bool LinkSend() {
        ScriptLineList lines;
        EquipmentProfile profile(lines);
        profile.SetDefaults();
        ScriptLineList script;
        profile.WriteScript(script, "BENCH.PRO", "now");
        QuietEvents events;
        if (link_.SendProfile(script, "BENCH.PRO", events) != SendOutcome::Sent) {
            std::fprintf(stderr, "bench_conversations: the link's send failed\n");
            return false;
        }
        linkSend_.Add(timing_.LastMs(), timing_.LastCpuMs());
        return true;
    }

    bool WindowReceive() {
        const qsizetype before = window_.Log().Lines().size();
        Trigger("ReceiveData");
        if (!window_.Log().Lines().mid(before).contains(
                QStringLiteral("received data from remote equipment"))) {
            std::fprintf(stderr, "bench_conversations: the window's receive failed\n");
            return false;
        }
        windowReceive_.Add(timing_.LastMs(), timing_.LastCpuMs());
        // What the window would paint next is painted before the next conversation.
        QApplication::processEvents();
        return true;
    }

    bool WindowSend() {
        const qsizetype before = window_.Log().Lines().size();
        Trigger("SendData");
        if (!window_.Log().Lines().mid(before).contains(
                QStringLiteral("processed 7 data lines of 15"))) {
            std::fprintf(stderr, "bench_conversations: the window's send failed\n");
            return false;
        }
        windowSend_.Add(timing_.LastMs(), timing_.LastCpuMs());
        QApplication::processEvents();
        return true;
    }

    std::string device_;
    int rounds_;
    SystemPortDriver driver_;
    TimingDriver timing_;
    EquipmentLink link_;
    BenchPrompts prompts_;
    // The window wants one; the benchmark runs no terminal.
    SystemTerminalPort terminalPort_;
    TMainForm window_;

    std::vector<std::string> replies_;
    bool sameReplies_ = true;
    long receiveBytes_ = 0;
    long sendBytes_ = 0;
    Figures referenceReceive_, linkReceive_, windowReceive_;
    Figures referenceSend_, linkSend_, windowSend_;
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window writes nothing but keeps its settings and files away from the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    SimProcess sim;
    std::string device = options.Device;
    if (device.empty()) {
        std::string error;
        if (!sim.Start(RIVAN_SIM_PATH, {"--pace"}, error)) {
            std::fprintf(stderr, "bench_conversations: %s\n", error.c_str());
            return 1;
        }
        device = sim.DevicePath();
        std::printf("rivan-sim --pace on %s, %d rounds\n", device.c_str(), options.Rounds);
    } else {
        std::printf("unit on %s, %d rounds\n", device.c_str(), options.Rounds);
    }
    ::setenv("RIVAN_COM1", device.c_str(), 1);

    Bench bench(device, options.Rounds);
    return bench.Run() ? 0 : 1;
}
