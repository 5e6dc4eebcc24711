// The remote control monitor: six channel panels that show what the poller last read.
#include "dialogs/monitordlg.h"

#include "dialogs/dialogframe.h"
#include "link/protocol.h"
#include "ui/codepage.h"
#include "ui/prompts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <cassert>

namespace {

constexpr int TimerInterval = 1000; // ms
const QColor Silver(0xC0, 0xC0, 0xC0);
// What the frequency edits hold before the first run: a frequency as the unit writes it.
const QString FrequencyPattern = QStringLiteral("650.00MHz");
const QString ErrorCaption = QStringLiteral("RIVAN error");
const QString ControlFailedText = QStringLiteral("Unable to control equipment");

QString ControlName(const char* kind, int number) {
    return QString::fromLatin1(kind) + QString::number(number);
}

QString FromUnit(const std::string& text) {
    return FromCodePage(text);
}

// Six channels side by side fit a 1024 x 768 screen: narrow displays, small gaps.
constexpr int ChannelGap = 4;
constexpr int GroupMargin = 4;
constexpr int FieldGap = 2;
// The widest text a display shows: the unit's nine characters of frequency.
const QString WidestDisplayText = QStringLiteral("888.88MHz");
// The edit's frame and its inner margins on both sides.
constexpr int DisplayFrame = 8;

// A display: the program fills it, the user can read and copy it but not change it.
QLineEdit* NewDisplay(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(WidestDisplayText) + DisplayFrame);
    return edit;
}

QCheckBox* NewIndicator(const QString& name, const QString& label, QWidget* parent) {
    auto* box = new QCheckBox(label, parent);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

void Show(QLineEdit* edit, const std::string& text) {
    const QString shown = FromUnit(text);
    // Rewriting the same text would drop the user's selection every second.
    if (edit->text() != shown)
        edit->setText(shown);
}

} // namespace

TMonitorDlg::TMonitorDlg(Prompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("MonitorDlg"));
    setWindowTitle(QStringLiteral("Monitor"));
    setModal(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, Silver);
    setPalette(silver);
    setAutoFillBackground(true);

    auto* panels = new QHBoxLayout;
    panels->setSpacing(ChannelGap);
    for (int index = 0; index < MonitorPoller::ChannelCount; ++index) {
        const int number = index + 1;
        auto* group = new QGroupBox(QStringLiteral("Channel ") + QString::number(number), this);
        group->setObjectName(ControlName("GroupBox", number));
        ChannelControls& controls = channels_[index];
        controls.Active =
            NewIndicator(ControlName("Active", number), QStringLiteral("Enable"), group);
        controls.Freq = NewDisplay(ControlName("Freq", number), group);
        controls.Freq->setText(FrequencyPattern);
        controls.Power = NewDisplay(ControlName("Power", number), group);
        controls.MER = NewDisplay(ControlName("MER", number), group);
        controls.BER = NewDisplay(ControlName("BER", number), group);
        controls.Alarm = NewIndicator(ControlName("Alarm", number), QStringLiteral("Alarm"), group);
        controls.Warning =
            NewIndicator(ControlName("Warning", number), QStringLiteral("Warning"), group);

        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(GroupMargin, GroupMargin, GroupMargin, GroupMargin);
        grid->setHorizontalSpacing(FieldGap);
        grid->setVerticalSpacing(6);
        const auto addField = [&](int row, const char* label, QLineEdit* edit, const char* unit) {
            auto* caption = new QLabel(QString::fromLatin1(label), group);
            caption->setBuddy(edit);
            grid->addWidget(caption, row, 0);
            grid->addWidget(edit, row, 1);
            if (unit != nullptr)
                grid->addWidget(new QLabel(QString::fromLatin1(unit), group), row, 2);
        };
        grid->addWidget(controls.Active, 0, 0, 1, 3);
        addField(1, "Freq", controls.Freq, nullptr);
        addField(2, "Power", controls.Power, "dBm");
        addField(3, "MER", controls.MER, "dB");
        addField(4, "BER", controls.BER, nullptr);
        grid->addWidget(controls.Alarm, 5, 0, 1, 3);
        grid->addWidget(controls.Warning, 6, 0, 1, 3);
        panels->addWidget(group);
    }

    BtOk = new QPushButton(QStringLiteral("OK"), this);
    BtOk->setObjectName(QStringLiteral("BtOk"));
    QFont bold = BtOk->font();
    bold.setBold(true);
    BtOk->setFont(bold);
    BtOk->setDefault(true);
    connect(BtOk, &QPushButton::clicked, this, &TMonitorDlg::BtOkClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtOk);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panels);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TimerInterval);
    connect(Timer1, &QTimer::timeout, this, &TMonitorDlg::Timer1Timer);

    MakeFixedSizeFrame(*this);
}

bool TMonitorDlg::RunMonitor(SerialPort& port) {
    tickFailed_ = false;
    bool failed = false;
    try {
        SetPort(port);
        StartMonitor();
        exec();
    } catch (...) {
        failed = true;
    }
    Timer1->stop();
    monitoring_ = false;
    if (!failed && !tickFailed_)
        return true;
    ReportFailure();
    return false;
}

void TMonitorDlg::SetPort(SerialPort& port) {
    poller_.SetPort(port);
}

void TMonitorDlg::StartMonitor() {
    assert(poller_.HasPort() && "SetPort comes before StartMonitor");
    tickFailed_ = false;
    poller_.Start();
    ShowReadings();
    monitoring_ = true;
    Timer1->start();
}

void TMonitorDlg::Timer1Timer() {
    if (!monitoring_ || ticking_)
        return;
    ticking_ = true;
    QCoreApplication::processEvents();
    // Closed while events were processed: the port is about to be closed, so no more
    // queries on it.
    if (monitoring_) {
        try {
            // The beep sounds when the status is lost, before the measurements are asked.
            poller_.Tick([this] { prompts_.Beep(); });
            ShowReadings();
        } catch (...) {
            // Nothing may cross the event loop: the run ends, and RunMonitor reports it.
            tickFailed_ = true;
            done(Rejected);
        }
    }
    ticking_ = false;
}

void TMonitorDlg::BtOkClick() {
    Timer1->stop();
    accept();
}

std::uint16_t TMonitorDlg::CONVo_AsciiToBytes(std::uint16_t& target, std::string_view text,
                                              int count) {
    target = Protocol::HexDigitsValue(text, count);
    return target;
}

void TMonitorDlg::done(int result) {
    Timer1->stop();
    monitoring_ = false;
    QDialog::done(result);
}

void TMonitorDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnScreen(*this);
    BtOk->setFocus();
}

void TMonitorDlg::ShowReadings() {
    const MonitorPoller::Channels& readings = poller_.Readings();
    for (std::size_t index = 0; index < channels_.size(); ++index) {
        const ChannelReadings& reading = readings[index];
        ChannelControls& controls = channels_[index];
        controls.Active->setChecked(reading.Active);
        Show(controls.Freq, reading.Frequency);
        Show(controls.Power, reading.Power);
        Show(controls.MER, reading.Mer);
        Show(controls.BER, reading.Ber);
        controls.Alarm->setChecked(reading.Alarm);
        controls.Warning->setChecked(reading.Warning);
    }
}

void TMonitorDlg::ReportFailure() {
    prompts_.Notify(ErrorCaption, ControlFailedText, Prompts::Icon::Error);
}
