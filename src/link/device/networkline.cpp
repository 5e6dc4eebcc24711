// One connection to a serial port on the network.
#include "link/device/networkline.h"

#include "link/comportoption.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {

// Commands to the server are small; a server that cannot take them in this long is gone.
constexpr int CommandLimitMs = 2000;
// How long closing waits for the server to acknowledge the end of the connection.
constexpr int CloseLimitMs = 1000;
#ifdef Q_OS_WIN
constexpr int ShutWrite = SD_SEND;
#else
constexpr int ShutWrite = SHUT_WR;
#endif
// How long to wait before asking again a server that dropped us while we negotiated.
constexpr int RetryPauseMs = 100;

// A phase of opening, told by two small functions.
class PhaseWaiter : public ConnectionWaiter {
public:
    PhaseWaiter(const QElapsedTimer& clock, std::function<Progress()> state,
                std::function<void(int)> wait)
        : clock_(clock), state_(std::move(state)), wait_(std::move(wait)) {}

    Progress State() override { return state_(); }
    std::chrono::milliseconds Elapsed() const override {
        return std::chrono::milliseconds(clock_.elapsed());
    }
    void WaitFor(std::chrono::milliseconds limit) override {
        wait_(static_cast<int>(limit.count()));
    }

private:
    const QElapsedTimer& clock_;
    std::function<Progress()> state_;
    std::function<void(int)> wait_;
};

// A host name being looked up. The lookup runs on a thread of its own, so that a name
// server that does not answer keeps the caller no longer than the opening limit; a lookup
// left behind ends on its own and its answer is dropped.
struct HostLookup {
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Done = false;
    QList<QHostAddress> Addresses; // none when the name has none

    static std::shared_ptr<HostLookup> Start(const QString& name) {
        auto lookup = std::make_shared<HostLookup>();
        std::thread([lookup, name] {
            const QList<QHostAddress> addresses = QHostInfo::fromName(name).addresses();
            {
                const std::lock_guard lock(lookup->Mutex);
                lookup->Addresses = addresses;
                lookup->Done = true;
            }
            lookup->Finished.notify_all();
        }).detach();
        return lookup;
    }
};

class LookupWaiter : public ConnectionWaiter {
public:
    LookupWaiter(const QElapsedTimer& clock, std::shared_ptr<HostLookup> lookup)
        : clock_(clock), lookup_(std::move(lookup)) {}

    Progress State() override {
        const std::lock_guard lock(lookup_->Mutex);
        if (!lookup_->Done)
            return Progress::Waiting;
        return lookup_->Addresses.isEmpty() ? Progress::Failed : Progress::Done;
    }
    std::chrono::milliseconds Elapsed() const override {
        return std::chrono::milliseconds(clock_.elapsed());
    }
    void WaitFor(std::chrono::milliseconds limit) override {
        std::unique_lock lock(lookup_->Mutex);
        lookup_->Finished.wait_for(lock, limit, [this] { return lookup_->Done; });
    }
    QList<QHostAddress> Addresses() {
        const std::lock_guard lock(lookup_->Mutex);
        return lookup_->Addresses;
    }

private:
    const QElapsedTimer& clock_;
    std::shared_ptr<HostLookup> lookup_;
};

std::uint8_t ParityValue(Parity parity) {
    switch (parity) {
    case Parity::Odd:
        return ComPort::ParityOdd;
    case Parity::Even:
        return ComPort::ParityEven;
    case Parity::Mark:
        return ComPort::ParityMark;
    case Parity::Space:
        return ComPort::ParitySpace;
    case Parity::None:
        break;
    }
    return ComPort::ParityNone;
}

std::uint8_t StopSizeValue(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::Two:
        return ComPort::StopTwo;
    case StopBits::OneAndHalf:
        return ComPort::StopOneAndHalf;
    case StopBits::One:
        break;
    }
    return ComPort::StopOne;
}

std::uint8_t ControlValue(ModemControl function) {
    switch (function) {
    case ModemControl::SetDtr:
        return ComPort::DtrOn;
    case ModemControl::ClearDtr:
        return ComPort::DtrOff;
    case ModemControl::SetRts:
        return ComPort::RtsOn;
    case ModemControl::ClearRts:
        break;
    }
    return ComPort::RtsOff;
}

} // namespace

NetworkLine::NetworkLine() {
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
        Pump();
        if (HasData() && notify_)
            notify_();
    });
    QObject::connect(&socket_, &QTcpSocket::disconnected, &socket_, [this] {
        Pump();
        if (open_)
            gone_ = true;
        if (open_ && notify_)
            notify_();
    });
}

NetworkLine::~NetworkLine() {
    Close();
}

