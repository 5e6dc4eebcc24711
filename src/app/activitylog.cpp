// The run's activity log: an append-only list of lines shown in the main window's log panel.
#include "app/activitylog.h"

#include <QDateTime>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

ActivityLog::ActivityLog(QPlainTextEdit& view) : view_(view) {
    catchUp_.setSingleShot(true);
    catchUp_.callOnTimeout([this] { ShowPending(); });
}

void ActivityLog::Clear() {
    lines_.clear();
    pending_.clear();
    view_.clear();
}

void ActivityLog::AppendLine(const QString& line) {
    lines_.append(line);
    pending_.append(line);
    if (holds_ == 0) {
        ShowPending();
        return;
    }
    // Nothing reaches the screen before the window handles its events again, so the held
    // panel takes its lines there, once the lag since it last took some is over.
    if (catchUp_.isActive())
        return;
    const qint64 lag = sinceShown_.isValid() ? sinceShown_.elapsed() : HeldPanelLagMs;
    catchUp_.start(static_cast<int>(std::max<qint64>(0, HeldPanelLagMs - lag)));
}

void ActivityLog::AppendStamped(const QString& prefix) {
    AppendLine(prefix + Now());
}

void ActivityLog::HoldPanel() {
    ++holds_;
}

void ActivityLog::ReleasePanel() {
    if (holds_ > 0 && --holds_ == 0)
        ShowPending();
}

void ActivityLog::ShowPending() {
    catchUp_.stop();
    sinceShown_.start();
    if (pending_.isEmpty())
        return;
    // An empty panel takes an appended empty line as no line at all; so do lines arriving
    // there one by one.
    while (!pending_.isEmpty() && view_.document()->isEmpty())
        view_.appendPlainText(pending_.takeFirst());
    // One append of many lines makes the same paragraphs as one append per line. Joined
    // with LF, a line's own trailing CR would pair with it into one break.
    if (!pending_.isEmpty())
        view_.appendPlainText(pending_.join(QChar::ParagraphSeparator));
    pending_.clear();
}

QString ActivityLog::Now() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), QLocale::LongFormat);
}
