// rivan-sim: serves a simulated unit on a pseudo-terminal, in real time.
#include "pseudoterminal.h"

#include "link/sim/simulatedunit.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

using namespace std::chrono_literals;

// One byte of 8N1 at 115200 bit/s: ten bits, 86.8 us.
constexpr SimTime PacedByteTime{87};
// Stray bytes the --garbage fault puts before every answer.
constexpr char GarbageBytes[] = "~#\x7F\xFE";

// How long a hung-up unit waits for the host to read its last answer.
constexpr SimTime HangUpPatience = std::chrono::seconds(10);

// How long bytes written to the master may take to reach the host's input queue.
constexpr SimTime SettleTime = std::chrono::milliseconds(50);

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

struct Options {
    int Com = 1;
    bool Pace = false;
    bool Trace = false;
    UnitSettings Unit;
};

void PrintHelp() {
    std::puts("Usage: rivan-sim [options]\n"
              "Serves a simulated RIVAN unit on a pseudo-terminal until interrupted.\n"
              "Prints the terminal's path and a RIVAN_COMn=... line; export that line and the\n"
              "program finds the unit on COMn.\n"
              "\n"
              "  --com N          the port number for the RIVAN_COMn line (1 to 8, default 1)\n"
              "  --pace           send replies at the pace of 115200 bit/s 8N1 (86.8 us a byte)\n"
              "  --trace          print every command and the unit's answer\n"
              "  --name TEXT      model name in the name reply (default RIVAN)\n"
              "  --version TEXT   version in the version reply (default 1.05)\n"
              "  --heartbeat MS   XON repeat while idle (default 250)\n"
              "Faults:\n"
              "  --silent         never answer\n"
              "  --nak K          refuse the K-th command with NAK\n"
              "  --late MS        start every reply line MS milliseconds after the ACK\n"
              "  --garbage        send stray bytes before every answer\n"
              "  --hangup K       drop the line after answering K commands\n"
              "  --hangup-on K    drop the line as the K-th command arrives, unanswered\n"
              "  --from K         --silent, --late and --garbage hold from the K-th command\n"
              "                   on; the commands before it are answered well\n"
              "  --help           show this text");
}

// A decimal number from `low` to `high`, all of `text` (leading blanks and a plus sign
// allowed).
bool ParseNumber(const char* text, int low, int high, int& value) {
    std::string_view digits(text);
    digits.remove_prefix(std::min(digits.find_first_not_of(" \t\n\v\f\r"), digits.size()));
    if (digits.starts_with('+') && !digits.starts_with("+-"))
        digits.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        number < low || number > high)
        return false;
    value = number;
    return true;
}

enum OptionCode : int {
    OptionHelp = 'h',
    OptionCom = 256,
    OptionPace,
    OptionTrace,
    OptionName,
    OptionVersion,
    OptionHeartbeat,
    OptionSilent,
    OptionNak,
    OptionLate,
    OptionGarbage,
    OptionHangup,
    OptionHangupOn,
    OptionFrom,
};

constexpr option LongOptions[] = {
    {"help", no_argument, nullptr, OptionHelp},
    {"com", required_argument, nullptr, OptionCom},
    {"pace", no_argument, nullptr, OptionPace},
    {"trace", no_argument, nullptr, OptionTrace},
    {"name", required_argument, nullptr, OptionName},
    {"version", required_argument, nullptr, OptionVersion},
    {"heartbeat", required_argument, nullptr, OptionHeartbeat},
    {"silent", no_argument, nullptr, OptionSilent},
    {"nak", required_argument, nullptr, OptionNak},
    {"late", required_argument, nullptr, OptionLate},
    {"garbage", no_argument, nullptr, OptionGarbage},
    {"hangup", required_argument, nullptr, OptionHangup},
    {"hangup-on", required_argument, nullptr, OptionHangupOn},
    {"from", required_argument, nullptr, OptionFrom},
    {nullptr, 0, nullptr, 0},
};

// False with a message on stderr when the arguments make no sense; `help` when asked.
bool ParseOptions(int argc, char** argv, Options& options, bool& help) {
    opterr = 0; // the messages below say what went wrong
    int code = 0;
    int count = 0;
    while ((code = getopt_long(argc, argv, ":h", LongOptions, nullptr)) != -1) {
        // The option as the user wrote it, for the messages: its value may have been the
        // next argument, or may follow an equals sign.
        const bool valueApart = optarg != nullptr && optind >= 2 && optarg == argv[optind - 1];
        std::string option = argv[optind - (valueApart ? 2 : 1)];
        option = option.substr(0, option.find('='));
        const auto number = [&](int low, int high, int& target) {
            if (ParseNumber(optarg, low, high, target))
                return true;
            std::fprintf(stderr, "rivan-sim: %s takes a number from %d to %d\n", option.c_str(),
                         low, high);
            return false;
        };
        switch (code) {
        case OptionHelp:
            help = true;
            break;
        case OptionCom:
            if (!number(1, 8, options.Com))
                return false;
            break;
        case OptionPace:
            options.Pace = true;
            break;
        case OptionTrace:
            options.Trace = true;
            break;
        case OptionName:
            options.Unit.Name = optarg;
            break;
        case OptionVersion:
            options.Unit.Version = optarg;
            break;
        case OptionHeartbeat:
            if (!number(1, 60000, count))
                return false;
            options.Unit.Heartbeat = std::chrono::milliseconds(count);
            break;
        case OptionSilent:
            options.Unit.Silent = true;
            break;
        case OptionNak:
            if (!number(1, 1000000, options.Unit.NakOnCommand))
                return false;
            break;
        case OptionLate:
            if (!number(0, 60000, count))
                return false;
            options.Unit.ReplyDelay = std::chrono::milliseconds(count);
            break;
        case OptionGarbage:
            options.Unit.Garbage = GarbageBytes;
            break;
        case OptionHangup:
            if (!number(1, 1000000, options.Unit.HangUpAfter))
                return false;
            break;
        case OptionHangupOn:
            if (!number(1, 1000000, options.Unit.HangUpOnCommand))
                return false;
            break;
        case OptionFrom:
            if (!number(1, 1000000, options.Unit.FaultsFromCommand))
                return false;
            break;
        case ':':
            std::fprintf(stderr, "rivan-sim: %s needs a value\n", option.c_str());
            return false;
        default:
            std::fprintf(stderr, "rivan-sim: unknown option %s (try --help)\n", option.c_str());
            return false;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "rivan-sim: unknown option %s (try --help)\n", argv[optind]);
        return false;
    }
    return true;
}

