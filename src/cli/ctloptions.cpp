// rivanctl's command line: commands, options, and the help that lists them.
#include "ctloptions.h"

#include "profile/programidentity.h"

#include <QCommandLineParser>

namespace {

struct CommandShape {
    const char* Name;
    int Arguments; // the file the command takes, or none
};

constexpr CommandShape Commands[] = {
    {"ports", 0}, {"detect", 0}, {"receive", 0}, {"send", 1},
    {"diff", 1},  {"check", 1},  {"monitor", 0},
};

constexpr const char* CommandsHelp =
    "Commands:\n"
    "  ports                 every COMn: device path, exists, usable, what is there;\n"
    "                        a network port: its address and whether it answers\n"
    "  detect [--all]        the window's detection; --all scans all ports at once\n"
    "  receive -o FILE.pro   read the unit into a PRO file (-o names a folder with\n"
    "                        several ports: one COMn.pro per port)\n"
    "  send FILE.pro         back up the unit, send the file, read back and verify\n"
    "  diff FILE.pro         compare a PRO file with the unit, field by field\n"
    "  check FILE.pro        offline: what each line of a PRO file does, and the profile\n"
    "  monitor               poll the unit as the monitor window does\n";

constexpr const char* ExitCodesHelp =
    "Exit codes:\n"
    "  0  success\n"
    "  1  differences found (diff), problems found (check) or verification failed (send)\n"
    "  2  usage error, or a file that cannot be read or written\n"
    "  3  no unit found, or the port cannot be used\n"
    "  4  the unit refused or stopped answering mid-way\n"
    "  130, 143  stopped by Ctrl+C (SIGINT) or SIGTERM: the conversation in progress was\n"
    "            finished and every file written is complete\n"
    "With several ports the exit code is the worst of them.\n";

QList<QCommandLineOption> Options() {
    return {
        {QStringLiteral("port"),
         QStringLiteral("COM1 to COM8 (RIVAN_COMn names the device); several, comma-separated, "
                        "run at once."),
         QStringLiteral("COMn[,COMm...]")},
        {QStringLiteral("device"),
         QStringLiteral("A serial device by path, or a port on the network: tcp://HOST:PORT "
                        "or rfc2217://HOST:PORT."),
         QStringLiteral("PATH")},
        {QStringLiteral("all"), QStringLiteral("detect: scan all eight ports at once.")},
        {{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("receive: the PRO file to write (a folder with several ports)."),
         QStringLiteral("FILE")},
        {QStringLiteral("no-backup"), QStringLiteral("send: do not back up the unit first.")},
        {QStringLiteral("no-verify"), QStringLiteral("send: do not read back and verify.")},
        {QStringLiteral("interval"), QStringLiteral("monitor: seconds between polls (default 1)."),
         QStringLiteral("S")},
        {QStringLiteral("count"), QStringLiteral("monitor: stop after N rounds."),
         QStringLiteral("N")},
        {QStringLiteral("csv"), QStringLiteral("monitor: also write the readings to a CSV file."),
         QStringLiteral("FILE")},
        {QStringLiteral("json"),
         QStringLiteral("Print one JSON document (monitor: one JSON object per line).")},
        {{QStringLiteral("q"), QStringLiteral("quiet")},
         QStringLiteral("Print only errors and failures.")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
        {{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version.")},
    };
}

void Setup(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("The RIVAN unit from the command line.\n\n") +
                                     QString::fromLatin1(CommandsHelp));
    parser.addOptions(Options());
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, detect, receive, send, diff, check "
                                                "or monitor."));
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The PRO file of send, diff and check."),
                                 QStringLiteral("[FILE.pro]"));
}

bool ParseTargets(const QCommandLineParser& parser, CtlOptions& options, QString& error) {
    const bool port = parser.isSet(QStringLiteral("port"));
    const bool device = parser.isSet(QStringLiteral("device"));
    if (port && device) {
        error = QStringLiteral("--port and --device cannot be used together");
        return false;
    }
    if (device) {
        const QString path = parser.value(QStringLiteral("device"));
        if (path.isEmpty()) {
            error = QStringLiteral("--device needs a path");
            return false;
        }
        options.Targets.append(PortTarget::Path(path));
        return true;
    }
    if (!port)
        return true;
    QList<int> seen;
    for (const QString& value : parser.values(QStringLiteral("port"))) {
        for (const QString& name : value.split(QLatin1Char(','))) {
            const std::optional<int> index = ComIndex(name);
            if (!index) {
                error = QStringLiteral("\"%1\" is no port: use COM1 to COM8").arg(name.trimmed());
                return false;
            }
            if (seen.contains(*index))
                continue;
            seen.append(*index);
            options.Targets.append(PortTarget::Com(*index));
        }
    }
    return true;
}

bool ParseMonitorOptions(const QCommandLineParser& parser, CtlOptions& options, QString& error) {
    if (parser.isSet(QStringLiteral("interval"))) {
        bool ok = false;
        options.IntervalSeconds = parser.value(QStringLiteral("interval")).toDouble(&ok);
        if (!ok || options.IntervalSeconds < 0 || options.IntervalSeconds > 86400) {
            error = QStringLiteral("--interval takes a number of seconds from 0 to 86400");
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("count"))) {
        bool ok = false;
        options.Count = parser.value(QStringLiteral("count")).toInt(&ok);
        if (!ok || options.Count < 1) {
            error = QStringLiteral("--count takes a whole number from 1 up");
            return false;
        }
    }
    options.Csv = parser.value(QStringLiteral("csv"));
    return true;
}

} // namespace

