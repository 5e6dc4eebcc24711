// The command line the program answers before any window opens: --help and --version.
#include "app/commandline.h"

#include "profile/programidentity.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QStringList>

namespace {

const QString Description = QStringLiteral(
    "Service tool for the RIVAN six-channel signal monitor: finds the unit on a serial port,\n"
    "reads its thresholds, detection points and display messages into a profile, edits them,\n"
    "keeps them as PRO files, sends them back, shows live readings and talks to the unit by\n"
    "hand in a terminal.");

// Placed after the options; help2man turns each heading into a section of the manual.
const QString Details = QStringLiteral(
    "\n"
    "Serial ports:\n"
    "  The program names its ports COM1 to COM8. COMn opens the device named by the\n"
    "  environment variable RIVAN_COMn when it is set, and /dev/ttyS<n-1> otherwise\n"
    "  (COM1 is /dev/ttyS0). Ports are opened for exclusive use.\n"
    "\n"
    "  Serial devices belong to the group dialout. A user outside it cannot open them, and\n"
    "  detection reports \"COMn -> permission denied: add yourself to the dialout group\".\n"
    "  Join the group with \"sudo adduser $USER dialout\", then log in again.\n"
    "\n"
    "Environment:\n"
    "  RIVAN_COM1 ... RIVAN_COM8\n"
    "         the device behind each port, for example RIVAN_COM1=/dev/ttyUSB0\n"
    "\n"
    "Examples:\n"
    "  RIVAN_COM1=/dev/ttyUSB0 rivan\n"
    "         work with a unit on a USB serial adapter\n"
    "  rivan-sim --com 3\n"
    "         serve a simulated unit; it prints the RIVAN_COM3=... line to export\n");

} // namespace

std::optional<CommandLineAnswer> AnswerCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Unknown options make parse() fail but leave the known ones read.
    parser.parse(arguments);

    // Without the window system's options at hand, --help-all shows the program's own.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // The parser names the program after the application object, when there is one;
        // the usage line names it after the command instead.
        QString text = parser.helpText();
        const QString program =
            arguments.isEmpty() ? QStringLiteral("rivan") : QFileInfo(arguments.first()).fileName();
        text = QStringLiteral("Usage: %1 [options]").arg(program) +
               text.mid(text.indexOf(QLatin1Char('\n'))) + Details;
        return CommandLineAnswer{0, text.toStdString()};
    }
    if (parser.isSet(version)) {
        std::string text =
            std::string(ProgramName) + " " + ProgramVersion + "\n" + CopyrightLine + "\n";
        return CommandLineAnswer{0, text};
    }
    return std::nullopt;
}
