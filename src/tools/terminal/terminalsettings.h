// The terminal's settings kept with QSettings: group "Terminal" of the organisation
// "Qelvar" and the application "CTL_RVN", flags stored as the numbers 0 and 1.
#pragma once

#include "tools/terminal/terminalsettingsstore.h"

#include <QSettings>

class TerminalSettings : public TerminalSettingsStore {
public:
    static constexpr const char* Organisation = "Qelvar";
    static constexpr const char* Application = "CTL_RVN";
    static constexpr const char* Group = "Terminal";

    TerminalSettings();

    bool Exists() override;
    std::optional<std::string> ReadText(const std::string& name) override;
    std::optional<bool> ReadFlag(const std::string& name) override;
    bool OpenForWriting() override;
    bool WriteText(const std::string& name, const std::string& value) override;
    bool WriteFlag(const std::string& name, bool value) override;

private:
    QString Key(const std::string& name) const;
    bool Store(const std::string& name, const QVariant& value);

    QSettings settings_;
};
