// What a command found on one port, gathered so that many ports can run at once and print
// in order when they are done.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The exit codes rivanctl documents.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int Problems = 1;   // differences, problems in a file, failed verification
inline constexpr int Usage = 2;      // bad arguments or a file that cannot be read or written
inline constexpr int NoUnit = 3;     // no unit found, or the port cannot be used
inline constexpr int UnitFailed = 4; // the unit refused or stopped answering mid-way
} // namespace ExitCode

struct PortReport {
    QString Port; // "COM3" or a device path
    int Code = ExitCode::Ok;
    QStringList Lines; // details, in order
    QString Summary;   // one line: what came of it
    QJsonObject Json;  // the same facts for --json

    void Fail(int code, const QString& why) {
        Code = code;
        Summary = why;
    }
};

// How results reach the user: words on standard output, errors on standard error, or one
// JSON document.
struct OutputStyle {
    bool Json = false;
    bool Quiet = false;
};

// Prints the reports of a command that ran on one or more ports: with one port its details
// and then its summary (a failure's summary on standard error); with several, the details
// prefixed with the port, then one summary line per port. With --json, one document
// {"command":..., "exit":..., "ports":[...]}. Returns the worst exit code.
int PrintReports(const QString& command, const QList<PortReport>& reports,
                 const OutputStyle& style);

// One line on standard output or standard error, as the local 8-bit text it is.
void PrintOut(const QString& line);
void PrintError(const QString& line);
// One JSON document on standard output, on one line.
void PrintJson(const QJsonObject& document);