NetworkLine::OpenResult NetworkLine::Open(const NetworkAddress& address,
                                          std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    const QString name = QString::fromStdString(address.Host);
    QList<QHostAddress> hosts;
    if (QHostAddress literal; literal.setAddress(name)) {
        hosts.append(literal);
    } else {
        // A name, not an address: its lookup counts against the limit too.
        LookupWaiter lookup(clock, HostLookup::Start(name));
        switch (AwaitWithin(lookup, limit)) {
        case WaitOutcome::Done:
            hosts = lookup.Addresses();
            break;
        case WaitOutcome::Failed:
            return OpenResult::NotFound;
        case WaitOutcome::TimedOut:
            return OpenResult::TimedOut;
        }
    }
    // A name may stand for several addresses ("localhost": ::1 and 127.0.0.1); the first
    // that takes the connection is the one.
    OpenResult result = OpenResult::NotFound;
    for (const QHostAddress& host : hosts) {
        result = OpenTo(address, host, clock, limit);
        if (result != OpenResult::Refused && result != OpenResult::NotFound)
            break;
    }
    return result;
}

NetworkLine::OpenResult NetworkLine::OpenTo(const NetworkAddress& address, const QHostAddress& host,
                                            const QElapsedTimer& clock,
                                            std::chrono::milliseconds limit) {
    for (;;) {
        const OpenResult result = Attempt(address, host, clock, limit);
        if (result != OpenResult::HungUp)
            return result;
        // ser2net drops a new client while it still frees the port from the last one
        // (a session that ended with modem-line commands); it is ready a moment later.
        if (clock.elapsed() + RetryPauseMs >= limit.count())
            return OpenResult::Failed;
        QThread::msleep(RetryPauseMs);
    }
}

NetworkLine::OpenResult NetworkLine::Attempt(const NetworkAddress& address,
                                             const QHostAddress& host, const QElapsedTimer& clock,
                                             std::chrono::milliseconds limit) {
    Close();
    socket_.connectToHost(host, address.Port);
    PhaseWaiter connecting(
        clock,
        [this] {
            if (socket_.state() == QAbstractSocket::ConnectedState)
                return ConnectionWaiter::Progress::Done;
            if (socket_.state() == QAbstractSocket::UnconnectedState)
                return ConnectionWaiter::Progress::Failed;
            return ConnectionWaiter::Progress::Waiting;
        },
        [this](int ms) { socket_.waitForConnected(ms); });
    const WaitOutcome connected = AwaitWithin(connecting, limit);
    if (connected != WaitOutcome::Done) {
        const QAbstractSocket::SocketError error = socket_.error();
        socket_.abort();
        if (connected == WaitOutcome::TimedOut)
            return OpenResult::TimedOut;
        switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return OpenResult::Refused;
        case QAbstractSocket::HostNotFoundError:
        case QAbstractSocket::NetworkError:
            return OpenResult::NotFound;
        case QAbstractSocket::SocketTimeoutError:
            return OpenResult::TimedOut;
        default:
            return OpenResult::Failed;
        }
    }
    // Serial bytes go out as they are written, not gathered into fewer packets.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    open_ = true;
    if (address.Protocol == NetworkProtocol::RawTcp)
        return OpenResult::Opened;

    telnet_.emplace();
    if (!Send(telnet_->Start(), CommandLimitMs)) {
        Close();
        return OpenResult::HungUp;
    }
    // Until the server takes the COM-port option, the line could not be set.
    PhaseWaiter negotiating(
        clock,
        [this] {
            Pump();
            if (telnet_->ComPort() == TelnetCodec::Agreement::Agreed)
                return ConnectionWaiter::Progress::Done;
            if (telnet_->ComPort() == TelnetCodec::Agreement::Refused || !Connected())
                return ConnectionWaiter::Progress::Failed;
            return ConnectionWaiter::Progress::Waiting;
        },
        [this](int ms) { socket_.waitForReadyRead(ms); });
    const WaitOutcome negotiated = AwaitWithin(negotiating, limit);
    if (negotiated == WaitOutcome::Done)
        return OpenResult::Opened;
    const bool refused = telnet_->ComPort() == TelnetCodec::Agreement::Refused;
    Close();
    if (negotiated == WaitOutcome::TimedOut)
        return OpenResult::TimedOut;
    return refused ? OpenResult::NoComPort : OpenResult::HungUp;
}

bool NetworkLine::Connected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

void NetworkLine::Pump() {
    const qint64 available = socket_.bytesAvailable();
    if (available <= 0)
        return;
    const QByteArray wire = socket_.read(available);
    // Bytes already read make room: keep the buffer from growing without end.
    if (taken_ > 0 && taken_ == data_.size()) {
        data_.clear();
        taken_ = 0;
    }
    if (!telnet_) {
        data_.append(wire.constData(), static_cast<std::size_t>(wire.size()));
        return;
    }
    telnet_->Decode(std::string_view(wire.constData(), static_cast<std::size_t>(wire.size())),
                    data_);
    const std::string answers = telnet_->TakeAnswers();
    if (!answers.empty() && Connected()) {
        socket_.write(answers.data(), static_cast<qint64>(answers.size()));
        // Inside Send's wait the answers go out with its bytes. Pushing them out here would
        // empty the buffer under that wait, which then sits out its whole limit and fails.
        if (!sending_)
            socket_.flush();
    }
    // The server's confirmations of our settings change nothing here.
    telnet_->TakeComPortReplies();
}

