// rivanctl's commands: each runs one of the window's conversations (or reads a file) and
// reports what came of it.
#include "ctlcommands.h"

#include "ctlreport.h"

#include "files/backupfiles.h"
#include "files/codepage.h"
#include "files/textfile.h"
#include "link/backup.h"
#include "link/equipmentlink.h"
#include "link/networkaddress.h"
#include "profile/profilecompare.h"
#include "profile/scriptcheck.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ProgressWidth = 30;

// A transfer that shows its progress on standard error, but only to a person watching a
// terminal: scripts that capture standard error get nothing extra.
class ProgressEvents : public TransferEvents {
public:
    ProgressEvents(QString what, bool show) : what_(std::move(what)), show_(show) {}
    ~ProgressEvents() override { Finish(); }

    void BeforeRequest(int done, int total) override {
        if (!show_ || total <= 0)
            return;
        const int filled = done * ProgressWidth / total;
        const QString bar =
            QString(filled, QLatin1Char('#')) + QString(ProgressWidth - filled, QLatin1Char('.'));
        std::fprintf(stderr, "\r%s [%s] %d/%d", what_.toLocal8Bit().constData(),
                     bar.toLatin1().constData(), done, total);
        std::fflush(stderr);
        drawn_ = true;
    }
    void Finish() {
        if (!drawn_)
            return;
        std::fputc('\n', stderr);
        std::fflush(stderr);
        drawn_ = false;
    }

private:
    QString what_;
    bool show_;
    bool drawn_ = false;
};

// A version as detection prints it (two decimals), not as single precision holds it.
double VersionNumber(float version) {
    return std::round(static_cast<double>(version) * 100.0) / 100.0;
}

OutputStyle Style(const CtlOptions& options) {
    return {options.Json, options.Quiet};
}

bool ShowProgress(const CtlOptions& options, int targets) {
    return targets == 1 && !options.Quiet && ::isatty(STDERR_FILENO) == 1;
}

// Texts of files and of the unit are single-byte Windows-1252.
QString Text(const std::string& text) {
    return FromCodePage(text);
}

// Runs `job` on every target, each in a thread of its own when there are several, and
// gives the reports in the order of the targets.
QList<PortReport> OnEveryPort(const QList<PortTarget>& targets,
                              const std::function<PortReport(const PortTarget&)>& job) {
    QList<PortReport> reports(targets.size());
    if (targets.size() == 1) {
        reports[0] = job(targets.front());
        return reports;
    }
    // Qt Serial Port watches its device with socket notifiers, which live only in threads
    // that Qt started.
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        threads.emplace_back(QThread::create([&, i] { reports[i] = job(targets[i]); }));
        threads.back()->start();
    }
    for (const std::unique_ptr<QThread>& thread : threads)
        thread->wait();
    return reports;
}

// How a port given by path shows in a backup's name: the device's file name, or for a port
// on the network its host and port ("10.1.2.3_4001"), without the dashes that part the name.
QString BackupPortName(const QString& device) {
    const std::optional<NetworkAddress> address = ParseNetworkAddress(device.toStdString());
    if (!address)
        return QFileInfo(device).fileName();
    QString name =
        QString::fromStdString(address->Host) + QLatin1Char('_') + QString::number(address->Port);
    name.replace(QLatin1Char('-'), QLatin1Char('.'));
    name.replace(QLatin1Char(':'), QLatin1Char('.'));
    return name;
}

// Opens the unit on a target; on failure the report says why.
bool OpenSession(UnitSession& session, PortReport& report) {
    QString error;
    const int code = session.Open(error);
    if (code != ExitCode::Ok) {
        report.Fail(code, error);
        return false;
    }
    report.Json.insert(QStringLiteral("model"), Text(session.Identity().ModelName));
    report.Json.insert(QStringLiteral("version"),
                       VersionNumber(session.Identity().FirmwareVersion));
    return true;
}

// Opens the unit of every target, each in a thread of its own when there are several, and
// runs `work` on those that open; the report of a port whose unit does not says why.
QList<PortReport> OnEveryUnit(const QList<PortTarget>& targets,
                              const std::function<void(UnitSession&, PortReport&)>& work) {
    return OnEveryPort(targets, [&work](const PortTarget& target) {
        PortReport report;
        report.Port = target.Label;
        UnitSession session(target);
        if (OpenSession(session, report))
            work(session, report);
        return report;
    });
}

