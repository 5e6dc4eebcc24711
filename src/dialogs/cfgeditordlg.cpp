// The configuration editor: shows the four thresholds, stores them on OK, puts the
// snapshot back on Cancel.
#include "dialogs/cfgeditordlg.h"

#include "dialogs/dialogframe.h"
#include "dialogs/numbertext.h"
#include "profile/equipmentprofile.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int MerEditWidth = 60;
constexpr int BerEditWidth = 90;

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TCfgEditorDlg::TCfgEditorDlg(EquipmentProfile& profile, std::function<void()> setModified,
                             Prompts& prompts, QWidget* parent)
    : ProfileEditor(profile, std::move(setModified), prompts, parent) {
    setObjectName(QStringLiteral("CfgEditorDlg"));
    setWindowTitle(QStringLiteral("Configuration editor"));

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("GroupBox1"));
    AlarmMER = NewNumberEdit(QStringLiteral("AlarmMER"), MerEditWidth, frame);
    WarningMER = NewNumberEdit(QStringLiteral("WarningMER"), MerEditWidth, frame);
    AlarmBER = NewNumberEdit(QStringLiteral("AlarmBER"), BerEditWidth, frame);
    WarningBER = NewNumberEdit(QStringLiteral("WarningBER"), BerEditWidth, frame);

    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(8);
    const auto addRow = [&](int row, const char* label, QLineEdit* edit, const char* unit) {
        auto* caption = new QLabel(QString::fromLatin1(label), frame);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0);
        auto* field = new QHBoxLayout;
        field->setSpacing(6);
        field->addWidget(edit);
        if (unit != nullptr)
            field->addWidget(new QLabel(QString::fromLatin1(unit), frame));
        field->addStretch(1);
        grid->addLayout(field, row, 1);
    };
    addRow(0, "MER Alarm ", AlarmMER, "dB");
    addRow(1, "MER Warning ", WarningMER, "dB");
    addRow(2, "BER Alarm ", AlarmBER, nullptr);
    addRow(3, "BER Warning", WarningBER, nullptr);

    QHBoxLayout* buttons = OkCancelRow(*this, OKBtn, CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, AlarmMER);
    setTabOrder(AlarmMER, WarningMER);
    setTabOrder(WarningMER, AlarmBER);
    setTabOrder(AlarmBER, WarningBER);

    connect(OKBtn, &QPushButton::clicked, this, &TCfgEditorDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TCfgEditorDlg::CancelBtnClick);
    MakeFixedSizeFrame(*this);
}

void TCfgEditorDlg::FormShow() {
    AlarmMER->clear();
    WarningMER->clear();
    profile_.SnapshotConfiguration();
    ReloadData();
    OKBtn->setFocus();
}

void TCfgEditorDlg::ReloadData() {
    AlarmMER->setText(ToQt(MerText(profile_.AlarmMER())));
    WarningMER->setText(ToQt(MerText(profile_.WarningMER())));
    AlarmBER->setText(ToQt(BerText(profile_.AlarmBER())));
    WarningBER->setText(ToQt(BerText(profile_.WarningBER())));
}

void TCfgEditorDlg::SaveData() {
    profile_.SetAlarmMER(ValueOrThrow(MerFromText(AlarmMER->text().toStdString())));
    profile_.SetWarningMER(ValueOrThrow(MerFromText(WarningMER->text().toStdString())));
    profile_.SetAlarmBER(ValueOrThrow(BerFromText(AlarmBER->text().toStdString())));
    profile_.SetWarningBER(ValueOrThrow(BerFromText(WarningBER->text().toStdString())));
}

void TCfgEditorDlg::RestoreSnapshot() {
    profile_.RestoreConfiguration();
}
