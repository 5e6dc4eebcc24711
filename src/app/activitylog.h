// The run's activity log: an append-only list of lines shown in the main window's log panel.
#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

class ActivityLog {
public:
    // Shows the lines in `view`; the log never edits or removes a line once shown.
    explicit ActivityLog(QPlainTextEdit& view);

    // Empties the log and the panel; done once, when the main window is created.
    void Clear();
    void AppendLine(const QString& line);
    // Appends `prefix` followed by the current local date and time (see Now).
    void AppendStamped(const QString& prefix);

    const QStringList& Lines() const { return lines_; }

    // The current local date and time as the log and the PRO header show it: the system's
    // short date, a blank, the system's long time.
    static QString Now();

private:
    QPlainTextEdit& view_;
    QStringList lines_;
};