// Reads the PRO file a command names; false, with the reason on standard error, when it
// cannot be read.
bool ReadProFile(const QString& path, ScriptLineList& lines) {
    const QFileInfo info(path);
    if (info.isDir()) {
        PrintError(QStringLiteral("\"%1\" is a folder, not a PRO file").arg(path));
        return false;
    }
    const TextFileResult result = ReadTextLines(path, lines);
    if (!result.Ok)
        PrintError(result.Error);
    return result.Ok;
}

// Reads the unit into `profile` over defaults; false with the report failed when it did not
// answer every request.
bool ReadWholeUnit(UnitSession& session, EquipmentProfile& profile, ProgressEvents& progress,
                   PortReport& report) {
    profile.SetDefaults();
    const UnitReading reading = ReadUnit(session.Port(), profile, progress);
    progress.Finish();
    if (reading.Complete())
        return true;
    report.Fail(ExitCode::UnitFailed,
                QStringLiteral("the unit stopped answering mid-way: %1 of %2 blocks read")
                    .arg(reading.BlocksRead)
                    .arg(UnitReading::RequestCount));
    return false;
}

QJsonObject DifferenceJson(const FieldDifference& difference) {
    return {{QStringLiteral("block"), Text(difference.Block)},
            {QStringLiteral("field"), Text(difference.Field)},
            {QStringLiteral("file"), Text(difference.FileValue)},
            {QStringLiteral("unit"), Text(difference.UnitValue)}};
}

// The profile as the editors show it, for check.
QStringList ProfileLines(const EquipmentProfile& profile) {
    QStringList lines;
    lines << QStringLiteral("configuration: MER alarm %1, MER warning %2, BER alarm %3, BER "
                            "warning %4")
                 .arg(Text(FieldText::Mer(profile.AlarmMER())),
                      Text(FieldText::Mer(profile.WarningMER())),
                      Text(FieldText::Ber(profile.AlarmBER())),
                      Text(FieldText::Ber(profile.WarningBER())));
    for (int point = 0; point < EquipmentProfile::PointCount; ++point)
        lines << QStringLiteral("point %1: %2, %3, power alarm %4, power warning %5")
                     .arg(point + 1)
                     .arg(Text(FieldText::Active(profile.Active(point))),
                          Text(FieldText::Frequency(profile.FrequencyKHz(point))),
                          Text(FieldText::Power(profile.AlarmPower(point))),
                          Text(FieldText::Power(profile.WarningPower(point))));
    return lines;
}

QJsonObject ProfileJson(const EquipmentProfile& profile) {
    QJsonArray points;
    for (int point = 0; point < EquipmentProfile::PointCount; ++point)
        points.append(QJsonObject{
            {QStringLiteral("point"), point + 1},
            {QStringLiteral("active"), profile.Active(point) != 0},
            {QStringLiteral("frequency_khz"), static_cast<double>(profile.FrequencyKHz(point))},
            {QStringLiteral("power_alarm_dbm"), (profile.AlarmPower(point) & 0xFF) - 107},
            {QStringLiteral("power_warning_dbm"), (profile.WarningPower(point) & 0xFF) - 107}});
    return {{QStringLiteral("mer_alarm_db"), profile.AlarmMER()},
            {QStringLiteral("mer_warning_db"), profile.WarningMER()},
            {QStringLiteral("ber_alarm"), Text(FieldText::Ber(profile.AlarmBER()))},
            {QStringLiteral("ber_warning"), Text(FieldText::Ber(profile.WarningBER()))},
            {QStringLiteral("points"), points}};
}

QString VerdictName(LineVerdict verdict) {
    switch (verdict) {
    case LineVerdict::Blank:
        return QStringLiteral("blank");
    case LineVerdict::Comment:
        return QStringLiteral("comment");
    case LineVerdict::Ignored:
        return QStringLiteral("ignored");
    case LineVerdict::Applied:
        return QStringLiteral("applied");
    case LineVerdict::Skipped:
        return QStringLiteral("skipped");
    case LineVerdict::Malformed:
        return QStringLiteral("malformed");
    case LineVerdict::NotRead:
        return QStringLiteral("not read");
    }
    return {};
}

