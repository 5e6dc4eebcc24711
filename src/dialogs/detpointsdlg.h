// The detection points editor: per channel the active flag, frequency and power thresholds.
#pragma once

#include "profile/equipmentprofile.h"

#include "dialogs/profileeditor.h"

#include <array>
#include <cstdint>
#include <functional>

class Prompts;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TDetPointsDlg : public ProfileEditor {
    Q_OBJECT
public:
    TDetPointsDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts,
                  QWidget* parent = nullptr);

    // Each showing: empty controls, snapshot of the points, then the controls filled.
    void FormShow() override;
    void LoadPoints();
    // Converts channel after channel, storing each field at once; throws a ConversionError
    // at the first text it cannot take, leaving everything after it as it was.
    void SavePoints();

    void OKBtnClick() { SaveAndAccept(); }
    void CancelBtnClick() { RestoreAndReject(); }

protected:
    void Save() override { SavePoints(); }
    void RestoreSnapshot() override;

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

    std::uint16_t currentPoint_ = 0;

    std::array<Channel, EquipmentProfile::PointCount> channels_;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
