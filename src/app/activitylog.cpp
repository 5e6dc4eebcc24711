// The run's activity log: an append-only list of lines shown in the main window's log panel.
#include "app/activitylog.h"

#include <QDateTime>
#include <QLocale>
#include <QPlainTextEdit>

ActivityLog::ActivityLog(QPlainTextEdit& view) : view_(view) {}

void ActivityLog::Clear() {
    lines_.clear();
    view_.clear();
}

void ActivityLog::AppendLine(const QString& line) {
    lines_.append(line);
    view_.appendPlainText(line);
}

void ActivityLog::AppendStamped(const QString& prefix) {
    AppendLine(prefix + Now());
}

QString ActivityLog::Now() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), QLocale::LongFormat);
}