// Detection as the window runs it, with its log lines kept for the caller.
class DetectionLines : public LinkEvents {
public:
    void AppendLine(const std::string& line) override { Lines << Text(line); }
    void ProcessPendingEvents() override {}
    void DetectionStarted() override {}
    void PortTried(bool) override {}
    void ModelRecognised(std::uint32_t) override {}
    void EquipmentDetected(const std::string&, const std::string&) override {}
    QStringList Lines;
};

} // namespace

QString NowText() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), QLocale::LongFormat);
}

QList<PortTarget> ChosenTargets(const CtlOptions& options) {
    if (!options.Targets.isEmpty())
        return options.Targets;
    SystemPortDriver driver;
    EquipmentLink link(driver);
    DetectionLines events;
    link.Detect(events);
    if (!link.EquipmentFound()) {
        PrintError(QStringLiteral("no unit found on COM1 to COM8"));
        return {};
    }
    return {PortTarget::Com(link.PortIndex())};
}

int RunPorts(const CtlOptions& options) {
    // A network port may keep its caller waiting up to the 3 s limit: all are looked at at
    // once, so the list takes no longer than its slowest port.
    std::vector<PortDiagnosis> diagnoses(SerialPort::PortCount);
    {
        std::vector<std::unique_ptr<QThread>> threads;
        for (int index = 0; index < SerialPort::PortCount; ++index) {
            threads.emplace_back(QThread::create([&diagnoses, index] {
                diagnoses[static_cast<std::size_t>(index)] =
                    DiagnosePort(PortTarget::Com(index).Device);
            }));
            threads.back()->start();
        }
        for (const std::unique_ptr<QThread>& thread : threads)
            thread->wait();
    }
    QJsonArray ports;
    for (int index = 0; index < SerialPort::PortCount; ++index) {
        const PortTarget target = PortTarget::Com(index);
        const PortDiagnosis& diagnosis = diagnoses[static_cast<std::size_t>(index)];
        const bool network = !diagnosis.Address.isEmpty();
        QString what;
        if (diagnosis.Usb)
            what = QStringLiteral("USB %1:%2 %3 %4, serial number %5")
                       .arg(diagnosis.VendorId, 4, 16, QLatin1Char('0'))
                       .arg(diagnosis.ProductId, 4, 16, QLatin1Char('0'))
                       .arg(diagnosis.Manufacturer, diagnosis.Product,
                            diagnosis.SerialNumber.isEmpty() ? QStringLiteral("none")
                                                             : diagnosis.SerialNumber);
        else if (!diagnosis.Product.isEmpty())
            what = diagnosis.Product;
        ports.append(QJsonObject{{QStringLiteral("port"), target.Label},
                                 {QStringLiteral("device"), target.Device},
                                 {QStringLiteral("exists"), diagnosis.Exists},
                                 {QStringLiteral("usable"), diagnosis.Usable},
                                 {QStringLiteral("problem"), diagnosis.Problem},
                                 {QStringLiteral("fix"), diagnosis.Fix},
                                 {QStringLiteral("usb"), diagnosis.Usb},
                                 {QStringLiteral("manufacturer"), diagnosis.Manufacturer},
                                 {QStringLiteral("product"), diagnosis.Product},
                                 {QStringLiteral("serial_number"), diagnosis.SerialNumber},
                                 {QStringLiteral("network"), network},
                                 {QStringLiteral("address"), diagnosis.Address},
                                 {QStringLiteral("answer"), diagnosis.Answer}});
        if (options.Json || options.Quiet)
            continue;
        const QString& where = network ? diagnosis.Address : target.Device;
        QString line = QStringLiteral("%1  %2  ").arg(target.Label, -4).arg(where, -16);
        if (network)
            line += diagnosis.Answer;
        else
            line += diagnosis.Usable ? QStringLiteral("usable") : diagnosis.Problem;
        if (!what.isEmpty())
            line += QStringLiteral("  ") + what;
        PrintOut(line);
        if (!diagnosis.Fix.isEmpty())
            PrintOut(QStringLiteral("      fix: ") + diagnosis.Fix);
    }
    if (options.Json)
        PrintJson({{QStringLiteral("command"), QStringLiteral("ports")},
                   {QStringLiteral("exit"), ExitCode::Ok},
                   {QStringLiteral("ports"), ports}});
    return ExitCode::Ok;
}