ParseOutcome ParseCommandLine(const QStringList& arguments, CtlOptions& options, QString& error) {
    QCommandLineParser parser;
    Setup(parser);
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return ParseOutcome::UsageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        return ParseOutcome::Help;
    if (parser.isSet(QStringLiteral("version")))
        return ParseOutcome::Version;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        error = QStringLiteral("no command given (try --help)");
        return ParseOutcome::UsageError;
    }
    options.Command = positional.takeFirst();
    const CommandShape* shape = nullptr;
    for (const CommandShape& command : Commands)
        if (options.Command == QLatin1String(command.Name))
            shape = &command;
    if (!shape) {
        error = QStringLiteral("unknown command \"%1\" (try --help)").arg(options.Command);
        return ParseOutcome::UsageError;
    }
    if (positional.size() != shape->Arguments) {
        error = shape->Arguments == 1 ? QStringLiteral("%1 takes one PRO file").arg(options.Command)
                                      : QStringLiteral("%1 takes no file: unexpected \"%2\"")
                                            .arg(options.Command, positional.front());
        return ParseOutcome::UsageError;
    }
    options.Arguments = positional;
    options.All = parser.isSet(QStringLiteral("all"));
    options.Json = parser.isSet(QStringLiteral("json"));
    options.Quiet = parser.isSet(QStringLiteral("quiet"));
    options.NoBackup = parser.isSet(QStringLiteral("no-backup"));
    options.NoVerify = parser.isSet(QStringLiteral("no-verify"));
    options.Output = parser.value(QStringLiteral("output"));
    if (!ParseTargets(parser, options, error) || !ParseMonitorOptions(parser, options, error))
        return ParseOutcome::UsageError;

    if (options.Command == QLatin1String("receive") && options.Output.isEmpty()) {
        error = QStringLiteral("receive needs -o FILE.pro");
        return ParseOutcome::UsageError;
    }
    if (options.All && options.Command != QLatin1String("detect")) {
        error = QStringLiteral("--all belongs to detect");
        return ParseOutcome::UsageError;
    }
    if (options.All && !options.Targets.isEmpty()) {
        error = QStringLiteral("detect --all scans every port: leave out --port and --device");
        return ParseOutcome::UsageError;
    }
    if (options.Command == QLatin1String("monitor") && options.Targets.size() > 1) {
        error = QStringLiteral("monitor watches one unit: give one port");
        return ParseOutcome::UsageError;
    }
    return ParseOutcome::Run;
}

QString HelpText() {
    QCommandLineParser parser;
    Setup(parser);
    return parser.helpText() + QLatin1Char('\n') + QString::fromLatin1(ExitCodesHelp);
}

QString VersionText() {
    return QStringLiteral("rivanctl %1 (%2)")
        .arg(QString::fromLatin1(ProgramVersion), QString::fromLatin1(ProgramName));
}
