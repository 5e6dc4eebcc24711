// Fuzz target for a backup read back to restore it: the input's first line is the file's
// name, the rest its text. A name is read without harm and, when accepted, is the name the
// program writes for what it tells; the file restores to the unit exactly the profile Open
// reads from it, written block for block and read back the same.
#include "link/backup.h"
#include "fuzzcheck.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "link/unittransfer.h"
#include "profile/equipmentprofile.h"
#include "profile/profilecompare.h"
#include "profilecompare.h"
#include "scriptlines.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t BlocksOfAFile = 7; // the configuration and six detection points

bool PlainCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// A name part as a file name holds it: what does not belong in one becomes "_".
std::string Plain(std::string_view text) {
    std::string plain;
    for (char c : text) {
        plain += PlainCharacter(c) ? c : '_';
    }
    return plain;
}

bool SameTime(const LocalDateTime& a, const LocalDateTime& b) {
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour &&
           a.Minute == b.Minute && a.Second == b.Second;
}

bool Digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

void CheckName(std::string_view name) {
    const std::optional<BackupNameParts> parts = ParseBackupFileName(name);
    if (!parts) {
        return;
    }
    Require(name.ends_with(".PRO"), "a backup's name ends in .PRO");
    Require(!parts->Model.empty() && !parts->PortName.empty(), "a backup names model and port");
    Require(parts->PortName.find('-') == std::string::npos, "a port name holds no dash");
    const LocalDateTime& time = parts->Time;
    Require(time.Month >= 1 && time.Month <= 12 && time.Day >= 1 && time.Day <= 31 &&
                time.Hour >= 0 && time.Hour <= 23 && time.Minute >= 0 && time.Minute <= 59 &&
                time.Second >= 0 && time.Second <= 59 && time.Year >= 0 && time.Year <= 9999,
            "a backup's time is a time of day on a date");

    // The name the program gives what the name tells is the name itself, or the name
    // before the "-2", "-3" ... that tells apart backups of the same second.
    const std::string rebuilt = BackupFileName(parts->Model, parts->PortName, time);
    if (Plain(parts->Model) == parts->Model && Plain(parts->PortName) == parts->PortName) {
        const std::string_view stem = std::string_view(rebuilt).substr(0, rebuilt.size() - 4);
        const bool same = rebuilt == name;
        const bool counted = name.starts_with(stem) && name.size() > rebuilt.size() &&
                             name[stem.size()] == '-' &&
                             Digits(name.substr(stem.size() + 1, name.size() - rebuilt.size() - 1));
        Require(same || counted, "an accepted name is the name the program writes");
    }
    // What the program writes it reads back as it was meant.
    const std::optional<BackupNameParts> again = ParseBackupFileName(rebuilt);
    Require(again.has_value(), "a written name is read back");
    Require(again->Model == Plain(parts->Model) && again->PortName == Plain(parts->PortName) &&
                SameTime(again->Time, time),
            "a written name tells what it was made from");
}

// Restoring a backup: the file is read as Open reads it, written out again and sent; every
// block written is read back; the unit then holds what the file read as.
void CheckRestore(std::string_view text) {
    ScriptLineList fileLines = SplitLines(text);
    EquipmentProfile backup(fileLines);
    backup.ReadScript();
    ScriptLineList script;
    backup.WriteScript(script, "RIVAN-COM1-20260314-091502.PRO", "14/03/2026 09:15:02");
    Require(ScriptBlocks(script).size() == BlocksOfAFile, "a restore writes seven blocks");

    SimulatedUnit unit;
    SimulatedDriver driver;
    driver.AttachPeer("COM1", unit);
    SerialPort port(driver, 0);
    Require(port.Open() && port.Configure(), "the simulated port opens");
    TransferEvents quiet;
    const ScriptRun run = SendScript(port, script, "backup", quiet);
    Require(run.Completed && run.Written.size() == BlocksOfAFile,
            "a well unit takes every block of a restore");
    const Verification verification = VerifyBlocks(port, run.Written, quiet);
    Require(verification.Ok() && verification.Matching == static_cast<int>(BlocksOfAFile),
            "every restored block reads back the same");

    ScriptLineList unitLines;
    EquipmentProfile unitProfile(unitLines);
    unitProfile.SetDefaults();
    Require(ReadUnit(port, unitProfile, quiet).Complete(), "a well unit is read whole");
    port.Close();
    Require(CompareProfiles(backup, unitProfile).empty(),
            "the unit holds what the backup reads as");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t end = input.find('\n');
    CheckName(input.substr(0, end));
    CheckRestore(end == std::string_view::npos ? std::string_view() : input.substr(end + 1));
    return 0;
}
