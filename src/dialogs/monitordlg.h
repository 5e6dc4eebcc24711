// The remote control monitor: the live state of the unit's six channels, polled once a second.
#pragma once

#include "link/monitorpoller.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string_view>

class Prompts;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTimer;
class SerialPort;

class TMonitorDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMonitorDlg(Prompts& prompts, QWidget* parent = nullptr);

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

    void ShowReadings();
    void ReportFailure();

    Prompts& prompts_;
    MonitorPoller poller_;
    // Between StartMonitor and the dialog closing.
    bool monitoring_ = false;
    bool ticking_ = false;
    // A tick failed with an error while the dialog was shown; RunMonitor reports it.
    bool tickFailed_ = false;

    std::array<ChannelControls, MonitorPoller::ChannelCount> channels_;
    QPushButton* BtOk;
    QTimer* Timer1;
};
