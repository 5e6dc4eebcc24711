// The remote control monitor: six channel panels that show what the poller last read.
#include "dialogs/monitordlg.h"

#include "dialogs/dialogframe.h"
#include "dialogs/monitortrends.h"
#include "files/codepage.h"
#include "link/protocol.h"
#include "profile/hexfields.h"
#include "ui/captions.h"
#include "ui/prompts.h"
#include "ui/windowplacement.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cassert>

namespace {

constexpr int TimerInterval = 1000; // ms
const QColor Silver(0xC0, 0xC0, 0xC0);
// What the frequency edits hold before the first run: a frequency as the unit writes it.
const QString FrequencyPattern = QStringLiteral("650.00MHz");
const QString ControlFailedText = QStringLiteral("Unable to control equipment");

// Whether the trends are shown is kept per user, beside the terminal's settings.
const QString SettingsOrganisation = QStringLiteral("Qelvar");
const QString SettingsApplication = QStringLiteral("CTL_RVN");
const QString ShowTrendsKey = QStringLiteral("Monitor/ShowTrends");
const QString HideTrendsText = QStringLiteral("Hide &trends");
const QString ShowTrendsText = QStringLiteral("Show &trends");
const QString RecordTitle = QStringLiteral("Record readings");
const QString CsvFilter = QStringLiteral("CSV files (*.csv);;All files (*)");
const QString LogPrefix = QStringLiteral("Monitor: ");
const QColor AlarmText(0xB0, 0x00, 0x00);
const QColor WarningText(0x90, 0x5A, 0x00);
constexpr int HistoryHeight = 92;

// The date and time as the activity log writes them.
QString Stamp(const QDateTime& moment) {
    const QLocale locale = QLocale::system();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(moment.time(), QLocale::LongFormat);
}

QString Shown(const QString& fileName) {
    return QDir::toNativeSeparators(fileName);
}

QColor ColourOf(MonitorRecord::Event::Kind kind) {
    using Kind = MonitorRecord::Event::Kind;
    switch (kind) {
    case Kind::AlarmOn:
    case Kind::NoAnswer:
        return AlarmText;
    case Kind::WarningOn:
        return WarningText;
    default:
        return {};
    }
}

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

TMonitorDlg::TMonitorDlg(Prompts& prompts, QWidget* parent)
    : TMonitorDlg(prompts, nullptr, {}, parent) {}

TMonitorDlg::TMonitorDlg(Prompts& prompts, const EquipmentProfile& profile, LogSink log,
                         QWidget* parent)
    : TMonitorDlg(prompts, &profile, std::move(log), parent) {}

TMonitorDlg::TMonitorDlg(Prompts& prompts, const EquipmentProfile* profile, LogSink log,
                         QWidget* parent)
    : QDialog(parent), prompts_(prompts), profile_(profile), log_(std::move(log)),
      clock_([] { return QDateTime::currentDateTime(); }) {
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
    Trends = new MonitorTrends(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panels);
    layout->addWidget(Trends);
    layout->addLayout(NewHistoryRow());
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TimerInterval);
    connect(Timer1, &QTimer::timeout, this, &TMonitorDlg::Timer1Timer);

    MakeFixedSizeFrame(*this);
    const QSettings settings(SettingsOrganisation, SettingsApplication);
    ShowTrends(settings.value(ShowTrendsKey, true).toBool());
    UpdateButtons();
}

TMonitorDlg::~TMonitorDlg() = default;

// Below the channels: the alarm history, and beside it what concerns the recording and
// the trends.
QLayout* TMonitorDlg::NewHistoryRow() {
    auto* historyBox = new QGroupBox(QStringLiteral("Alarm history"), this);
    historyBox->setObjectName(QStringLiteral("HistoryBox"));
    History = new QListWidget(historyBox);
    History->setObjectName(QStringLiteral("History"));
    History->setFixedHeight(HistoryHeight);
    History->setSelectionMode(QAbstractItemView::NoSelection);
    History->setFocusPolicy(Qt::NoFocus);
    auto* historyLayout = new QVBoxLayout(historyBox);
    historyLayout->setContentsMargins(4, 2, 4, 4);
    historyLayout->addWidget(History);

    BtRecord = new QPushButton(QStringLiteral("&Record..."), this);
    BtRecord->setObjectName(QStringLiteral("BtRecord"));
    connect(BtRecord, &QPushButton::clicked, this, &TMonitorDlg::BtRecordClick);
    BtStopRecording = new QPushButton(QStringLiteral("&Stop recording"), this);
    BtStopRecording->setObjectName(QStringLiteral("BtStopRecording"));
    connect(BtStopRecording, &QPushButton::clicked, this, &TMonitorDlg::BtStopRecordingClick);
    BtTrends = new QPushButton(HideTrendsText, this);
    BtTrends->setObjectName(QStringLiteral("BtTrends"));
    connect(BtTrends, &QPushButton::clicked, this, &TMonitorDlg::BtTrendsClick);
    for (QPushButton* button : {BtRecord, BtStopRecording, BtTrends})
        button->setAutoDefault(false);
    RecordingLabel = new QLabel(this);
    RecordingLabel->setObjectName(QStringLiteral("RecordingLabel"));
    RecordingLabel->setFixedWidth(BtStopRecording->sizeHint().width() + 40);

    auto* side = new QVBoxLayout;
    side->addWidget(BtRecord);
    side->addWidget(BtStopRecording);
    side->addWidget(RecordingLabel);
    side->addStretch(1);
    side->addWidget(BtTrends);
    auto* row = new QHBoxLayout;
    row->addWidget(historyBox, 1);
    row->addLayout(side);
    return row;
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
    const QDateTime now = clock_();
    lastRound_ = MonitorRecord::StartOf(poller_.Readings());
    Trends->Start(profile_ ? LevelsOf(*profile_) : TrendLevels{}, lastRound_, now);
    NoteEvent(QStringLiteral("monitor started"), now);
    monitoring_ = true;
    UpdateButtons();
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
            const TickOutcome outcome = poller_.Tick([this] { prompts_.Beep(); });
            ShowReadings();
            AfterRound(outcome);
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
    // At most the four digits a 16-bit value holds.
    const std::size_t digits = count <= 0 ? 0 : std::min<std::size_t>(count, 4);
    target = static_cast<std::uint16_t>(HexFields::LeadingHexValue(text, digits));
    return target;
}

