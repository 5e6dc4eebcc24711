// Where a unit's settings are kept before a send overwrites them.
#include "link/backup.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::string_view BackupSubfolder = "/Qelvar/RIVAN/backups";
constexpr std::string_view DefaultDataHome = "/.local/share";
constexpr std::string_view BackupExtension = ".PRO";

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

namespace {

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

std::vector<std::string_view> SplitAtDashes(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t dash = text.find('-'); dash != std::string_view::npos;
         dash = text.find('-', start)) {
        parts.push_back(text.substr(start, dash - start));
        start = dash + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

std::optional<BackupNameParts> ParseBackupFileName(std::string_view fileName) {
    if (fileName.size() <= BackupExtension.size() ||
        fileName.substr(fileName.size() - BackupExtension.size()) != BackupExtension)
        return std::nullopt;
    std::vector<std::string_view> parts =
        SplitAtDashes(fileName.substr(0, fileName.size() - BackupExtension.size()));
    // A short number after the time tells apart backups of the same second.
    if (parts.size() >= 5 && parts.back().size() < 6 && AllDigits(parts.back()))
        parts.pop_back();
    // The model may hold dashes itself ("KALDORN-3C+"); the port and the time do not.
    if (parts.size() < 4)
        return std::nullopt;
    const std::string_view date = parts[parts.size() - 2];
    const std::string_view time = parts[parts.size() - 1];
    const std::string_view port = parts[parts.size() - 3];
    if (date.size() != 8 || !AllDigits(date) || time.size() != 6 || !AllDigits(time) ||
        port.empty())
        return std::nullopt;
    BackupNameParts name;
    for (std::size_t i = 0; i + 3 < parts.size(); ++i)
        name.Model += (i == 0 ? "" : "-") + std::string(parts[i]);
    if (name.Model.empty())
        return std::nullopt;
    name.PortName = std::string(port);
    name.Time = {Number(date.substr(0, 4)), Number(date.substr(4, 2)), Number(date.substr(6, 2)),
                 Number(time.substr(0, 2)), Number(time.substr(2, 2)), Number(time.substr(4, 2))};
    if (name.Time.Month < 1 || name.Time.Month > 12 || name.Time.Day < 1 || name.Time.Day > 31 ||
        name.Time.Hour > 23 || name.Time.Minute > 59 || name.Time.Second > 59)
        return std::nullopt;
    return name;
}
