// The detection points editor: per channel the active flag, frequency and power thresholds.
#pragma once

#include "profile/equipmentprofile.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class Prompts;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QShowEvent;

class TDetPointsDlg : public QDialog {
    Q_OBJECT
public:
    TDetPointsDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts,
                  QWidget* parent = nullptr);

    // Each showing: empty controls, snapshot of the points, then the controls filled.
    void FormShow();
    void LoadPoints();
    // Converts channel after channel, storing each field at once; throws a ConversionError
    // at the first text it cannot take, leaving everything after it as it was.
    void SavePoints();

    void OKBtnClick();
    void CancelBtnClick();
    // Esc and the close box cancel as the Cancel button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Channel {
        QGroupBox* GroupBox = nullptr;
        QCheckBox* Active = nullptr;
        QLineEdit* Freq = nullptr;
        QLineEdit* AlarmPower = nullptr;
        QLineEdit* WarningPower = nullptr;
    };

    // The separator the user's locale writes numbers with.
    static char DecimalSeparator();
    QGroupBox* NewChannel(int index);
    void LoadPoint();
    void SavePoint();

    EquipmentProfile& profile_;
    std::function<void()> setModified_;
    Prompts& prompts_;
    std::uint16_t currentPoint_ = 0;

    std::array<Channel, EquipmentProfile::PointCount> channels_;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
