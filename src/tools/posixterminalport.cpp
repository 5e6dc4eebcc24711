// The terminal's serial port on a POSIX terminal device.
#include "tools/posixterminalport.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
bool SpeedFor(int baudRate, speed_t& speed) {
    switch (baudRate) {
    case 9600:
        speed = B9600;
        return true;
    case 19200:
        speed = B19200;
        return true;
    case 38400:
        speed = B38400;
        return true;
    case 57600:
        speed = B57600;
        return true;
    case 115200:
        speed = B115200;
        return true;
    default:
        return false;
    }
}

constexpr std::size_t ReadChunk = 256;
// A flood is taken in portions so that its reader stays responsive.
constexpr int MaxChunksPerRead = 16;
} // namespace

PosixTerminalPort::~PosixTerminalPort() {
    Close();
}

int PosixTerminalPort::Open(const std::string& device) {
    Close();
    const int descriptor = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    // Exclusive use: another program holding the lock, or opening the device later, is
    // kept out while the terminal runs.
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(descriptor);
        return error;
    }
    ::ioctl(descriptor, TIOCEXCL);
    descriptor_ = descriptor;
    return 0;
}

int PosixTerminalPort::ReadLineSettings() {
    if (::tcgetattr(descriptor_, &settings_) != 0)
        return errno;
    return 0;
}

int PosixTerminalPort::WriteLineSettings(int baudRate) {
    speed_t speed{};
    if (!SpeedFor(baudRate, speed))
        return EINVAL;
    termios settings = settings_;
    // Raw bytes both ways: no line editing, echo, character translation or flow control
    // by the driver, since the terminal shows and sends every byte itself.
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, speed);
    ::cfsetospeed(&settings, speed);
    if (::tcsetattr(descriptor_, TCSANOW, &settings) != 0)
        return errno;
    settings_ = settings;
    return 0;
}

void PosixTerminalPort::SetModemLine(int line, bool raised) {
    if (descriptor_ < 0)
        return;
    // Devices without modem lines (pseudo-terminals) refuse this; the terminal works
    // without them.
    ::ioctl(descriptor_, raised ? TIOCMBIS : TIOCMBIC, &line);
}

void PosixTerminalPort::SetDtr(bool raised) {
    SetModemLine(TIOCM_DTR, raised);
}

void PosixTerminalPort::SetRts(bool raised) {
    SetModemLine(TIOCM_RTS, raised);
}

int PosixTerminalPort::Write(std::uint8_t byte) {
    if (descriptor_ < 0)
        return EBADF;
    for (;;) {
        const ssize_t written = ::write(descriptor_, &byte, 1);
        if (written == 1)
            return 0;
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return errno;
        pollfd ready{descriptor_, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, WriteTimeoutMs);
        if (polled == 0)
            return ETIMEDOUT;
        if (polled < 0 && errno != EINTR)
            return errno;
    }
}

int PosixTerminalPort::ReadAvailable(std::vector<std::uint8_t>& bytes) {
    if (descriptor_ < 0)
        return EBADF;
    std::uint8_t chunk[ReadChunk];
    for (int chunks = 0; chunks < MaxChunksPerRead;) {
        const ssize_t count = ::read(descriptor_, chunk, sizeof chunk);
        if (count > 0) {
            bytes.insert(bytes.end(), chunk, chunk + count);
            ++chunks;
            continue;
        }
        if (count == 0)
            return EIO; // the other side hung up
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        return errno;
    }
    return 0;
}

void PosixTerminalPort::Close() {
    if (descriptor_ < 0)
        return;
    ::close(descriptor_);
    descriptor_ = -1;
}
