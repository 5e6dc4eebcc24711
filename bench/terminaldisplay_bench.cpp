// How many received bytes per second the terminal's display takes, in text and hex mode
// with the terminal area scrolling, next to what a 115200 bit/s line can deliver.
#include "tools/terminal/console.h"
#include "tools/terminal/terminalutility.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace {

// 115200 bit/s with a start bit, 8 data bits and a stop bit per byte.
constexpr double LineRateBytesPerSecond = 115200.0 / 10.0;

class OpenPort : public TerminalPort {
public:
    int Open(const std::string&) override {
        open_ = true;
        return 0;
    }
    int ReadLineSettings() override { return 0; }
    int WriteLineSettings(int) override { return 0; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    int Write(std::uint8_t) override { return 0; }
    // The benchmark hands the terminal its bytes itself.
    int ReadAvailable(std::vector<std::uint8_t>&, std::size_t) override { return 0; }
    void SetReadyNotice(std::function<void()>) override {}
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

private:
    bool open_ = false;
};

class NoSettings : public TerminalSettingsStore {
public:
    explicit NoSettings(bool hex) : hex_(hex) {}
    bool Exists() override { return true; }
    std::optional<std::string> ReadText(const std::string&) override { return "COM1"; }
    std::optional<bool> ReadFlag(const std::string& name) override {
        return name == TerminalUtility::HexValue ? hex_ : false;
    }
    bool OpenForWriting() override { return false; }
    bool WriteText(const std::string&, const std::string&) override { return false; }
    bool WriteFlag(const std::string&, bool) override { return false; }

private:
    bool hex_;
};

// A block-read reply as the unit sends it, repeated: every line ends in CR LF, so the
// terminal area scrolls all the time.
std::vector<std::uint8_t> ReplyTraffic() {
    const std::string line = "\x11*I22A00400020800A4DF0A0000C4090000E80300001027\r\n\x13";
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < 64 * 1024)
        bytes.insert(bytes.end(), line.begin(), line.end());
    return bytes;
}

void ShowReceived(benchmark::State& state, bool hex) {
    Console console;
    OpenPort port;
    NoSettings settings(hex);
    TerminalUtility terminal(console, port, settings, nullptr, nullptr, std::nullopt);
    terminal.Start();
    const std::vector<std::uint8_t> traffic = ReplyTraffic();
    for (auto _ : state) {
        terminal.QueueReceived(traffic);
        while (terminal.ServePending()) {
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(traffic.size()));
    state.counters["times_line_rate"] =
        benchmark::Counter(static_cast<double>(traffic.size()) / LineRateBytesPerSecond,
                           benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel("line rate: 11520 bytes/s");
}

void TextMode(benchmark::State& state) {
    ShowReceived(state, false);
}
void HexMode(benchmark::State& state) {
    ShowReceived(state, true);
}

BENCHMARK(TextMode)->Unit(benchmark::kMillisecond);
BENCHMARK(HexMode)->Unit(benchmark::kMillisecond);

} // namespace
