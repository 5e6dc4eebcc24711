// One terminal run in a console window.
#include "tools/terminal/terminalrunner.h"

#include "link/terminalport.h"
#include "ui/prompts.h"

#include <QEventLoop>

namespace {
// Events served before the window's own events get their turn again, so that a key
// pressed during a flood of received bytes is not kept waiting.
constexpr int EventsPerPump = 64;
// Received bytes taken from the port at one look; the rest wait in the port until these are
// shown, so a flood cannot outrun the display.
constexpr std::size_t BytesPerRead = 4096;
} // namespace

TerminalRunner::TerminalRunner(QWidget* parent, Prompts& prompts, TerminalPort& port,
                               std::function<void(const std::string&)> appendLine,
                               std::optional<std::string> detectedPort)
    : TerminalRunner(parent, prompts, port, std::move(appendLine), std::move(detectedPort),
                     SystemClock::Instance(), ownRetryTimer_) {}

TerminalRunner::TerminalRunner(QWidget* parent, Prompts& prompts, TerminalPort& port,
                               std::function<void(const std::string&)> appendLine,
                               std::optional<std::string> detectedPort, TerminalClock& clock,
                               TerminalTimer& retryTimer)
    : port_(port), retryTimer_(retryTimer),
      utility_(
          console_, port_, settings_, std::move(appendLine),
          [&prompts](const std::string& text) {
              prompts.Notify(QString::fromLatin1(Caption), QString::fromStdString(text),
                             Prompts::Icon::Error);
          },
          std::move(detectedPort), clock),
      window_(std::make_unique<ConsoleWindow>(console_, parent)) {
    idleTimer_.setObjectName(QStringLiteral("IdleTimer"));
    idleTimer_.setSingleShot(true);
    idleTimer_.setInterval(TerminalUtility::IdleTimeoutMs);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
        utility_.ServeIdleTimeout();
        Pump();
    });
    connect(window_.get(), &ConsoleWindow::InputPosted, this, &TerminalRunner::QueuePump);
    connect(window_.get(), &ConsoleWindow::CloseRequested, this, [this] {
        utility_.Quit();
        Pump();
    });
    port_.SetReadyNotice([this] { PortReady(); });
}

TerminalRunner::~TerminalRunner() {
    port_.SetReadyNotice(nullptr);
    retryTimer_.Stop();
    utility_.Quit();
    window_->hide();
}

void TerminalRunner::Start() {
    window_->show();
    window_->activateWindow();
    window_->setFocus();
    utility_.Start();
    if (!utility_.Running()) {
        Finish();
        return;
    }
    idleTimer_.start();
    window_->update();
    QueuePump();
}

void TerminalRunner::Exec() {
    Start();
    if (finished_)
        return;
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

void TerminalRunner::PortReady() {
    // The port may announce bytes in the middle of a write; they are shown from the loop.
    QueuePump();
}

void TerminalRunner::ReadPort() {
    if (!port_.IsOpen())
        return;
    readBuffer_.clear();
    const int error = port_.ReadAvailable(readBuffer_, BytesPerRead);
    utility_.QueueReceived(readBuffer_);
    if (error)
        utility_.QueueReadFailure(error);
}

void TerminalRunner::QueuePump() {
    if (pumpQueued_ || finished_)
        return;
    pumpQueued_ = true;
    QTimer::singleShot(0, this, &TerminalRunner::Pump);
}

void TerminalRunner::Pump() {
    pumpQueued_ = false;
    if (finished_)
        return;
    if (!utility_.ReceivePending())
        ReadPort();
    int served = 0;
    while (served < EventsPerPump && utility_.ServePending())
        ++served;
    window_->update();
    if (!utility_.Running()) {
        Finish();
        return;
    }
    if (served > 0)
        idleTimer_.start();
    // The port announces only bytes that are new to it; what it still holds is taken here.
    if (!utility_.ReceivePending())
        ReadPort();
    if (utility_.ReceivePending() || console_.InputPending())
        QueuePump();
    ScheduleRetry();
}

void TerminalRunner::ScheduleRetry() {
    if (!utility_.WaitingForPort() || retryTimer_.Active())
        return;
    retryTimer_.Start(TerminalUtility::RetryIntervalMs, [this] { RetryPort(); });
}

void TerminalRunner::RetryPort() {
    if (finished_)
        return;
    utility_.RetryPort();
    // Shows the outcome, takes what the port holds, and waits again while it is away.
    Pump();
}

void TerminalRunner::Finish() {
    if (finished_)
        return;
    finished_ = true;
    idleTimer_.stop();
    retryTimer_.Stop();
    window_->hide();
    emit Finished();
    if (loop_)
        loop_->quit();
}

void RunTerminal(QWidget* parent, Prompts& prompts, TerminalPort& port,
                 std::function<void(const std::string&)> appendLine,
                 std::optional<std::string> detectedPort) {
    TerminalRunner runner(parent, prompts, port, std::move(appendLine), std::move(detectedPort));
    runner.Exec();
}
