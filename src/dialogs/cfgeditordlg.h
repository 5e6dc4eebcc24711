// Placeholder for the configuration editor.
#pragma once

#include <QDialog>
#include <functional>
class EquipmentProfile;
class Prompts;
class TCfgEditorDlg : public QDialog {
    Q_OBJECT
public:
    TCfgEditorDlg(EquipmentProfile& profile, std::function<void()> setModified, Prompts& prompts, QWidget* parent = nullptr);
};
