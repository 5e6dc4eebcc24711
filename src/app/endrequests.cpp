// A self-pipe: the handler writes the signal's number, the event loop reads it.
#include "app/endrequests.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
constexpr int WatchedSignals[] = {SIGTERM, SIGHUP, SIGINT};
// [0] is read by the event loop, [1] written by the handler.
int pipeEnds[2] = {-1, -1};

extern "C" void WriteSignalNumber(int signalNumber) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request; losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}
#endif

} // namespace

EndRequests::EndRequests(QObject* parent) : QObject(parent) {
#ifdef Q_OS_UNIX
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, pipeEnds) != 0)
        return;
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndRequests::ReadPending);
    struct sigaction action {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : WatchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
#endif
}

EndRequests::~EndRequests() {
#ifdef Q_OS_UNIX
    if (!notifier_)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : WatchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
    delete notifier_;
    notifier_ = nullptr;
    for (int& end : pipeEnds) {
        ::close(end);
        end = -1;
    }
#endif
}

QString EndRequests::SignalName(int signalNumber) {
#ifdef Q_OS_UNIX
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGINT:
        return QStringLiteral("SIGINT");
    default:
        break;
    }
#endif
    return QStringLiteral("signal %1").arg(signalNumber);
}

void EndRequests::ReadPending() {
#ifdef Q_OS_UNIX
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        emit Requested(byte);
#endif
}
