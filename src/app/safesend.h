// Comparing the settings at hand with a unit's, and sending them safely: the unit's old
// settings are saved as a backup first, and every block written is read back.
#pragma once

#include "profile/equipmentprofile.h"

#include <QString>

#include <string>

class EquipmentLink;
class LinkEvents;
class Prompts;

// The settings a command offers the unit: the document, or a backup file.
struct OfferedSettings {
    EquipmentProfile* Profile;    // what is compared with the unit
    const ScriptLineList* Script; // what is sent: the profile written out
    std::string FileName;         // for the Send lines: "<name> sent to remote equipment"
    QString Title;                // the table's column: "Document", "Backup"
    QString SameText;             // "The document and the unit hold the same settings."
};

class SafeSend {
public:
    // `backupFolder`: where the unit's old settings go before a send.
    SafeSend(EquipmentLink& link, LinkEvents& events, Prompts& prompts, QString backupFolder);

    // Reads the unit (detecting it first when none is known) and shows what differs.
    // Nothing is sent.
    void Compare(const OfferedSettings& offered);
    // Reads the unit, shows what differs and asks before sending; on Yes saves the unit's
    // settings as a backup, sends the script as Send does and reads every block back.
    void SendAndVerify(const OfferedSettings& offered);

private:
    enum class Reading { NoUnit, Incomplete, Complete };
    // Opens the link and reads the whole unit into `unit`; the link stays open.
    Reading ReadWholeUnit(EquipmentProfile& unit);
    // Shows the comparison; with a question, true for Yes.
    bool ShowDifferences(const OfferedSettings& offered, const EquipmentProfile& unit,
                         const QString& unitText, const QString& question);
    // "RIVAN on COM3", while the link is open.
    QString UnitText() const;
    // The unit stopped answering: the beep and the line Send writes when there is none.
    void ReportNoConnection(const QString& line);
    void ReportFailure(const QString& what, const QString& backup);
    void Log(const QString& line);

    EquipmentLink& link_;
    LinkEvents& events_;
    Prompts& prompts_;
    QString backupFolder_;
};
