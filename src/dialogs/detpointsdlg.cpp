// The detection points editor: frequencies in MHz and power thresholds in dBm on screen,
// kHz and dBm + 107 in the profile.
#include "dialogs/detpointsdlg.h"

#include "dialogs/dialogframe.h"
#include "dialogs/numbertext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int EditWidth = 64;

QString Numbered(const char* name, int number) {
    return QString::fromLatin1(name) + QString::number(number);
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TDetPointsDlg::TDetPointsDlg(EquipmentProfile& profile, std::function<void()> setModified,
                             Prompts& prompts, QWidget* parent)
    : ProfileEditor(profile, std::move(setModified), prompts, parent) {
    setObjectName(QStringLiteral("DetPointsDlg"));
    setWindowTitle(QStringLiteral("Detection points editor"));

    auto* groups = new QHBoxLayout;
    for (int i = 0; i < EquipmentProfile::PointCount; ++i)
        groups->addWidget(NewChannel(i));

    QHBoxLayout* buttons = OkCancelRow(*this, OKBtn, CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    QWidget* previous = nullptr;
    for (const Channel& channel : channels_) {
        for (QWidget* control :
             {static_cast<QWidget*>(channel.Freq), static_cast<QWidget*>(channel.Active),
              static_cast<QWidget*>(channel.AlarmPower),
              static_cast<QWidget*>(channel.WarningPower)}) {
            if (previous != nullptr)
                setTabOrder(previous, control);
            previous = control;
        }
    }
    setTabOrder(previous, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this, &TDetPointsDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TDetPointsDlg::CancelBtnClick);
    MakeFixedSizeFrame(*this);
}

QGroupBox* TDetPointsDlg::NewChannel(int index) {
    const int number = index + 1;
    Channel& channel = channels_[static_cast<std::size_t>(index)];
    channel.GroupBox = new QGroupBox(QStringLiteral("Channel %1").arg(number), this);
    channel.GroupBox->setObjectName(Numbered("GroupBox", number));
    QGroupBox* box = channel.GroupBox;

    channel.Active = new QCheckBox(QStringLiteral("Active"), box);
    channel.Active->setObjectName(Numbered("Active", number));
    channel.Freq = NewNumberEdit(Numbered("Freq", number), EditWidth, box);
    channel.AlarmPower = NewNumberEdit(Numbered("AlarmPower", number), EditWidth, box);
    channel.WarningPower = NewNumberEdit(Numbered("WarningPower", number), EditWidth, box);

    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    grid->addWidget(channel.Active, 0, 0, 1, 2);
    grid->setRowMinimumHeight(1, 6);
    const auto addField = [&](int row, const char* label, QLineEdit* edit, const char* unit) {
        auto* caption = new QLabel(QString::fromLatin1(label), box);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0, 1, 2);
        grid->addWidget(edit, row + 1, 0);
        grid->addWidget(new QLabel(QString::fromLatin1(unit), box), row + 1, 1);
        grid->setRowMinimumHeight(row + 2, 6);
    };
    addField(2, "Frequency ", channel.Freq, "MHz");
    addField(5, "Alarm Power", channel.AlarmPower, "dBm");
    addField(8, "Warning Power", channel.WarningPower, "dBm");
    return box;
}

char TDetPointsDlg::DecimalSeparator() {
    const QString separator = QLocale().decimalPoint();
    if (separator.size() != 1 || separator.at(0).unicode() > 0x7F)
        return '.'; // a separator beyond ASCII: numbers are written with a full stop
    return separator.at(0).toLatin1();
}

void TDetPointsDlg::FormShow() {
    for (const Channel& channel : channels_) {
        channel.Active->setChecked(false);
        channel.Freq->clear();
        channel.WarningPower->clear();
        channel.AlarmPower->clear();
    }
    profile_.SnapshotPoints();
    LoadPoints();
    channels_.front().Freq->setFocus();
}

void TDetPointsDlg::LoadPoints() {
    for (int i = 0; i < EquipmentProfile::PointCount; ++i) {
        currentPoint_ = static_cast<std::uint16_t>(i);
        LoadPoint();
    }
}

void TDetPointsDlg::LoadPoint() {
    const int i = currentPoint_;
    const Channel& channel = channels_[currentPoint_];
    channel.Active->setChecked(profile_.Active(i) != 0);
    channel.Freq->setText(ToQt(FrequencyText(profile_.FrequencyKHz(i), DecimalSeparator())));
    channel.WarningPower->setText(ToQt(PowerText(profile_.WarningPower(i))));
    channel.AlarmPower->setText(ToQt(PowerText(profile_.AlarmPower(i))));
}

void TDetPointsDlg::SavePoints() {
    for (int i = 0; i < EquipmentProfile::PointCount; ++i) {
        currentPoint_ = static_cast<std::uint16_t>(i);
        SavePoint();
    }
}

void TDetPointsDlg::SavePoint() {
    const int i = currentPoint_;
    const Channel& channel = channels_[currentPoint_];
    const char separator = DecimalSeparator();

    // The edits get their texts back as read, so an error names what is on screen.
    const std::string frequency =
        NormalizeFrequencyText(channel.Freq->text().toStdString(), separator);
    channel.Freq->setText(ToQt(frequency));
    profile_.SetFrequencyKHz(i, ValueOrThrow(FrequencyKHzFromText(frequency, separator)));

    profile_.SetNumber(i, static_cast<std::uint8_t>(i));
    profile_.SetActive(i, channel.Active->isChecked() ? 1 : 0);

    const std::string warning =
        NormalizePowerText(channel.WarningPower->text().toStdString(), separator);
    channel.WarningPower->setText(ToQt(warning));
    profile_.SetWarningPower(i, ValueOrThrow(PowerFromText(warning)));

    const std::string alarm =
        NormalizePowerText(channel.AlarmPower->text().toStdString(), separator);
    channel.AlarmPower->setText(ToQt(alarm));
    profile_.SetAlarmPower(i, ValueOrThrow(PowerFromText(alarm)));
}

void TDetPointsDlg::RestoreSnapshot() {
    profile_.RestorePoints();
}
