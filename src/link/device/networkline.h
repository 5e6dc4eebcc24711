// One connection to a serial port that a terminal server or ser2net puts on the network:
// raw TCP, or Telnet with the COM-port options. Shared by the link's and the terminal's
// network backends.
#pragma once

#include "link/connectionwait.h"
#include "link/networkaddress.h"
#include "link/portdriver.h"
#include "link/telnetcodec.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Works with and without an event loop: the blocking operations wait on the socket itself,
// and received bytes are also announced from the event loop. A connection the other side
// drops is gone: the bytes that came before it can still be read, then reads fail.
class NetworkLine {
public:
    enum class OpenResult : std::uint8_t {
        Opened,
        Refused,   // nothing listens on that port
        NotFound,  // no such host, or no route to it
        TimedOut,  // the host did not answer within the limit
        NoComPort, // a Telnet server that will not take the COM-port options
        HungUp,    // the server dropped the connection before it negotiated
        Failed,    // any other reason
    };

    NetworkLine();
    ~NetworkLine();
    NetworkLine(const NetworkLine&) = delete;
    NetworkLine& operator=(const NetworkLine&) = delete;

    // Connects, and on a Telnet port negotiates, within `limit` in all.
    OpenResult Open(const NetworkAddress& address,
                    std::chrono::milliseconds limit = NetworkOpenLimit);
    // Opened and not closed since; a gone connection is still open until closed.
    bool IsOpen() const { return open_; }
    // The other side dropped the connection.
    bool Gone() const { return gone_; }

    // Sets the serial line through the COM-port options. On a raw TCP port the server's
    // own settings rule, as the speed of a pseudo-terminal does, and nothing is sent.
    bool SetLine(const LineSettings& settings);
    bool SetModemLine(ModemControl function);
    // Forgets received bytes not yet read, and asks the server to empty its buffer as well.
    bool PurgeReceived();
    bool PurgeTransmit();

    // One byte: at once when one is queued, else after waiting up to `timeoutMs`.
    ByteRead ReadByte(int timeoutMs);
    // Writes all of `data`, waiting at most `limitMs` for the connection to take it.
    bool Write(std::string_view data, int limitMs);

    // Moves up to `limit` received bytes into `bytes`; answers how many.
    std::size_t TakeData(std::vector<std::uint8_t>& bytes, std::size_t limit);
    bool HasData() const { return taken_ < data_.size(); }
    // `notify` is called from the event loop when bytes arrive or the connection drops.
    void SetReadyNotice(std::function<void()> notify) { notify_ = std::move(notify); }

    void Close();

private:
    // Connects to one address of the host, asking again while the server drops us during
    // the negotiation, within what is left of `limit`.
    OpenResult OpenTo(const NetworkAddress& address, const QHostAddress& host,
                      const QElapsedTimer& clock, std::chrono::milliseconds limit);
    // One connection and negotiation within what is left of `limit`.
    OpenResult Attempt(const NetworkAddress& address, const QHostAddress& host,
                       const QElapsedTimer& clock, std::chrono::milliseconds limit);
    // Reads what the socket holds, keeps its data and answers the server's negotiation.
    void Pump();
    bool Send(std::string_view wire, int limitMs);
    // Ends the connection in good order.
    void Leave();
    bool Connected() const;

    QTcpSocket socket_;
    std::optional<TelnetCodec> telnet_;
    std::string data_;
    std::size_t taken_ = 0;
    bool open_ = false;
    bool gone_ = false;
    // Set while Send waits for its bytes to leave; answers decoded meanwhile join them.
    bool sending_ = false;
    std::function<void()> notify_;
};