// A line of text with its control bytes shown, for the trace.
std::string Printable(std::string_view text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "<%02X>", c);
        shown += code;
    }
    return shown;
}

class Server {
public:
    Server(PseudoTerminal& terminal, SimulatedUnit& unit) : terminal_(terminal), unit_(unit) {}

    // Serves until interrupted or the unit hangs up; returns the exit status.
    int Run() {
        while (!stopRequested) {
            const SimTime now = Now();
            if (terminal_.HostBacklog() > 0)
                unit_.HoldHeartbeat(now);
            while (auto byte = unit_.TakeByte(now, now))
                pending_ += static_cast<char>(byte->Byte);
            if (!Flush())
                return 1;
            if (!unit_.LineUp() && pending_.empty() && HostHasReadAll(now)) {
                terminal_.HangUp();
                std::puts("rivan-sim: the unit hung up");
                return 0;
            }
            if (!Wait(now))
                return 1;
        }
        return 0;
    }

private:
    SimTime Now() const {
        return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - start_);
    }

    // Closing the master throws away what the host has not read yet, so the line drops
    // only once the host has taken the unit's last answer (or has left it for too long).
    bool HostHasReadAll(SimTime now) {
        if (!hangUpSeen_) {
            hangUpSeen_ = true;
            hangUpSince_ = now;
        }
        // Bytes written to the master reach the host's queue a moment later.
        const bool settled = now - lastWrite_ > SettleTime;
        return (settled && terminal_.HostBacklog() == 0) || now - hangUpSince_ > HangUpPatience;
    }

    bool Flush() {
        while (!pending_.empty()) {
            const ssize_t written = ::write(terminal_.Master(), pending_.data(), pending_.size());
            if (written > 0) {
                lastWrite_ = Now();
                pending_.erase(0, static_cast<std::size_t>(written));
                continue;
            }
            if (written < 0 && (errno == EAGAIN || errno == EINTR))
                return true; // the host's queue is full: try again when it drains
            std::perror("rivan-sim: write");
            return false;
        }
        return true;
    }

    // Sleeps until the host writes, the next byte is due, or a second has passed.
    bool Wait(SimTime now) {
        SimTime timeout = hangUpSeen_ ? SimTime{std::chrono::milliseconds(5)} : SimTime{1s};
        if (const auto next = unit_.NextByteTime(now))
            timeout = std::min(timeout, std::max(SimTime{0}, *next - now));
        pollfd watched{terminal_.Master(), POLLIN, 0};
        if (!pending_.empty()) {
            watched.events |= POLLOUT;
            timeout = std::min(timeout, SimTime{std::chrono::milliseconds(10)});
        }
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
        const timespec limit{static_cast<time_t>(seconds.count()),
                             static_cast<long>((timeout - seconds).count() * 1000)};
        const int ready = ::ppoll(&watched, 1, &limit, nullptr);
        if (ready < 0)
            return errno == EINTR;
        if (ready == 0 || !(watched.revents & POLLIN))
            return true;
        char bytes[512];
        const ssize_t count = ::read(terminal_.Master(), bytes, sizeof bytes);
        if (count > 0)
            unit_.Receive(std::string_view(bytes, static_cast<std::size_t>(count)), Now());
        return true;
    }

    PseudoTerminal& terminal_;
    SimulatedUnit& unit_;
    std::string pending_;
    bool hangUpSeen_ = false;
    SimTime hangUpSince_{0};
    SimTime lastWrite_{0};
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    bool help = false;
    if (!ParseOptions(argc, argv, options, help))
        return 2;
    if (help) {
        PrintHelp();
        return 0;
    }
    if (options.Pace)
        options.Unit.ByteTime = PacedByteTime;
#ifdef __linux__
    // Paced bytes are 87 us apart; the default 50 us timer slack would stretch them.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
#endif
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::signal(SIGHUP, RequestStop);
    std::signal(SIGPIPE, SIG_IGN);

    PseudoTerminal terminal;
    std::string error;
    if (!terminal.Open(error)) {
        std::fprintf(stderr, "rivan-sim: %s\n", error.c_str());
        return 1;
    }
    SimulatedUnit unit(options.Unit);
    if (options.Trace) {
        unit.SetTrace([](const UnitExchange& exchange) {
            std::printf("> %s\n< %s%s%s\n", Printable(exchange.Command).c_str(),
                        exchange.Accepted ? "ACK" : "NAK", exchange.Reply.empty() ? "" : " ",
                        Printable(exchange.Reply).c_str());
        });
    }
    std::printf("rivan-sim: unit %s version %s on %s\n", options.Unit.Name.c_str(),
                options.Unit.Version.c_str(), terminal.SlavePath().c_str());
    std::printf("RIVAN_COM%d=%s\n", options.Com, terminal.SlavePath().c_str());
    return Server(terminal, unit).Run();
}