bool NetworkLine::Send(std::string_view wire, int limitMs) {
    if (!open_ || gone_ || !Connected())
        return false;
    if (socket_.write(wire.data(), static_cast<qint64>(wire.size())) !=
        static_cast<qint64>(wire.size()))
        return false;
    // Without an event loop the bytes leave only while we wait for them to go; the wait
    // also reads what the server sends meanwhile.
    const QDeadlineTimer deadline(limitMs);
    sending_ = true;
    bool sent = true;
    while (socket_.bytesToWrite() > 0) {
        if (!socket_.waitForBytesWritten(static_cast<int>(deadline.remainingTime())) &&
            socket_.bytesToWrite() > 0) {
            if (!Connected())
                gone_ = true;
            sent = false;
            break;
        }
    }
    sending_ = false;
    return sent;
}

bool NetworkLine::SetLine(const LineSettings& settings) {
    if (!open_ || gone_)
        return false;
    if (!telnet_)
        return true;
    std::uint8_t flow = ComPort::NoFlowControl;
    if (settings.OutxCtsFlow)
        flow = ComPort::HardwareFlowControl;
    else if (settings.SoftwareFlowControl)
        flow = ComPort::SoftwareFlowControl;
    const std::string commands =
        ComPort::BaudRateCommand(settings.BaudRate) +
        ComPort::Command(ComPort::SetDataSize, settings.ByteSize) +
        ComPort::Command(ComPort::SetParity, ParityValue(settings.Parity)) +
        ComPort::Command(ComPort::SetStopSize, StopSizeValue(settings.StopBits)) +
        ComPort::Command(ComPort::SetControl, flow);
    return Send(commands, CommandLimitMs);
}

bool NetworkLine::SetModemLine(ModemControl function) {
    if (!open_ || gone_)
        return false;
    if (!telnet_)
        return true;
    return Send(ComPort::Command(ComPort::SetControl, ControlValue(function)), CommandLimitMs);
}

bool NetworkLine::PurgeReceived() {
    if (!open_)
        return false;
    Pump();
    data_.clear();
    taken_ = 0;
    if (!telnet_ || gone_)
        return !gone_;
    return Send(ComPort::Command(ComPort::PurgeData, ComPort::PurgeReceive), CommandLimitMs);
}

bool NetworkLine::PurgeTransmit() {
    if (!open_ || gone_)
        return false;
    if (!telnet_)
        return true;
    return Send(ComPort::Command(ComPort::PurgeData, ComPort::PurgeTransmit), CommandLimitMs);
}

ByteRead NetworkLine::ReadByte(int timeoutMs) {
    if (!open_)
        return {ReadStatus::Failed, 0};
    Pump();
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    while (!HasData()) {
        if (gone_ || !Connected()) {
            gone_ = true;
            return {ReadStatus::Failed, 0};
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return {ReadStatus::TimedOut, 0};
        // Telnet commands alone wake the wait without data; the wait goes on.
        socket_.waitForReadyRead(static_cast<int>(left));
        Pump();
    }
    return {ReadStatus::Byte, static_cast<std::uint8_t>(data_[taken_++])};
}

bool NetworkLine::Write(std::string_view data, int limitMs) {
    return Send(telnet_ ? TelnetCodec::Encode(data) : std::string(data), limitMs);
}

std::size_t NetworkLine::TakeData(std::vector<std::uint8_t>& bytes, std::size_t limit) {
    Pump();
    const std::size_t count = std::min(limit, data_.size() - taken_);
    bytes.insert(bytes.end(), data_.begin() + static_cast<std::ptrdiff_t>(taken_),
                 data_.begin() + static_cast<std::ptrdiff_t>(taken_ + count));
    taken_ += count;
    return count;
}

void NetworkLine::Leave() {
    // Closing outright would answer the server's last bytes (its replies to our last
    // commands, the unit's XON) with a reset, and ser2net then holds the serial port a while
    // and drops the next client. So only our sending side ends here, and what the server
    // still sends is read and passed over until it closes its side.
    socket_.flush();
    ::shutdown(static_cast<int>(socket_.socketDescriptor()), ShutWrite);
    const QDeadlineTimer deadline(CloseLimitMs);
    while (Connected() && !deadline.hasExpired()) {
        socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        socket_.readAll();
    }
}

void NetworkLine::Close() {
    const bool wasOpen = open_;
    open_ = false;
    gone_ = false;
    if (wasOpen && Connected())
        Leave();
    socket_.abort();
    telnet_.reset();
    data_.clear();
    taken_ = 0;
}
