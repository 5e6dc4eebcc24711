// Tests of ending the program without asking (a signal, the end of the desktop session):
// the conversation in progress stops, the port's lines drop, the LOG file is written and a
// changed document is kept in a recovery file.
#include "mainformfixture.h"

#include "link/sim/simulatedunit.h"
#include "support/simprocess.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gmock/gmock.h>

#include <algorithm>
#include <csignal>
#include <signal.h>

namespace {

using ::testing::ElementsAre;

class MainFormEndingTest : public MainFormTest {
protected:
    // Runs the event loop until the window has closed, for at most ten seconds.
    bool RunUntilClosed() {
        const QDeadlineTimer deadline(10000);
        while (form->isVisible() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !form->isVisible();
    }

    // The LOG file's lines, as read back from the working directory.
    QStringList LogFileLines() const {
        QString text = QString::fromLatin1(ReadBytes(Path("RIVAN.LOG")));
        if (text.endsWith(QStringLiteral("\r\n")))
            text.chop(2);
        return text.split(QStringLiteral("\r\n"));
    }

    QStringList RecoveryFiles() const {
        return QDir(Folder()).entryList({"RIVAN-recovered-*.PRO"}, QDir::Files, QDir::Name);
    }

    // Ends the program through the entry point the signal handler uses, at the exchange
    // number `at` (counted from 1) of the unit on COM1.
    void EndAtExchange(int at) {
        driver.AttachPeer("COM1", unit);
        unit.SetTrace([this, at](const UnitExchange&) {
            if (++exchanges == at)
                form->EndWithoutAsking(QStringLiteral("signal SIGTERM"));
        });
    }

    // The closing lines of the log, from the stop on.
    void ExpectClosingLines() {
        const QStringList lines = Lines();
        ASSERT_GE(lines.size(), 2);
        EXPECT_TRUE(lines[lines.size() - 2].startsWith("Ended at "))
            << lines.join('\n').toStdString();
        EXPECT_THAT(lines.back().toStdString(),
                    ::testing::MatchesRegex("Elapsed time: +[0-9]+\\.00 seconds"));
        EXPECT_EQ(LogFileLines(), lines);
        EXPECT_TRUE(prompts.Messages.empty()) << "nothing is asked";
    }

    SimulatedUnit unit;
    int exchanges = 0;
};

TEST_F(MainFormEndingTest, WhileIdleTheLogIsWrittenWithoutARecoveryFile) {
    form->EndWithoutAsking(QStringLiteral("signal SIGTERM"));
    // The window closes from the event loop, not from inside the request.
    EXPECT_TRUE(form->isVisible());
    ASSERT_TRUE(RunUntilClosed());

    ASSERT_EQ(Lines().size(), 6);
    EXPECT_EQ(Lines()[3], "Ending without questions: signal SIGTERM");
    ExpectClosingLines();
    EXPECT_TRUE(RecoveryFiles().isEmpty());
    EXPECT_TRUE(form->Ending());
}

TEST_F(MainFormEndingTest, WhileIdleAChangedDocumentIsKeptAndTheNextStartNamesIt) {
    Trigger("FileNew");
    form->GetProfile().SetFrequencyKHz(0, 474000);
    form->EndWithoutAsking(QStringLiteral("signal SIGHUP"));
    // A second request while ending changes nothing.
    form->EndWithoutAsking(QStringLiteral("signal SIGTERM"));
    ASSERT_TRUE(RunUntilClosed());

    ExpectClosingLines();
    const QStringList files = RecoveryFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_THAT(files.front().toStdString(),
                ::testing::MatchesRegex("RIVAN-recovered-20[0-9]{6}-[0-9]{6}\\.PRO"));
    const QString recovery = QDir::toNativeSeparators(Path(files.front()));
    EXPECT_EQ(Lines().filter("Ending without questions").size(), 1);
    EXPECT_EQ(Lines()[Lines().size() - 3], "Document saved for recovery as " + recovery);

    // The file holds the document as Save writes it: 474 MHz = 0x1C40AA80, low byte first,
    // in a data line, and the file's own name in its header.
    const QString text = QString::fromLatin1(ReadBytes(recovery));
    EXPECT_TRUE(text.contains(QRegularExpression("\\r\\nsend \\*I[0-9A-F]*80AA401C")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(recovery));

    // The next start in the same folder says the file is there.
    form = std::make_unique<TMainForm>(prompts, driver, terminalPort);
    EXPECT_EQ(Lines().size(), 4);
    EXPECT_EQ(Lines().back(), "Recovered document from an earlier run: " + recovery);
}

TEST_F(MainFormEndingTest, DuringAReceiveTheConversationStopsAndThePortDrops) {
    // Two exchanges identify the unit; the fifth is a block read of the receive.
    EndAtExchange(5);
    Trigger("ReceiveData");

    // No request after the one in progress, and no question about the part received.
    EXPECT_EQ(unit.Commands().size(), 5u);
    EXPECT_EQ(exchanges, 5);
    EXPECT_TRUE(prompts.Messages.empty());
    const std::vector<std::string>& operations = driver.Operations("COM1");
    ASSERT_GE(operations.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(operations.end() - 3, operations.end()),
                ElementsAre("ClearRts", "ClearDtr", "Close"));
    EXPECT_FALSE(driver.Dtr("COM1"));
    EXPECT_FALSE(driver.Rts("COM1"));
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_TRUE(Lines().contains("stopped: the program is ending"));

    ASSERT_TRUE(RunUntilClosed());
    ExpectClosingLines();
    EXPECT_TRUE(Lines()[Lines().size() - 3].startsWith("Tools: receive data exit at "));
    // Receive had closed the document before asking the unit: nothing to recover.
    EXPECT_TRUE(RecoveryFiles().isEmpty());
}

TEST_F(MainFormEndingTest, DuringASendTheRestIsNotSentAndTheDocumentIsKept) {
    Trigger("FileNew");
    EndAtExchange(4);
    Trigger("SendData");

    // The two identification exchanges and two script lines; no reset after a stop.
    ASSERT_EQ(unit.Commands().size(), 4u);
    EXPECT_EQ(std::count(unit.Commands().begin(), unit.Commands().end(), "*RST"), 0);
    const std::vector<std::string>& operations = driver.Operations("COM1");
    EXPECT_THAT(std::vector<std::string>(operations.end() - 3, operations.end()),
                ElementsAre("ClearRts", "ClearDtr", "Close"));
    EXPECT_FALSE(driver.Dtr("COM1"));
    EXPECT_FALSE(driver.Rts("COM1"));
    EXPECT_TRUE(Lines().contains("stopped: the program is ending"));
    EXPECT_TRUE(Lines().filter("sent to remote equipment").isEmpty());
    EXPECT_EQ(prompts.Beeps, 0);
    // Every command that could start another conversation waits for the end.
    for (const char* name : {"ReceiveData", "SendData", "ToolsDetect", "FileExit", "FileNew"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;

    ASSERT_TRUE(RunUntilClosed());
    ExpectClosingLines();
    EXPECT_EQ(RecoveryFiles().size(), 1);
}

TEST_F(MainFormEndingTest, DuringDetectionNoFurtherPortIsTried) {
    driver.AddPort("COM1");
    driver.AttachPeer("COM2", unit);
    unit.SetTrace([this](const UnitExchange&) { ADD_FAILURE() << "COM2 was asked"; });
    // The stop comes as detection starts, while it lets window events through.
    bool requested = false;
    QTimer::singleShot(0, form.get(), [&] {
        requested = true;
        form->EndWithoutAsking(QStringLiteral("signal SIGINT"));
    });
    Trigger("ToolsDetect");
    EXPECT_TRUE(requested);
    EXPECT_THAT(driver.Operations("COM1"), ::testing::IsEmpty());
    EXPECT_THAT(driver.Operations("COM2"), ::testing::IsEmpty());
    EXPECT_EQ(form->PanelText(TMainForm::EquipmentPanel), "");
    EXPECT_EQ(Lines().filter("stopped: the program is ending").size(), 1);
    ASSERT_TRUE(RunUntilClosed());
    ExpectClosingLines();
}

#ifdef Q_OS_UNIX
// The real program, offscreen in a folder of its own, ended by a real SIGTERM.
TEST(RivanProcessEnding, SigtermWritesTheLogFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QProcess rivan;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath("config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath("data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    for (int n = 1; n <= 8; ++n)
        environment.insert(QStringLiteral("RIVAN_COM%1").arg(n),
                           QString::fromStdString(MissingDevicePath(n)));
    rivan.setProcessEnvironment(environment);
    rivan.setWorkingDirectory(folder.path());
    rivan.start(QStringLiteral(RIVAN_PATH), {});
    ASSERT_TRUE(rivan.waitForStarted(10000));

    // The handler is in place once the process catches SIGTERM: bit 15 of SigCgt.
    const QString status = QStringLiteral("/proc/%1/status").arg(rivan.processId());
    const QDeadlineTimer deadline(30000);
    bool catching = false;
    while (!catching && !deadline.hasExpired() && rivan.state() == QProcess::Running) {
        QFile file(status);
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (line.startsWith("SigCgt:"))
                    catching =
                        (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1U;
        if (!catching)
            rivan.waitForFinished(20); // bounded: gives the child time, returns early if it ends
    }
    ASSERT_TRUE(catching) << "the program never installed its SIGTERM handler";

    ASSERT_EQ(::kill(static_cast<pid_t>(rivan.processId()), SIGTERM), 0);
    ASSERT_TRUE(rivan.waitForFinished(30000));
    EXPECT_EQ(rivan.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(rivan.exitCode(), 0);

    QFile log(folder.filePath("RIVAN.LOG"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(log.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], "RIVAN - v2.00 - b00");
    EXPECT_EQ(lines[3], "Ending without questions: signal SIGTERM");
    EXPECT_TRUE(lines[4].startsWith("Ended at "));
    EXPECT_TRUE(lines[5].startsWith("Elapsed time: "));
}
#endif

} // namespace
