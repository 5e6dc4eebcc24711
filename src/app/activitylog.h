// The run's activity log: an append-only list of lines shown in the main window's log panel.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

class QPlainTextEdit;

class ActivityLog {
public:
    // How long a held panel may lag behind the log: short enough to read as live, long
    // enough that a receive repaints the panel a few times instead of once per reply.
    static constexpr int HeldPanelLagMs = 100;

    // Shows the lines in `view`; the log never edits or removes a line once shown.
    explicit ActivityLog(QPlainTextEdit& view);

    // Empties the log and the panel; done once, when the main window is created.
    void Clear();
    void AppendLine(const QString& line);
    // Appends `prefix` followed by the current local date and time (see Now).
    void AppendStamped(const QString& prefix);

    // A conversation logs a line every few milliseconds, and showing and repainting the
    // panel for each costs more than the exchange it reports. While held, the panel takes
    // new lines when the window handles its events, at most every HeldPanelLagMs and
    // several at a time; Lines() has each at once. Holds nest; releasing the last one shows
    // every line.
    void HoldPanel();
    void ReleasePanel();

    const QStringList& Lines() const { return lines_; }

    // The current local date and time as the log and the PRO header show it: the system's
    // short date, a blank, the system's long time.
    static QString Now();

private:
    // Appends the lines the panel does not show yet.
    void ShowPending();

    QPlainTextEdit& view_;
    QStringList lines_;
    QStringList pending_;
    int holds_ = 0;
    QElapsedTimer sinceShown_;
    QTimer catchUp_;
};