int RunDetect(const CtlOptions& options) {
    // Without --all or ports, the window's own search: COM1 upward, first unit wins.
    if (!options.All && options.Targets.isEmpty()) {
        SystemPortDriver driver;
        EquipmentLink link(driver);
        DetectionLines events;
        link.Detect(events);
        PortReport report;
        report.Port = link.EquipmentFound() ? PortTarget::Com(link.PortIndex()).Label
                                            : QStringLiteral("COM1 to COM8");
        report.Lines = events.Lines;
        if (link.EquipmentFound()) {
            report.Summary =
                QStringLiteral("found %1 on %2").arg(Text(link.ModelName()), report.Port);
            report.Json.insert(QStringLiteral("model"), Text(link.ModelName()));
            report.Json.insert(QStringLiteral("version"), VersionNumber(link.FirmwareVersion()));
        } else {
            report.Fail(ExitCode::NoUnit, QStringLiteral("no unit found"));
        }
        return PrintReports(QStringLiteral("detect"), {report}, Style(options));
    }

    QList<PortTarget> targets = options.Targets;
    if (options.All)
        for (int index = 0; index < SerialPort::PortCount; ++index)
            targets.append(PortTarget::Com(index));
    const QList<PortReport> reports = OnEveryPort(targets, [](const PortTarget& target) {
        PortReport report;
        report.Port = target.Label;
        report.Json.insert(QStringLiteral("device"), target.Device);
        UnitSession session(target);
        if (!OpenSession(session, report))
            return report;
        report.Summary = session.UnitText();
        return report;
    });
    // Finding any unit is success; the ports without one are part of the answer.
    int found = 0;
    for (const PortReport& report : reports)
        found += report.Code == ExitCode::Ok ? 1 : 0;
    const int code = found > 0 ? ExitCode::Ok : ExitCode::NoUnit;
    if (options.Json) {
        QJsonArray ports;
        for (const PortReport& report : reports) {
            QJsonObject port = report.Json;
            port.insert(QStringLiteral("port"), report.Port);
            port.insert(QStringLiteral("found"), report.Code == ExitCode::Ok);
            port.insert(QStringLiteral("summary"), report.Summary);
            ports.append(port);
        }
        PrintJson({{QStringLiteral("command"), QStringLiteral("detect")},
                   {QStringLiteral("exit"), code},
                   {QStringLiteral("ports"), ports}});
        return code;
    }
    for (const PortReport& report : reports)
        if (!options.Quiet || report.Code == ExitCode::Ok)
            PrintOut(QStringLiteral("%1: %2").arg(report.Port, report.Summary));
    if (found == 0)
        PrintError(QStringLiteral("no unit found"));
    return code;
}

int RunReceive(const CtlOptions& options) {
    const QList<PortTarget> targets = ChosenTargets(options);
    if (targets.isEmpty())
        return ExitCode::NoUnit;
    // With several ports -o names a folder, which gets one file per port.
    const bool intoFolder = targets.size() > 1;
    if (intoFolder && !QDir().mkpath(options.Output)) {
        PrintError(QStringLiteral("cannot make the folder \"%1\"").arg(options.Output));
        return ExitCode::Usage;
    }
    const bool progress = ShowProgress(options, static_cast<int>(targets.size()));
    const QList<PortReport> reports =
        OnEveryUnit(targets, [&](UnitSession& session, PortReport& report) {
            const QString path =
                intoFolder
                    ? QDir(options.Output).filePath(session.Target().Label + QStringLiteral(".pro"))
                    : options.Output;
            ScriptLineList lines;
            EquipmentProfile profile(lines);
            ProgressEvents events(QStringLiteral("receiving"), progress);
            if (!ReadWholeUnit(session, profile, events, report))
                return; // nothing is written from a partial reading
            // The lines Save As writes after Receive: the file's own full name in its comments.
            const QString name = QFileInfo(path).absoluteFilePath();
            profile.WriteScript(lines, ToCodePage(name), ToCodePage(NowText()));
            const TextFileResult saved = WriteTextLines(path, lines);
            if (!saved.Ok) {
                report.Fail(ExitCode::Usage, saved.Error);
                return;
            }
            report.Json.insert(QStringLiteral("file"), path);
            report.Summary = QStringLiteral("received %1 into %2").arg(session.UnitText(), path);
        });
    return PrintReports(QStringLiteral("receive"), reports, Style(options));
}

