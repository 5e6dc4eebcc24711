// Times one polling round of the monitor window against the simulated unit: the wall time
// the GUI thread spends in the round and in the repaint after it, and the virtual time the
// round takes on the line. Built against a tree without trends, it gives the figures before.
#include "dialogs/monitordlg.h"
#include "link/serialport.h"
#include "link/sim/simulateddriver.h"
#include "link/sim/simulatedunit.h"
#include "ui/prompts.h"

#if __has_include("dialogs/monitortrends.h")
#define RIVAN_MONITOR_TRENDS 1
#include "profile/equipmentprofile.h"
#endif

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Ten minutes of rounds: the trends are full by the end.
constexpr int Rounds = 600;

class QuietPrompts : public Prompts {
public:
    std::optional<QString> FileName;
    Answer Message(const QString&, const QString&, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> OpenFileName(const FileDialog&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const FileDialog&) override { return FileName; }
    void Beep() override {}
    Answer ShowComparison(const Comparison&) override { return Answer::No; }
    std::optional<BackupChoice> ChooseBackup(const QString&, const QList<BackupItem>&) override {
        return std::nullopt;
    }
    bool PrintDialog(QPrinter&) override { return false; }
    bool PageSetupDialog(QPrinter&) override { return false; }
};

double Microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

void Print(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0.0;
    for (double value : values)
        sum += value;
    std::printf("%-34s mean %9.1f us   median %9.1f us   95%% %9.1f us\n", what,
                sum / double(values.size()), values[values.size() / 2],
                values[values.size() * 95 / 100]);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QApplication application(argc, argv);

    // Replies at the pace of the line, 115200 bit/s 8N1.
    UnitSettings paced;
    paced.ByteTime = std::chrono::microseconds(87);
    SimulatedUnit unit(paced);
    SimulatedDriver driver;
    driver.AttachPeer("COM1", unit);
    SerialPort port(driver, 0);
    port.Open();
    port.Configure();
    QuietPrompts prompts;
#ifdef RIVAN_MONITOR_TRENDS
    ScriptLineList lines;
    EquipmentProfile profile(lines);
    profile.SetDefaults();
    TMonitorDlg dialog(prompts, profile, [](const QString&) {});
    prompts.FileName = home.filePath(QStringLiteral("readings.csv"));
    std::printf("monitor with trends, history and a recording\n");
#else
    TMonitorDlg dialog(prompts);
    std::printf("monitor without trends\n");
#endif
    dialog.SetPort(port);
    dialog.StartMonitor();
    dialog.show();
#ifdef RIVAN_MONITOR_TRENDS
    dialog.BtRecordClick();
#endif
    QApplication::processEvents();

    std::vector<double> round;
    std::vector<double> repaint;
    std::vector<double> line;
    for (int i = 0; i < Rounds; ++i) {
        driver.Clock().Advance(1s);
        const SimTime lineStart = driver.Now();
        const Clock::time_point start = Clock::now();
        dialog.Timer1Timer();
        const Clock::time_point polled = Clock::now();
        // What the round changed is painted before the next timer event.
        QApplication::processEvents();
        const Clock::time_point painted = Clock::now();
        round.push_back(Microseconds(polled - start));
        repaint.push_back(Microseconds(painted - polled));
        line.push_back(double((driver.Now() - lineStart).count()));
    }
    std::printf("%d rounds against the simulated unit\n", Rounds);
    Print("round (queries and display)", round);
    Print("repaint after the round", repaint);
    Print("virtual line time of a round", line);
    dialog.done(0);
    return 0;
}
