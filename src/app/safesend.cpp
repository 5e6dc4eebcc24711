// Comparing the settings at hand with a unit's, and sending them safely.
#include "app/safesend.h"

#include "app/activitylog.h"
#include "files/backupfiles.h"
#include "files/codepage.h"
#include "link/equipmentlink.h"
#include "link/unittransfer.h"
#include "profile/profilecompare.h"
#include "ui/captions.h"
#include "ui/prompts.h"

#include <QDir>

namespace {

const QString CompareCaption = QStringLiteral("Compare with unit");
const QString SendVerifyCaption = QStringLiteral("Send and verify");
const QString SendQuestion = QStringLiteral("Send these changes to the unit?");
const QString SendNoUnitLine = QStringLiteral("ERROR: unable to send data. Check connection");
const QString ReceiveNoUnitLine = QStringLiteral("ERROR: unable to receive data. Check connection");
const QString NothingSentLine = QStringLiteral("nothing sent");

// Texts of files and of the unit are single-byte Windows-1252.
QString Text(const std::string& text) {
    return FromCodePage(text);
}

// "point 3 frequency", "configuration MER alarm", "message 5".
QString What(const FieldDifference& difference) {
    if (difference.Field == "text")
        return Text(difference.Block);
    return Text(difference.Block + " " + difference.Field);
}

QString CountText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 setting differs")
                      : QStringLiteral("%1 settings differ").arg(count);
}

} // namespace

SafeSend::SafeSend(EquipmentLink& link, LinkEvents& events, Prompts& prompts, QString backupFolder)
    : link_(link), events_(events), prompts_(prompts), backupFolder_(std::move(backupFolder)) {}

void SafeSend::Log(const QString& line) {
    events_.AppendLine(ToCodePage(line));
}

SafeSend::Reading SafeSend::ReadWholeUnit(EquipmentProfile& unit) {
    if (!link_.OpenLink(events_))
        return Reading::NoUnit;
    unit.SetDefaults();
    LinkTransferEvents transfer(events_);
    const UnitReading reading = ReadUnit(*link_.Port(), unit, transfer);
    return reading.Complete() ? Reading::Complete : Reading::Incomplete;
}

QString SafeSend::UnitText() const {
    return Text(link_.ModelName()) + QStringLiteral(" on ") +
           Text(std::string(link_.Port()->PortName()));
}

bool SafeSend::ShowDifferences(const OfferedSettings& offered, const EquipmentProfile& unit,
                               const QString& unitText, const QString& question) {
    const std::vector<FieldDifference> differences = CompareProfiles(*offered.Profile, unit);
    Prompts::Comparison comparison;
    comparison.Caption = question.isEmpty() ? CompareCaption : SendVerifyCaption;
    comparison.OursTitle = offered.Title;
    comparison.SameText = offered.SameText;
    comparison.Question = question;
    if (differences.empty()) {
        comparison.Heading = unitText + QLatin1Char(':');
        Log(offered.SameText);
    } else {
        comparison.Heading =
            unitText + QStringLiteral(": ") + CountText(differences.size()) + QLatin1Char('.');
        Log(CountText(differences.size()) + QStringLiteral(" from the unit:"));
    }
    for (const FieldDifference& difference : differences) {
        comparison.Rows.append(
            {What(difference), Text(difference.FileValue), Text(difference.UnitValue)});
        Log(Text(difference.Describe()));
    }
    return prompts_.ShowComparison(comparison) == Prompts::Answer::Yes;
}

void SafeSend::ReportNoConnection(const QString& line) {
    prompts_.Beep();
    Log(line);
}

void SafeSend::ReportFailure(const QString& what, const QString& backup) {
    prompts_.Notify(Captions::Error,
                    what +
                        QStringLiteral("\n\nThe unit's settings from before the send are "
                                       "saved in the backup\n") +
                        QDir::toNativeSeparators(backup),
                    Prompts::Icon::Error);
}

void SafeSend::Compare(const OfferedSettings& offered) {
    ScriptLineList unitLines;
    EquipmentProfile unit(unitLines);
    switch (ReadWholeUnit(unit)) {
    case Reading::NoUnit:
        ReportNoConnection(ReceiveNoUnitLine);
        return;
    case Reading::Incomplete:
        link_.CloseLink();
        ReportNoConnection(ReceiveNoUnitLine);
        return;
    case Reading::Complete:
        break;
    }
    // The port is free again before the window waits for the user.
    const QString unitText = UnitText();
    link_.CloseLink();
    ShowDifferences(offered, unit, unitText, QString());
}

void SafeSend::SendAndVerify(const OfferedSettings& offered) {
    ScriptLineList unitLines;
    EquipmentProfile unit(unitLines);
    switch (ReadWholeUnit(unit)) {
    case Reading::NoUnit:
        ReportNoConnection(SendNoUnitLine);
        return;
    case Reading::Incomplete:
        // Without the unit's whole settings there is no backup, so nothing is sent.
        link_.CloseLink();
        ReportNoConnection(SendNoUnitLine);
        return;
    case Reading::Complete:
        break;
    }
    // The port stays open while the user decides, so the backup is what the unit holds.
    if (!ShowDifferences(offered, unit, UnitText(), SendQuestion)) {
        link_.CloseLink();
        Log(NothingSentLine);
        return;
    }

    const BackupSaveResult backup = SaveBackup(backupFolder_, unit, unitLines, link_.ModelName(),
                                               std::string(link_.Port()->PortName()), LocalNow(),
                                               ToCodePage(ActivityLog::Now()));
    if (!backup.Ok) {
        link_.CloseLink();
        Log(QStringLiteral("ERROR: backup not saved to %1: %2; nothing sent")
                .arg(QDir::toNativeSeparators(backup.Path), backup.Error));
        prompts_.Notify(Captions::Error,
                        QStringLiteral("Unable to save the backup\n%1\n%2\n\nNothing was sent "
                                       "to the unit.")
                            .arg(QDir::toNativeSeparators(backup.Path), backup.Error),
                        Prompts::Icon::Error);
        return;
    }
    const QString backupPath = QDir::toNativeSeparators(backup.Path);
    Log(QStringLiteral("backup saved to ") + backupPath);

    LinkTransferEvents transfer(events_);
    const ScriptRun run = SendScript(*link_.Port(), *offered.Script, offered.FileName, transfer);
    if (!run.Completed) {
        const std::vector<WrittenBlock> failed = ScriptBlocks({run.FailedLine});
        const QString where =
            failed.empty() ? Text(run.FailedLine) : Text(BlockName(failed.front().Address));
        const QString verdict = QStringLiteral("verify FAILED: %1 not written").arg(where);
        Log(verdict);
        link_.CloseLink();
        ReportNoConnection(SendNoUnitLine);
        ReportFailure(verdict, backupPath);
        return;
    }

    const Verification verification = VerifyBlocks(*link_.Port(), run.Written, transfer);
    link_.CloseLink();
    Log(Text(verification.Summary()));
    for (std::size_t i = 1; i < verification.Problems.size(); ++i)
        Log(QStringLiteral("verify FAILED: ") + Text(verification.Problems[i]));
    if (verification.Ok())
        return;
    if (verification.ReadFailed)
        ReportNoConnection(SendNoUnitLine);
    ReportFailure(Text(verification.Summary()), backupPath);
}