int RunSend(const CtlOptions& options) {
    const QString file = options.Arguments.front();
    ScriptLineList fileLines;
    if (!ReadProFile(file, fileLines))
        return ExitCode::Usage;
    for (const LineCheck& check : CheckScript(fileLines)) {
        if (check.Verdict != LineVerdict::Malformed)
            continue;
        PrintError(QStringLiteral("%1: line %2 is malformed; nothing sent (see rivanctl check)")
                       .arg(file)
                       .arg(check.Number));
        return ExitCode::Usage;
    }
    const QList<PortTarget> targets = ChosenTargets(options);
    if (targets.isEmpty())
        return ExitCode::NoUnit;
    const bool progress = ShowProgress(options, static_cast<int>(targets.size()));
    const QString backupFolder = UserBackupFolder();

    const QList<PortReport> reports = OnEveryUnit(targets, [&](UnitSession& session,
                                                               PortReport& report) {
        if (!options.NoBackup) {
            ScriptLineList backupLines;
            EquipmentProfile unit(backupLines);
            ProgressEvents events(QStringLiteral("backing up"), progress);
            if (!ReadWholeUnit(session, unit, events, report)) {
                report.Summary += QStringLiteral("; no backup, nothing sent");
                return;
            }
            const PortTarget& target = session.Target();
            const QString portName = target.ByPath ? BackupPortName(target.Device) : target.Label;
            QString backup;
            {
                // Names are chosen one port at a time, so two ports never pick the same.
                static std::mutex naming;
                const std::lock_guard lock(naming);
                const BackupSaveResult saved =
                    SaveBackup(backupFolder, unit, backupLines, session.Identity().ModelName,
                               portName.toStdString(), LocalNow(), ToCodePage(NowText()));
                if (!saved.Ok) {
                    report.Fail(ExitCode::Usage, saved.Error + QStringLiteral("; nothing sent"));
                    return;
                }
                backup = saved.Path;
            }
            report.Lines << QStringLiteral("backup: %1").arg(backup);
            report.Json.insert(QStringLiteral("backup"), backup);
        }

        // What goes to the unit is what the window sends after opening the file: the
        // profile the file makes, written out again.
        ScriptLineList sourceLines = fileLines;
        EquipmentProfile profile(sourceLines);
        profile.ReadScript();
        ScriptLineList script;
        const QString name = QFileInfo(file).absoluteFilePath();
        profile.WriteScript(script, ToCodePage(name), ToCodePage(NowText()));
        ProgressEvents sending(QStringLiteral("sending"), progress);
        const ScriptRun run = SendScript(session.Port(), script, ToCodePage(name), sending);
        sending.Finish();
        report.Json.insert(QStringLiteral("sent_lines"), run.SentLines);
        report.Json.insert(QStringLiteral("total_lines"), static_cast<int>(run.TotalLines));
        if (!run.Completed) {
            report.Fail(ExitCode::UnitFailed,
                        QStringLiteral("the unit refused or did not answer at: %1")
                            .arg(Text(run.FailedLine)));
            return;
        }
        report.Lines << QStringLiteral("sent: processed %1 data lines of %2")
                            .arg(run.SentLines)
                            .arg(run.TotalLines);
        if (options.NoVerify) {
            report.Summary = QStringLiteral("sent %1 to %2, not verified")
                                 .arg(QFileInfo(file).fileName(), session.UnitText());
            return;
        }
        ProgressEvents verifying(QStringLiteral("verifying"), progress);
        const Verification verification = VerifyBlocks(session.Port(), run.Written, verifying);
        verifying.Finish();
        QJsonArray problems;
        for (const std::string& problem : verification.Problems) {
            problems.append(Text(problem));
            report.Lines << Text(problem);
        }
        report.Json.insert(QStringLiteral("verified"), verification.Ok());
        report.Json.insert(QStringLiteral("problems"), problems);
        report.Summary = Text(verification.Summary());
        if (verification.ReadFailed)
            report.Code = ExitCode::UnitFailed;
        else if (!verification.Ok())
            report.Code = ExitCode::Problems;
    });
    return PrintReports(QStringLiteral("send"), reports, Style(options));
}

