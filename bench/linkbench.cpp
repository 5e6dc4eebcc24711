// Times the 39 block reads of a receive against rivan-sim, beside the wire time of the bytes.
#include "link/device/deviceportdriver.h"
#include "link/exchangebuffer.h"
#include "link/protocol.h"
#include "link/serialport.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"

#include "support/simprocess.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 5;
constexpr double BitsPerByte = 10.0; // start bit, 8 data bits, stop bit
constexpr double BitsPerSecond = 115200.0;

// Passes everything to the real driver and counts the bytes that cross the line.
class CountingDriver : public PortDriver {
public:
    explicit CountingDriver(PortDriver& inner) : inner_(inner) {}

    long BytesRead() const { return read_; }
    long BytesWritten() const { return written_; }
    void ResetCount() { read_ = written_ = 0; }

    PortHandle Open(std::string_view portName) override { return inner_.Open(portName); }
    bool Purge(PortHandle port, PurgeQueue queue) override { return inner_.Purge(port, queue); }
    bool GetLineSettings(PortHandle port, LineSettings& settings) override {
        return inner_.GetLineSettings(port, settings);
    }
    bool SetLineSettings(PortHandle port, const LineSettings& settings) override {
        return inner_.SetLineSettings(port, settings);
    }
    bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override {
        return inner_.SetTimeouts(port, timeouts);
    }
    bool EscapeFunction(PortHandle port, ModemControl function) override {
        return inner_.EscapeFunction(port, function);
    }
    ByteRead ReadByte(PortHandle port) override {
        const ByteRead read = inner_.ReadByte(port);
        if (read.Status == ReadStatus::Byte)
            ++read_;
        return read;
    }
    bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) override {
        const bool done = inner_.Write(port, bytes, written);
        written_ += written;
        return done;
    }
    void Close(PortHandle port) override { inner_.Close(port); }

private:
    PortDriver& inner_;
    long read_ = 0;
    long written_ = 0;
};

double WireMs(long bytes) {
    return bytes * BitsPerByte / BitsPerSecond * 1000.0;
}

std::vector<std::string> ReceiveCommands() {
    std::vector<std::string> commands = {
        MemoryCommands::Read(MemoryMap::ConfigurationAddress, MemoryMap::ConfigurationReadLength)};
    for (int point = 0; point < MemoryMap::PointCount; ++point)
        commands.push_back(
            MemoryCommands::Read(MemoryMap::PointAddress(point), MemoryMap::PointReadLength));
    for (int slot = 0; slot < MemoryMap::MessageCount; ++slot)
        commands.push_back(
            MemoryCommands::Read(MemoryMap::MessageAddress(slot), MemoryMap::MessageReadLength));
    return commands;
}

// Runs the rounds against one simulator; false when something failed.
bool Measure(const char* label, const std::vector<std::string>& simArguments) {
    SimProcess sim;
    std::string error;
    if (!sim.Start(RIVAN_SIM_PATH, simArguments, error)) {
        std::fprintf(stderr, "bench_link: %s\n", error.c_str());
        return false;
    }
    ::setenv(sim.Variable().c_str(), sim.DevicePath().c_str(), 1);
    DevicePortDriver device;
    CountingDriver driver(device);
    SerialPort port(driver, 0);
    if (!port.Open()) {
        std::fprintf(stderr, "bench_link: cannot open %s\n", sim.DevicePath().c_str());
        return false;
    }
    port.Configure();
    ExchangeBuffer buffer{};
    PutText(buffer, Protocol::NameQuery);
    if (!port.Query(buffer, ReplyCapacity)) {
        std::fprintf(stderr, "bench_link: the unit does not answer\n");
        return false;
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
                return false;
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
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::printf("39 block reads of a receive, %d rounds each, 115200 bit/s 8N1 wire time\n",
                Rounds);
    const bool paced = Measure("rivan-sim --pace", {"--pace"});
    const bool unpaced = Measure("rivan-sim (no pacing)", {});
    return paced && unpaced ? 0 : 1;
}
