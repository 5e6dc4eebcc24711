// What a command found on one port, gathered so that many ports can run at once and print
// in order when they are done.
#include "ctlreport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>

void PrintOut(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const QString& line) {
    std::fputs(("rivanctl: " + line).toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void PrintJson(const QJsonObject& document) {
    const QByteArray text = QJsonDocument(document).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int PrintReports(const QString& command, const QList<PortReport>& reports,
                 const OutputStyle& style) {
    int worst = ExitCode::Ok;
    for (const PortReport& report : reports)
        worst = std::max(worst, report.Code);

    if (style.Json) {
        QJsonArray ports;
        for (const PortReport& report : reports) {
            QJsonObject port = report.Json;
            port.insert(QStringLiteral("port"), report.Port);
            port.insert(QStringLiteral("exit"), report.Code);
            port.insert(QStringLiteral("summary"), report.Summary);
            ports.append(port);
        }
        PrintJson({{QStringLiteral("command"), command},
                   {QStringLiteral("exit"), worst},
                   {QStringLiteral("ports"), ports}});
        return worst;
    }

    if (reports.size() == 1) {
        const PortReport& report = reports.front();
        if (!style.Quiet)
            for (const QString& line : report.Lines)
                PrintOut(line);
        if (report.Code != ExitCode::Ok && report.Code != ExitCode::Problems)
            PrintError(report.Port + ": " + report.Summary);
        else if (!style.Quiet)
            PrintOut(report.Summary);
        return worst;
    }

    if (!style.Quiet)
        for (const PortReport& report : reports)
            for (const QString& line : report.Lines)
                PrintOut(report.Port + ": " + line);
    for (const PortReport& report : reports) {
        if (style.Quiet && report.Code == ExitCode::Ok)
            continue;
        PrintOut(
            QStringLiteral("%1: %2 (exit %3)").arg(report.Port, report.Summary).arg(report.Code));
    }
    return worst;
}
