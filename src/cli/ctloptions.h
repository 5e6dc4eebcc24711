// rivanctl's command line: commands, options, and the help that lists them.
#pragma once

#include "ctlports.h"

#include <QList>
#include <QString>
#include <QStringList>

struct CtlOptions {
    QString Command;
    QStringList Arguments;     // what follows the command
    QList<PortTarget> Targets; // --port or --device; empty: the window's detection finds one
    bool All = false;
    bool Json = false;
    bool Quiet = false;
    bool NoBackup = false;
    bool NoVerify = false;
    QString Output;
    QString Csv;
    double IntervalSeconds = 1.0;
    int Count = 0; // 0: until interrupted
};

enum class ParseOutcome { Run, Help, Version, UsageError };

// Reads the arguments (program name first). On a usage error `error` holds one line.
ParseOutcome ParseCommandLine(const QStringList& arguments, CtlOptions& options, QString& error);

// Every command, option and exit code.
QString HelpText();
QString VersionText();
