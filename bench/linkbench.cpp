// Times the 39 block reads of a receive against rivan-sim, beside the wire time of the bytes:
// on the pseudo-terminal itself, and through a raw TCP bridge (socat) on 127.0.0.1.
#include "link/device/systemportdriver.h"
#include "link/exchangebuffer.h"
#include "link/forwardingportdriver.h"
#include "link/protocol.h"
#include "link/serialport.h"

#include "receivecommands.h"
#include "support/bridgeprocess.h"
#include "support/simprocess.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 5;
constexpr double BitsPerByte = 10.0; // start bit, 8 data bits, stop bit
constexpr double BitsPerSecond = 115200.0;

// Passes everything to the real driver and counts the bytes that cross the line.
class CountingDriver : public ForwardingPortDriver {
public:
    using ForwardingPortDriver::ForwardingPortDriver;

    long BytesRead() const { return read_; }
    long BytesWritten() const { return written_; }
    void ResetCount() { read_ = written_ = 0; }

    ByteRead ReadByte(PortHandle port) override {
        const ByteRead read = Inner().ReadByte(port);
        if (read.Status == ReadStatus::Byte)
            ++read_;
        return read;
    }
    bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) override {
        const bool done = Inner().Write(port, bytes, written);
        written_ += written;
        return done;
    }

private:
    long read_ = 0;
    long written_ = 0;
};

double WireMs(long bytes) {
    return bytes * BitsPerByte / BitsPerSecond * 1000.0;
}

// Runs the rounds against one simulator, on its pseudo-terminal or through a raw TCP
// bridge; the median time, or nothing when something failed.
std::optional<double> Measure(const char* label, const std::vector<std::string>& simArguments,
                              bool bridged) {
    SimProcess sim;
    BridgeProcess bridge;
    std::string error;
    if (!sim.Start(RIVAN_SIM_PATH, simArguments, error)) {
        std::fprintf(stderr, "bench_link: %s\n", error.c_str());
        return std::nullopt;
    }
    std::string device = sim.DevicePath();
    if (bridged) {
        if (!bridge.StartRawTcp(sim.DevicePath(), error)) {
            std::fprintf(stderr, "bench_link: socat: %s\n", error.c_str());
            return std::nullopt;
        }
        device = "tcp://127.0.0.1:" + std::to_string(bridge.Port());
    }
    ::setenv(sim.Variable().c_str(), device.c_str(), 1);
    SystemPortDriver system;
    CountingDriver driver(system);
    SerialPort port(driver, 0);
    if (!port.Open()) {
        std::fprintf(stderr, "bench_link: cannot open %s\n", device.c_str());
        return std::nullopt;
    }
    port.Configure();
    ExchangeBuffer buffer{};
    PutText(buffer, Protocol::NameQuery);
    if (!port.Query(buffer, ReplyCapacity)) {
        std::fprintf(stderr, "bench_link: the unit does not answer\n");
        return std::nullopt;
    }

    const std::vector<std::string> commands = ReceiveCommands();
    std::vector<double> times;
    long read = 0;
    long written = 0;
    for (int round = 0; round < Rounds; ++round) {
        driver.ResetCount();
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& command : commands) {
            PutText(buffer, command);
            if (!port.Query(buffer, ReplyCapacity) || TextOf(buffer).empty()) {
                std::fprintf(stderr, "bench_link: %s failed\n", command.c_str());
                return std::nullopt;
            }
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        read = driver.BytesRead();
        written = driver.BytesWritten();
    }
    port.Close();

    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    // rivan-sim paces what the unit sends; the host's commands cross the pseudo-terminal
    // at once. Both figures are given: against the unit's bytes and against all bytes.
    std::printf("%s\n", label);
    std::printf("  unit -> host %5ld bytes, wire %6.1f ms\n", read, WireMs(read));
    std::printf("  host -> unit %5ld bytes, wire %6.1f ms\n", written, WireMs(written));
    std::printf("  measured median %6.1f ms (min %.1f, max %.1f)\n", median, times.front(),
                times.back());
    std::printf("  ratio to the unit's wire time %.2f, to the whole wire time %.2f\n",
                median / WireMs(read), median / WireMs(read + written));
    return median;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::printf("39 block reads of a receive, %d rounds each, 115200 bit/s 8N1 wire time\n",
                Rounds);
    bool measured = true;
    for (const bool paced : {true, false}) {
        const std::vector<std::string> arguments =
            paced ? std::vector<std::string>{"--pace"} : std::vector<std::string>{};
        const char* local = paced ? "rivan-sim --pace" : "rivan-sim (no pacing)";
        const char* bridged = paced ? "rivan-sim --pace behind socat, tcp://127.0.0.1"
                                    : "rivan-sim (no pacing) behind socat, tcp://127.0.0.1";
        const std::optional<double> onPort = Measure(local, arguments, false);
        const std::optional<double> overNetwork = Measure(bridged, arguments, true);
        if (!onPort || !overNetwork) {
            measured = false;
            continue;
        }
        std::printf("  ratio of the TCP bridge to the local port %.2f\n", *overNetwork / *onPort);
    }
    return measured ? 0 : 1;
}