void TMonitorDlg::BtRecordClick() {
    Prompts::FileDialog dialog;
    dialog.Title = RecordTitle;
    dialog.Filter = CsvFilter;
    dialog.DefaultSuffix = QStringLiteral("csv");
    if (const std::optional<QString> name = prompts_.SaveFileName(dialog))
        StartRecording(*name);
}

void TMonitorDlg::BtStopRecordingClick() {
    StopRecording(QStringLiteral("recording stopped"));
}

void TMonitorDlg::BtTrendsClick() {
    const bool shown = Trends->isHidden();
    ShowTrends(shown);
    QSettings settings(SettingsOrganisation, SettingsApplication);
    settings.setValue(ShowTrendsKey, shown);
}

void TMonitorDlg::done(int result) {
    Timer1->stop();
    if (monitoring_) {
        StopRecording(QStringLiteral("recording stopped"));
        NoteEvent(QStringLiteral("monitor stopped"), clock_());
    }
    monitoring_ = false;
    UpdateButtons();
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

void TMonitorDlg::AfterRound(const TickOutcome& outcome) {
    const QDateTime now = clock_();
    const MonitorRecord::Round round = MonitorRecord::RoundOf(poller_.Readings(), outcome);
    RecordRound(round, now);
    for (const MonitorRecord::Event& event : MonitorRecord::Compare(lastRound_, round))
        NoteEvent(QString::fromStdString(event.Text()), now, ColourOf(event.What));
    lastRound_ = round;
    Trends->AddRound(round, now);
}

void TMonitorDlg::NoteEvent(const QString& text, const QDateTime& moment, const QColor& colour) {
    auto* item = new QListWidgetItem(Stamp(moment) + QStringLiteral("  ") + text);
    if (colour.isValid())
        item->setForeground(colour);
    History->insertItem(0, item);
    if (log_)
        log_(LogPrefix + text + QStringLiteral(" at ") + Stamp(moment));
}

void TMonitorDlg::StartRecording(const QString& fileName) {
    StopRecording(QStringLiteral("recording stopped"));
    recording_.setFileName(fileName);
    const QByteArray header = QByteArray::fromStdString(std::string(MonitorRecord::CsvHeader)) +
                              QByteArray::fromStdString(std::string(MonitorRecord::CsvLineEnd));
    if (!recording_.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        recording_.write(header) != header.size() || !recording_.flush()) {
        recording_.close();
        prompts_.Notify(Captions::Error, QStringLiteral("Unable to record to ") + Shown(fileName),
                        Prompts::Icon::Error);
        UpdateButtons();
        return;
    }
    NoteEvent(QStringLiteral("recording to ") + Shown(fileName), clock_());
    UpdateButtons();
}

void TMonitorDlg::StopRecording(const QString& why) {
    if (!recording_.isOpen())
        return;
    const QString fileName = recording_.fileName();
    recording_.close();
    NoteEvent(why + QStringLiteral(", ") + Shown(fileName), clock_());
    UpdateButtons();
}

void TMonitorDlg::RecordRound(const MonitorRecord::Round& round, const QDateTime& moment) {
    if (!recording_.isOpen())
        return;
    const std::string time =
        MonitorRecord::FormatTime(std::chrono::sys_time<std::chrono::milliseconds>(
                                      std::chrono::milliseconds(moment.toMSecsSinceEpoch())),
                                  std::chrono::seconds(moment.offsetFromUtc()));
    const QByteArray rows = QByteArray::fromStdString(MonitorRecord::CsvRows(time, round));
    // Flushed every round, so the file is whole whenever the program or the unit stops.
    if (recording_.write(rows) != rows.size() || !recording_.flush())
        StopRecording(QStringLiteral("recording stopped: unable to write"));
}

void TMonitorDlg::ShowTrends(bool shown) {
    Trends->setVisible(shown);
    BtTrends->setText(shown ? HideTrendsText : ShowTrendsText);
}

void TMonitorDlg::UpdateButtons() {
    const bool recording = recording_.isOpen();
    BtRecord->setEnabled(monitoring_ && !recording);
    BtStopRecording->setEnabled(recording);
    RecordingLabel->setText(recording ? QStringLiteral("Recording: ") +
                                            QFileInfo(recording_.fileName()).fileName()
                                      : QString());
    RecordingLabel->setToolTip(recording ? Shown(recording_.fileName()) : QString());
}

void TMonitorDlg::ReportFailure() {
    prompts_.Notify(Captions::Error, ControlFailedText, Prompts::Icon::Error);
}
