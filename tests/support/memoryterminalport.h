// A terminal port held in memory: what the terminal wrote and did is recorded, what the far
// end sends is delivered by the test.
#pragma once

#include "link/terminalport.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class MemoryTerminalPort : public TerminalPort {
public:
    // Devices that cannot be opened, with the error number opening them gives.
    std::map<std::string, int> OpenErrors;
    int ReadSettingsError = 0;
    int WriteSettingsError = 0;
    int WriteError = 0;

    std::vector<std::string> Opened;
    std::vector<std::uint8_t> Written;
    std::vector<int> BaudRates;
    std::vector<std::string> LineChanges; // "DTR+", "RTS+", "RTS-", "DTR-"
    int Closes = 0;

    // The far end sends `bytes`; the owner hears of it as from the event loop.
    void Deliver(std::string_view bytes);
    // The line fails with `errorNumber` after the bytes delivered so far.
    void FailLine(int errorNumber);
    // Bytes delivered and not yet taken.
    std::size_t Waiting() const { return incoming_.size(); }

    int Open(const std::string& device) override;
    int ReadLineSettings() override { return ReadSettingsError; }
    int WriteLineSettings(int baudRate) override;
    void SetDtr(bool raised) override { LineChanges.push_back(raised ? "DTR+" : "DTR-"); }
    void SetRts(bool raised) override { LineChanges.push_back(raised ? "RTS+" : "RTS-"); }
    int Write(std::uint8_t byte) override;
    int ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) override;
    void SetReadyNotice(std::function<void()> notify) override { notify_ = std::move(notify); }
    void Close() override;
    bool IsOpen() const override { return open_; }

private:
    void Notify();

    bool open_ = false;
    std::deque<std::uint8_t> incoming_;
    int lineFailure_ = 0;
    std::function<void()> notify_;
};
