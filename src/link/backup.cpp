// Where a unit's settings are kept before a send overwrites them.
#include "link/backup.h"

#include <cstdio>
#include <string>

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

// A path from the root; on Windows also one from a drive (C:\ or C:/) or a network share
// (\\server\share). "C:data" goes on from the drive's current folder: not absolute.
bool IsAbsolutePath(std::string_view path) {
    if (path.empty())
        return false;
    if (path.front() == '/')
        return true;
#ifdef _WIN32
    const bool driveLetter = (path.front() >= 'A' && path.front() <= 'Z') ||
                             (path.front() >= 'a' && path.front() <= 'z');
    if (driveLetter && path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/'))
        return true;
    if (path.starts_with("\\\\"))
        return true;
#endif
    return false;
}

} // namespace

std::string BackupFolder(std::string_view xdgDataHome, std::string_view home) {
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    if (IsAbsolutePath(xdgDataHome))
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
