// The terminal's serial port on the network, on Qt Network.
#pragma once

#include "link/device/networkline.h"
#include "link/terminalport.h"

// Opens tcp://HOST:PORT or rfc2217://HOST:PORT, waiting at most NetworkOpenLimit. Error
// numbers are those of a local port: a refused or unknown address is a port that does not
// exist (2), a dropped connection a line that went away (5).
class NetworkTerminalPort : public TerminalPort {
public:
    // A write waits at most this long for the connection to take its byte.
    static constexpr int WriteTimeoutMs = 2000;

    NetworkTerminalPort() = default;
    ~NetworkTerminalPort() override = default;
    NetworkTerminalPort(const NetworkTerminalPort&) = delete;
    NetworkTerminalPort& operator=(const NetworkTerminalPort&) = delete;

    int Open(const std::string& device) override;
    int ReadLineSettings() override;
    int WriteLineSettings(int baudRate) override;
    void SetDtr(bool raised) override;
    void SetRts(bool raised) override;
    int Write(std::uint8_t byte) override;
    int ReadAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) override;
    void SetReadyNotice(std::function<void()> notify) override {
        line_.SetReadyNotice(std::move(notify));
    }
    void Close() override { line_.Close(); }
    bool IsOpen() const override { return line_.IsOpen(); }

private:
    NetworkLine line_;
};
