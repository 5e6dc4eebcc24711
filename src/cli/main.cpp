// rivanctl: the RIVAN unit from the command line, for scripts and for many units at once.
#include "ctlcommands.h"
#include "ctlmonitor.h"
#include "ctloptions.h"
#include "ctlreport.h"
#include "ctlstop.h"

#include <QCoreApplication>

#include <clocale>
#include <cstdio>

namespace {

int RunCommand(const CtlOptions& options) {
    const QString& command = options.Command;
    if (command == QLatin1String("ports"))
        return RunPorts(options);
    if (command == QLatin1String("detect"))
        return RunDetect(options);
    if (command == QLatin1String("receive"))
        return RunReceive(options);
    if (command == QLatin1String("send"))
        return RunSend(options);
    if (command == QLatin1String("diff"))
        return RunDiff(options);
    if (command == QLatin1String("check"))
        return RunCheck(options);
    return RunMonitor(options);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rivanctl"));
    // printf-style numbers keep their full stop under every locale, as in the window.
    std::setlocale(LC_NUMERIC, "C");

    CtlOptions options;
    QString error;
    switch (ParseCommandLine(QCoreApplication::arguments(), options, error)) {
    case ParseOutcome::Help:
        std::fputs(HelpText().toLocal8Bit().constData(), stdout);
        return ExitCode::Ok;
    case ParseOutcome::Version:
        PrintOut(VersionText());
        return ExitCode::Ok;
    case ParseOutcome::UsageError:
        PrintError(error);
        return ExitCode::Usage;
    case ParseOutcome::Run:
        break;
    }

    // Ctrl+C or SIGTERM lets the conversation in progress finish and its files be written
    // whole; the exit code then tells that the run was stopped.
    WatchStopSignals();
    return ExitCodeAfterStop(RunCommand(options));
}
