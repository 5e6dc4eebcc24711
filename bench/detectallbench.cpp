// Times rivanctl detect --all against eight silent units, beside eight handshake time-outs
// one after the other (what the window's search costs on the same ports).
#include "link/device/deviceportdriver.h"
#include "link/serialport.h"

#include "support/simprocess.h"

#include <QCoreApplication>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::vector<std::unique_ptr<SimProcess>> sims;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (int n = 1; n <= SerialPort::PortCount; ++n) {
        sims.push_back(std::make_unique<SimProcess>());
        std::string error;
        if (!sims.back()->Start(RIVAN_SIM_PATH, {"--silent"}, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const std::string variable = "RIVAN_COM" + std::to_string(n);
        ::setenv(variable.c_str(), sims.back()->DevicePath().c_str(), 1);
        environment.insert(QString::fromStdString(variable),
                           QString::fromStdString(sims.back()->DevicePath()));
    }

    // Eight ports one after the other, as the window's search tries them.
    const Clock::time_point sequentialStart = Clock::now();
    DevicePortDriver driver;
    for (int index = 0; index < SerialPort::PortCount; ++index) {
        SerialPort port(driver, index);
        port.Open();
        port.Configure();
        port.SendCommand("*?NAM");
        port.Close();
    }
    const double sequential = SecondsSince(sequentialStart);

    const Clock::time_point parallelStart = Clock::now();
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(RIVANCTL_PATH),
                  {QStringLiteral("detect"), QStringLiteral("--all")});
    process.waitForFinished(120000);
    const double parallel = SecondsSince(parallelStart);

    std::printf("eight silent ports, one handshake time-out each (32 x 105 ms = 3.36 s):\n");
    std::printf("  one after the other:      %6.2f s\n", sequential);
    std::printf("  rivanctl detect --all:    %6.2f s (exit %d)\n", parallel, process.exitCode());
    return 0;
}
