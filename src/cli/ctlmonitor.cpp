// rivanctl monitor: the monitor window's polling, as lines, JSON objects and a CSV file.
#include "ctlmonitor.h"

#include "ctlcommands.h"
#include "ctlreport.h"
#include "ctlstop.h"

#include "link/monitorpoller.h"
#include "link/monitorrecord.h"

#include <QDateTime>
#include <QFile>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Waits between rounds, waking early when the user interrupts.
void Pause(double seconds) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    while (StopSignal() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

QString TimeNow() {
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const seconds offset(QDateTime::currentDateTime().offsetFromUtc());
    return QString::fromStdString(MonitorRecord::FormatTime(now, offset));
}

QString Fixed2(const std::optional<double>& value, const char* format) {
    if (!value)
        return QStringLiteral("-");
    char text[32];
    std::snprintf(text, sizeof text, format, *value);
    return QString::fromLatin1(text);
}

QString ChannelLine(const QString& time, int channel, const MonitorRecord::ChannelSample& s) {
    const QString frequency =
        s.FrequencyKHz ? QStringLiteral("%1 kHz").arg(*s.FrequencyKHz) : QStringLiteral("- kHz");
    return QStringLiteral("%1 channel %2: %3, %4, power %5 dBm, MER %6 dB, BER %7, alarm %8, "
                          "warning %9")
        .arg(time)
        .arg(channel)
        .arg(s.Enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"), frequency,
             Fixed2(s.PowerDbm, "%.2f"), Fixed2(s.MerDb, "%.2f"), Fixed2(s.Ber, "%.2E"),
             s.Alarm ? QStringLiteral("on") : QStringLiteral("off"),
             s.Warning ? QStringLiteral("on") : QStringLiteral("off"));
}

QJsonValue Number(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonObject ChannelJson(const QString& time, int channel, const MonitorRecord::ChannelSample& s) {
    return {{QStringLiteral("time"), time},
            {QStringLiteral("channel"), channel},
            {QStringLiteral("answered"), true},
            {QStringLiteral("enabled"), s.Enabled},
            {QStringLiteral("frequency_khz"),
             s.FrequencyKHz ? QJsonValue(static_cast<double>(*s.FrequencyKHz)) : QJsonValue()},
            {QStringLiteral("power_dbm"), Number(s.PowerDbm)},
            {QStringLiteral("mer_db"), Number(s.MerDb)},
            {QStringLiteral("ber"), Number(s.Ber)},
            {QStringLiteral("alarm"), s.Alarm},
            {QStringLiteral("warning"), s.Warning}};
}

bool WriteAll(QFile& file, const std::string& bytes) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size()) &&
           file.flush();
}

} // namespace

int RunMonitor(const CtlOptions& options) {
    const QList<PortTarget> targets = ChosenTargets(options);
    if (targets.isEmpty())
        return ExitCode::NoUnit;
    UnitSession session(targets.front());
    QString error;
    if (session.Open(error) != ExitCode::Ok) {
        PrintError(targets.front().Label + QStringLiteral(": ") + error);
        return ExitCode::NoUnit;
    }

    // Rows go out whole, one round at a time, so an interrupted run leaves a complete file.
    QFile csv(options.Csv);
    if (!options.Csv.isEmpty()) {
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !WriteAll(csv, std::string(MonitorRecord::CsvHeader) +
                               std::string(MonitorRecord::CsvLineEnd))) {
            PrintError(
                QStringLiteral("cannot write \"%1\": %2").arg(options.Csv, csv.errorString()));
            return ExitCode::Usage;
        }
    }

    MonitorPoller poller;
    poller.SetPort(session.Port());
    poller.Start();
    int rounds = 0;
    int unanswered = 0;
    // A stop ends the run after the round in progress, whose rows are written whole.
    while (StopSignal() == 0 && (options.Count == 0 || rounds < options.Count)) {
        if (rounds > 0) {
            Pause(options.IntervalSeconds);
            if (StopSignal() != 0)
                break;
        }
        const TickOutcome outcome = poller.Tick();
        const MonitorRecord::Round round = MonitorRecord::RoundOf(poller.Readings(), outcome);
        const QString time = TimeNow();
        ++rounds;
        if (!round.Answered) {
            ++unanswered;
            if (options.Json)
                PrintJson({{QStringLiteral("time"), time}, {QStringLiteral("answered"), false}});
            else
                PrintError(time + QStringLiteral(" no answer from the unit"));
            continue;
        }
        if (csv.isOpen() && !WriteAll(csv, MonitorRecord::CsvRows(time.toStdString(), round))) {
            PrintError(
                QStringLiteral("cannot write \"%1\": %2").arg(options.Csv, csv.errorString()));
            return ExitCode::Usage;
        }
        for (int channel = 0; channel < MonitorRecord::ChannelCount; ++channel) {
            const MonitorRecord::ChannelSample& sample = round.Channels[channel];
            if (options.Json)
                PrintJson(ChannelJson(time, channel + 1, sample));
            else if (!options.Quiet)
                PrintOut(ChannelLine(time, channel + 1, sample));
        }
    }
    // A unit that fell silent for every round stopped answering.
    return unanswered > 0 && unanswered == rounds ? ExitCode::UnitFailed : ExitCode::Ok;
}