int RunDiff(const CtlOptions& options) {
    const QString file = options.Arguments.front();
    ScriptLineList fileLines;
    if (!ReadProFile(file, fileLines))
        return ExitCode::Usage;
    EquipmentProfile fileProfile(fileLines);
    fileProfile.ReadScript();
    const QList<PortTarget> targets = ChosenTargets(options);
    if (targets.isEmpty())
        return ExitCode::NoUnit;
    const bool progress = ShowProgress(options, static_cast<int>(targets.size()));
    const QList<PortReport> reports =
        OnEveryUnit(targets, [&](UnitSession& session, PortReport& report) {
            ScriptLineList unitLines;
            EquipmentProfile unit(unitLines);
            ProgressEvents events(QStringLiteral("receiving"), progress);
            if (!ReadWholeUnit(session, unit, events, report))
                return;
            const std::vector<FieldDifference> differences = CompareProfiles(fileProfile, unit);
            QJsonArray list;
            for (const FieldDifference& difference : differences) {
                report.Lines << Text(difference.Describe());
                list.append(DifferenceJson(difference));
            }
            report.Json.insert(QStringLiteral("differences"), list);
            if (differences.empty()) {
                report.Summary = QStringLiteral("equal: %1 holds the settings of %2")
                                     .arg(session.UnitText(), QFileInfo(file).fileName());
                return;
            }
            report.Code = ExitCode::Problems;
            report.Summary = QStringLiteral("%1 differences").arg(differences.size());
            if (differences.size() == 1)
                report.Summary = QStringLiteral("1 difference");
        });
    return PrintReports(QStringLiteral("diff"), reports, Style(options));
}

int RunCheck(const CtlOptions& options) {
    const QString file = options.Arguments.front();
    ScriptLineList lines;
    if (!ReadProFile(file, lines))
        return ExitCode::Usage;
    const std::vector<LineCheck> checks = CheckScript(lines);
    int problems = 0;
    QJsonArray list;
    for (const LineCheck& check : checks) {
        problems += check.Problem() ? 1 : 0;
        list.append(QJsonObject{{QStringLiteral("line"), check.Number},
                                {QStringLiteral("kind"), VerdictName(check.Verdict)},
                                {QStringLiteral("text"), Text(check.Text)},
                                {QStringLiteral("problem"), check.Problem()}});
    }
    EquipmentProfile profile(lines);
    profile.ReadScript();
    const int code = problems > 0 ? ExitCode::Problems : ExitCode::Ok;
    if (options.Json) {
        PrintJson({{QStringLiteral("command"), QStringLiteral("check")},
                   {QStringLiteral("exit"), code},
                   {QStringLiteral("file"), file},
                   {QStringLiteral("lines"), list},
                   {QStringLiteral("problems"), problems},
                   {QStringLiteral("profile"), ProfileJson(profile)}});
        return code;
    }
    if (!options.Quiet) {
        for (const LineCheck& check : checks)
            PrintOut(QStringLiteral("%1: %2").arg(check.Number, 3).arg(Text(check.Text)));
        PrintOut(QStringLiteral("resulting profile:"));
        for (const QString& line : ProfileLines(profile))
            PrintOut(QStringLiteral("  ") + line);
    }
    if (problems > 0)
        PrintOut(QStringLiteral("%1: %2 problem%3")
                     .arg(file)
                     .arg(problems)
                     .arg(problems == 1 ? "" : "s"));
    else if (!options.Quiet)
        PrintOut(QStringLiteral("%1: no problems").arg(file));
    return code;
}
