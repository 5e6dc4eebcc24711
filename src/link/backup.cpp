// Where a unit's settings are kept before a send overwrites them.
#include "link/backup.h"

#include <cstdio>

namespace {

constexpr std::string_view BackupSubfolder = "/Qelvar/RIVAN/backups";
constexpr std::string_view DefaultDataHome = "/.local/share";

std::string FileNamePart(std::string_view text) {
    std::string part;
    for (char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        part += plain ? c : '_';
    }
    return part;
}

} // namespace

std::string BackupFolder(std::string_view xdgDataHome, std::string_view home) {
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    if (!xdgDataHome.empty() && xdgDataHome.front() == '/')
        return std::string(xdgDataHome) + std::string(BackupSubfolder);
    return std::string(home) + std::string(DefaultDataHome) + std::string(BackupSubfolder);
}

std::string BackupFileName(std::string_view model, std::string_view portName,
                           const LocalDateTime& time) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", time.Year, time.Month, time.Day,
                  time.Hour, time.Minute, time.Second);
    const std::string name = model.empty() ? std::string("unknown") : FileNamePart(model);
    return name + "-" + FileNamePart(portName) + "-" + stamp + ".PRO";
}
