// Placeholder for the text messages editor.
#pragma once

#include <QDialog>
#include <functional>
class EquipmentProfile;
class Prompts;
class TMessEditDlg : public QDialog {
    Q_OBJECT
public:
    TMessEditDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts, QWidget* parent = nullptr);
};
