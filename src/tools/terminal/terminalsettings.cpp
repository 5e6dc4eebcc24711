// The terminal's settings kept with QSettings.
#include "tools/terminal/terminalsettings.h"

TerminalSettings::TerminalSettings()
    : settings_(QString::fromLatin1(Organisation), QString::fromLatin1(Application)) {}

QString TerminalSettings::Key(const std::string& name) const {
    return QString::fromLatin1(Group) + QLatin1Char('/') + QString::fromStdString(name);
}

bool TerminalSettings::Exists() {
    return settings_.childGroups().contains(QString::fromLatin1(Group));
}

std::optional<std::string> TerminalSettings::ReadText(const std::string& name) {
    const QVariant value = settings_.value(Key(name));
    if (!value.isValid() || !value.canConvert<QString>())
        return std::nullopt;
    return value.toString().toStdString();
}

std::optional<bool> TerminalSettings::ReadFlag(const std::string& name) {
    const QVariant value = settings_.value(Key(name));
    if (!value.isValid())
        return std::nullopt;
    bool number = false;
    const int flag = value.toInt(&number);
    if (!number)
        return std::nullopt;
    return flag != 0;
}

bool TerminalSettings::OpenForWriting() {
    return settings_.isWritable();
}

bool TerminalSettings::Store(const std::string& name, const QVariant& value) {
    settings_.setValue(Key(name), value);
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

bool TerminalSettings::WriteText(const std::string& name, const std::string& value) {
    return Store(name, QString::fromStdString(value));
}

bool TerminalSettings::WriteFlag(const std::string& name, bool value) {
    return Store(name, value ? 1 : 0);
}
