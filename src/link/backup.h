// Where a unit's settings are kept before a send overwrites them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A local date and time, broken down; the caller reads the clock.
struct LocalDateTime {
    int Year = 0;
    int Month = 0; // 1 to 12
    int Day = 0;   // 1 to 31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The folder for backups under the data home: "<dataHome>/Qelvar/RIVAN/backups". The data
// home is $XDG_DATA_HOME when that is set to an absolute path (on Windows also one from a
// drive letter or a network share), else "<home>/.local/share".
std::string BackupFolder(std::string_view xdgDataHome, std::string_view home);

// "<model>-<port>-<yyyyMMdd-HHmmss>.PRO", for example "RIVAN-COM3-20260314-091502.PRO".
// Characters that do not belong in a file name (path separators, blanks, controls) are
// written as "_"; an empty model is "unknown".
std::string BackupFileName(std::string_view model, std::string_view portName,
                           const LocalDateTime& time);

// What a backup's file name tells: the model, the port and when it was taken.
struct BackupNameParts {
    std::string Model;
    std::string PortName;
    LocalDateTime Time;
};

// Reads a name BackupFileName made, also with the "-2", "-3" ... that tells apart two
// backups of the same second. None for any other name.
std::optional<BackupNameParts> ParseBackupFileName(std::string_view fileName);
