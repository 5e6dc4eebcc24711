// rivanctl run as a user runs it: a process against rivan-sim units on pseudo-terminals, and
// on the network behind socat bridges on 127.0.0.1; each test in its own home folder.
#pragma once

#include "support/bridgeprocess.h"
#include "support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct CtlRun {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

// The lines of the default unit rivan-sim serves, as a PRO file holds them. Frequencies by
// hand: 474000000 Hz is 1C40AA80, 522000000 is 1F1D1680, 650000000 is 26BE3680, 746000000
// is 2C770E80, 858000000 is 33240A80, 1210000000 is 481F2280; each written low byte first.
inline const std::vector<std::string> SimDataLines = {
    "send *I22A01F001C001600E803000010270000", "send *I22A00400000180AA401C463C    #0",
    "send *I22A00420010180161D1F463C    #1",   "send *I22A0044002018036BE26463C    #2",
    "send *I22A004600301800E772C463C    #3",   "send *I22A004800401800A2433463C    #4",
    "send *I22A004A0050080221F48463C    #5",
};

inline std::vector<std::string> FileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<std::string> lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        lines.push_back(line.endsWith('\r') ? line.chopped(1).toStdString() : line.toStdString());
    return lines;
}

// The data lines of a PRO file (the comments carry a time and a path).
inline std::vector<std::string> DataLines(const QString& path) {
    std::vector<std::string> data;
    for (const std::string& line : FileLines(path))
        if (line.starts_with("send"))
            data.push_back(line);
    return data;
}

inline void WriteFile(const QString& path, const std::vector<std::string>& lines) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const std::string& line : lines)
        file.write(QByteArray::fromStdString(line + "\r\n"));
}

class RivanctlEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        ASSERT_TRUE(home.isValid());
        // Every port leads nowhere until a test puts a unit on it.
        for (int n = 1; n <= 8; ++n)
            ports[n] = QString::fromStdString(MissingDevicePath(n));
    }

    // A rivan-sim on COMn with extra options.
    void Unit(int n, const std::vector<std::string>& arguments = {}) {
        sims.push_back(std::make_unique<SimProcess>());
        std::string error;
        ASSERT_TRUE(sims.back()->Start(RIVAN_SIM_PATH, arguments, error)) << error;
        ports[n] = QString::fromStdString(sims.back()->DevicePath());
    }

    void StartCtl(QProcess& process, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (int n = 1; n <= 8; ++n)
            environment.insert(QStringLiteral("RIVAN_COM%1").arg(n), ports[n]);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), DataHome());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath("config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(home.path());
        process.start(QStringLiteral(RIVANCTL_PATH), arguments);
    }

    CtlRun Ctl(const QStringList& arguments) {
        QProcess process;
        StartCtl(process, arguments);
        CtlRun run;
        if (!process.waitForFinished(120000))
            return run;
        run.Exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.Out = process.readAllStandardOutput().toStdString();
        run.Err = process.readAllStandardError().toStdString();
        return run;
    }

    QString DataHome() const { return home.filePath("data"); }
    QString Path(const char* name) const { return home.filePath(QString::fromLatin1(name)); }

    // A default unit's file with point 3 moved to 474 MHz (80AA401C) and MER alarm 19 (13).
    QString EditedFile() {
        const QString path = Path("edited.pro");
        std::vector<std::string> lines = {"# edited by hand"};
        lines.insert(lines.end(), SimDataLines.begin(), SimDataLines.end());
        lines[1] = "send *I22A01F001C001300E803000010270000";
        lines[4] = "send *I22A00440020180AA401C463C    #2";
        WriteFile(path, lines);
        return path;
    }

    // A rivan-sim with extra options on its pseudo-terminal behind socat:
    // "tcp://127.0.0.1:PORT".
    QString NetworkUnit(const std::vector<std::string>& arguments = {}) {
        sims.push_back(std::make_unique<SimProcess>());
        bridges.push_back(std::make_unique<BridgeProcess>());
        std::string error;
        if (!sims.back()->Start(RIVAN_SIM_PATH, arguments, error) ||
            !bridges.back()->StartRawTcp(sims.back()->DevicePath(), error)) {
            ADD_FAILURE() << error;
            return {};
        }
        return QStringLiteral("tcp://127.0.0.1:%1").arg(bridges.back()->Port());
    }

    QTemporaryDir home;
    QString ports[9];
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::unique_ptr<BridgeProcess>> bridges;
};

class RivanctlOverTheNetwork : public RivanctlEndToEnd {
protected:
    void SetUp() override {
        RivanctlEndToEnd::SetUp();
        if (IsSkipped())
            return;
        if (!ProgramAvailable("socat"))
            GTEST_SKIP() << "socat is not installed";
    }
};
