// The remote control monitor: the live state of the unit's six channels, polled once a second.
#pragma once

#include "link/monitorpoller.h"
#include "link/monitorrecord.h"

#include <QDateTime>
#include <QDialog>
#include <QFile>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

class EquipmentProfile;
class MonitorTrends;
class Prompts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;
class QTimer;
class SerialPort;

class TMonitorDlg : public QDialog {
    Q_OBJECT
public:
    // One line for the activity log.
    using LogSink = std::function<void(const QString& line)>;
    // Where the time stamps of rounds and events come from.
    using Clock = std::function<QDateTime()>;

    explicit TMonitorDlg(Prompts& prompts, QWidget* parent = nullptr);
    // The trends draw the alarm and warning levels of `profile`; the alarm history also goes
    // to `log`.
    TMonitorDlg(Prompts& prompts, const EquipmentProfile& profile, LogSink log,
                QWidget* parent = nullptr);
    ~TMonitorDlg() override;

    // The wall clock unless a test sets another.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // One whole monitoring run on an open port: SetPort, StartMonitor, then the dialog
    // shown modally until it is closed. Whatever fails on the way ends the run with the
    // box "Unable to control equipment"; false then. The port stays open; its owner
    // closes it afterwards.
    bool RunMonitor(SerialPort& port);

    // The port of the next monitoring run; it must stay open until the dialog has closed.
    void SetPort(SerialPort& port);
    // Empties every field, reads the six channel registers and starts Timer1; called
    // before the dialog is shown.
    void StartMonitor();
    // One polling tick: pending events first (a click on OK is handled there), then the
    // status of every channel and the measurements of one.
    void Timer1Timer();
    void BtOkClick();
    // "Record...": chooses a CSV file; every round from then on appends its rows to it.
    void BtRecordClick();
    void BtStopRecordingClick();
    // "Hide trends" / "Show trends", remembered for the next run of the program.
    void BtTrendsClick();
    bool Recording() const { return recording_.isOpen(); }

    // The value of up to `count` (at most 4) hex digits at the start of `text`, stored in
    // `target` and returned; the first other character ends the number.
    static std::uint16_t CONVo_AsciiToBytes(std::uint16_t& target, std::string_view text,
                                            int count);

    // OK, the close box and Escape all end here: the timer stops before the dialog
    // closes, so a closed dialog never ticks.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct ChannelControls {
        QCheckBox* Active = nullptr;
        QLineEdit* Freq = nullptr;
        QLineEdit* Power = nullptr;
        QLineEdit* MER = nullptr;
        QLineEdit* BER = nullptr;
        QCheckBox* Alarm = nullptr;
        QCheckBox* Warning = nullptr;
    };

    TMonitorDlg(Prompts& prompts, const EquipmentProfile* profile, LogSink log, QWidget* parent);
    QLayout* NewHistoryRow();

    void ShowReadings();
    void ReportFailure();
    // What a round leaves behind once its queries are done: the recording's rows, the
    // history's events and the trends' points.
    void AfterRound(const TickOutcome& outcome);
    void NoteEvent(const QString& text, const QDateTime& moment, const QColor& colour = {});
    void StartRecording(const QString& fileName);
    void StopRecording(const QString& why);
    void RecordRound(const MonitorRecord::Round& round, const QDateTime& moment);
    void ShowTrends(bool shown);
    void UpdateButtons();

    Prompts& prompts_;
    const EquipmentProfile* profile_;
    LogSink log_;
    Clock clock_;
    MonitorPoller poller_;
    // The last round, or the start of the run: the next round's events are its changes.
    MonitorRecord::Round lastRound_;
    QFile recording_;
    // Between StartMonitor and the dialog closing.
    bool monitoring_ = false;
    bool ticking_ = false;
    // A tick failed with an error while the dialog was shown; RunMonitor reports it.
    bool tickFailed_ = false;

    std::array<ChannelControls, MonitorPoller::ChannelCount> channels_;
    QPushButton* BtOk;
    QTimer* Timer1;
    MonitorTrends* Trends;
    QListWidget* History;
    QPushButton* BtRecord;
    QPushButton* BtStopRecording;
    QPushButton* BtTrends;
    QLabel* RecordingLabel;
};
