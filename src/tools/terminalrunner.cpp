// One terminal run in a console window.
#include "tools/terminalrunner.h"

#include "ui/prompts.h"

#include <QEventLoop>
#include <QSocketNotifier>

namespace {
// Events served before the window's own events get their turn again, so that a key
// pressed during a flood of received bytes is not kept waiting.
constexpr int EventsPerPump = 64;
} // namespace

TerminalRunner::TerminalRunner(QWidget* parent, Prompts& prompts,
                               std::function<void(const std::string&)> appendLine,
                               std::optional<std::string> detectedPort)
    : utility_(
          console_, port_, settings_, std::move(appendLine),
          [&prompts](const std::string& text) {
              prompts.Notify(QString::fromLatin1(Caption), QString::fromStdString(text),
                             Prompts::Icon::Error);
          },
          std::move(detectedPort)),
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
}

TerminalRunner::~TerminalRunner() {
    utility_.Quit();
    notifier_.reset();
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
    WatchPort();
    idleTimer_.start();
    window_->update();
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

void TerminalRunner::WatchPort() {
    if (port_.Descriptor() == watchedDescriptor_ && notifier_)
        return;
    notifier_.reset();
    watchedDescriptor_ = port_.Descriptor();
    if (watchedDescriptor_ < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(watchedDescriptor_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminalRunner::PortReadable);
}

void TerminalRunner::PortReadable() {
    // The port is read again once these bytes are shown; until then they wait in the
    // device, and a flood cannot outrun the display.
    notifier_->setEnabled(false);
    readBuffer_.clear();
    const int error = port_.ReadAvailable(readBuffer_);
    utility_.QueueReceived(readBuffer_);
    if (error)
        utility_.QueueReadFailure(error);
    Pump();
}

void TerminalRunner::QueuePump() {
    if (pumpQueued_)
        return;
    pumpQueued_ = true;
    QTimer::singleShot(0, this, &TerminalRunner::Pump);
}

void TerminalRunner::Pump() {
    pumpQueued_ = false;
    if (finished_)
        return;
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
    WatchPort();
    if (notifier_)
        notifier_->setEnabled(!utility_.ReceivePending());
    if (utility_.ReceivePending() || console_.InputPending())
        QueuePump();
}

void TerminalRunner::Finish() {
    if (finished_)
        return;
    finished_ = true;
    idleTimer_.stop();
    notifier_.reset();
    watchedDescriptor_ = -1;
    window_->hide();
    emit Finished();
    if (loop_)
        loop_->quit();
}

void RunTerminal(QWidget* parent, Prompts& prompts,
                 std::function<void(const std::string&)> appendLine,
                 std::optional<std::string> detectedPort) {
    TerminalRunner runner(parent, prompts, std::move(appendLine), std::move(detectedPort));
    runner.Exec();
}
