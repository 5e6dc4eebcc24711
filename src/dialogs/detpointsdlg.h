// Placeholder for the detection points editor.
#pragma once

#include <QDialog>
#include <functional>
class EquipmentProfile;
class Prompts;
class TDetPointsDlg : public QDialog {
    Q_OBJECT
public:
    TDetPointsDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts, QWidget* parent = nullptr);
};
