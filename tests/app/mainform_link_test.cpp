// Tests of the main window's conversations with the unit: Detect, Receive, Send, Monitor.
#include "mainformfixture.h"

#include "dialogs/monitordlg.h"
#include "link/sim/simulatedunit.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <gmock/gmock.h>

namespace {

using namespace std::chrono_literals;

class MainFormLinkTest : public MainFormTest {
protected:
    // Lines logged since `from`.
    QStringList LinesFrom(qsizetype from) const { return Lines().mid(from); }

    // Every action that could replace the port or the document, and whether it was
    // enabled each time the unit took a command.
    void WatchActionsDuringCommands() {
        unit.SetTrace([this](const UnitExchange&) {
            for (const char* name :
                 {"FileNew", "FileOpen", "FileSave", "FileSaveAs", "EditPoint", "EditConfig",
                  "SendData", "ReceiveData", "ToolsDetect", "ToolsMonitor", "ToolsTerm"})
                if (Action(name)->isEnabled())
                    enabledDuringConversation.insert(name);
        });
    }

    SimulatedUnit unit;
    QSet<QString> enabledDuringConversation;
};

TEST_F(MainFormLinkTest, DetectFindsTheUnitOnCom5AndShowsIt) {
    for (const char* name : {"COM1", "COM2", "COM3", "COM4"})
        driver.AddPort(name);
    driver.AttachPeer("COM5", unit);
    const qsizetype start = Lines().size();

    Trigger("ToolsDetect");

    EXPECT_EQ(LinesFrom(start), QStringList({"Detecting equipment and COM port", "COM1 -> not used",
                                             "COM2 -> not used", "COM3 -> not used",
                                             "COM4 -> not used", "COM5 -> RIVAN ver1.05"}));
    EXPECT_EQ(form->PanelText(TMainForm::EquipmentPanel), "RIVAN");
    EXPECT_EQ(form->PanelText(TMainForm::PortPanel), "COM5");
    EXPECT_EQ(form->GetPortIndex(), 4);
    EXPECT_EQ(form->DetectImage(), 14);
    EXPECT_TRUE(Action("ToolsMonitor")->isEnabled());
    EXPECT_TRUE(Action("ToolsDetect")->isEnabled());
    EXPECT_GE(driver.Now(), 4 * 32 * 105ms);
}

TEST_F(MainFormLinkTest, ANoUnitPortShowsImage13AndASecondRunClearsThePanels) {
    driver.AttachPeer("COM1", unit);
    Trigger("ToolsDetect");
    ASSERT_EQ(form->PanelText(TMainForm::PortPanel), "COM1");

    unit.Settings().Silent = true;
    Trigger("ToolsDetect");

    EXPECT_EQ(form->PanelText(TMainForm::EquipmentPanel), "");
    EXPECT_EQ(form->PanelText(TMainForm::PortPanel), "");
    EXPECT_EQ(form->DetectImage(), 13);
    EXPECT_FALSE(form->GetEquipmentFound());
    // The monitor stays as the last recognised model left it.
    EXPECT_TRUE(Action("ToolsMonitor")->isEnabled());
}

TEST_F(MainFormLinkTest, OnlyARivanUnitEnablesTheMonitor) {
    driver.AttachPeer("COM1", unit);
    Trigger("ToolsDetect");
    ASSERT_TRUE(Action("ToolsMonitor")->isEnabled());

    unit.Settings().Name = "KALDORN-3";
    Trigger("ToolsDetect");
    EXPECT_FALSE(Action("ToolsMonitor")->isEnabled());
    EXPECT_EQ(form->PanelText(TMainForm::EquipmentPanel), "KALDORN-3");

    // A name outside the table changes nothing about the monitor.
    unit.Settings().Name = "FOO";
    Trigger("ToolsDetect");
    EXPECT_FALSE(Action("ToolsMonitor")->isEnabled());
    EXPECT_FALSE(form->GetEquipmentFound());
}

TEST_F(MainFormLinkTest, NothingElseCanStartWhileAConversationRuns) {
    driver.AttachPeer("COM1", unit);
    Trigger("FileNew");
    WatchActionsDuringCommands();

    Trigger("ToolsDetect");
    prompts.Answers.push_back(Prompts::Answer::No);
    Trigger("ReceiveData");
    Trigger("SendData");

    EXPECT_TRUE(enabledDuringConversation.isEmpty())
        << enabledDuringConversation.values().join(", ").toStdString();
    EXPECT_EQ(
        EnabledActions(),
        std::vector<QString>({"FileNew", "FileOpen", "FileSave", "FileSaveAs", "FileExit",
                              "EditPoint", "EditConfig", "SendData", "ReceiveData", "ToolsEditor",
                              "ToolsTerm", "ToolsMonitor", "ToolsDetect", "HelpAbout"}));
}

TEST_F(MainFormLinkTest, ReceivingEverythingMakesAnUntitledChangedDocument) {
    driver.AttachPeer("COM1", unit);
    const qsizetype start = Lines().size();

    Trigger("ReceiveData");

    const QStringList lines = LinesFrom(start);
    ASSERT_EQ(lines.size(), 1 + 2 + 3 + 39 + 1 + 1);
    EXPECT_TRUE(lines.front().startsWith("Tools: receive data started at "));
    EXPECT_EQ(lines[3], "loading configuration data...");
    EXPECT_EQ(lines[lines.size() - 2], "received data from remote equipment");
    EXPECT_TRUE(lines.back().startsWith("Tools: receive data exit at "));
    EXPECT_EQ(form->PanelText(TMainForm::FilePanel), "Untitled.PRO");
    EXPECT_TRUE(form->GetDocumentPresent());
    EXPECT_TRUE(form->GetModified());
    ASSERT_EQ(form->GetScriptLines().size(), 15u);
    EXPECT_TRUE(form->GetScriptLines()[1].starts_with("# Untitled.PRO created at "));
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(
        EnabledActions(),
        std::vector<QString>({"FileNew", "FileOpen", "FileSave", "FileSaveAs", "FileExit",
                              "EditPoint", "EditConfig", "SendData", "ReceiveData", "ToolsEditor",
                              "ToolsTerm", "ToolsMonitor", "ToolsDetect", "HelpAbout"}));
}

// A conversation's lines reach the panel a few at a time; once it ends the panel shows the
// whole log, and the window has handled its events before every request but the first.
TEST_F(MainFormLinkTest, ReceiveAndSendLeaveThePanelShowingTheWholeLog) {
    driver.AttachPeer("COM1", unit);
    Trigger("ToolsDetect");
    const std::size_t before = unit.Exchanges().size();
    // Each exchange posts an event; the number of exchanges seen when it is handled.
    std::vector<std::size_t> handledAfter;
    unit.SetTrace([&](const UnitExchange&) {
        QTimer::singleShot(0, form.get(), [&] { handledAfter.push_back(unit.Exchanges().size()); });
    });
    auto* panel = form->findChild<QPlainTextEdit*>(QStringLiteral("LogRichEdit"));
    ASSERT_NE(panel, nullptr);

    Trigger("ReceiveData");
    EXPECT_EQ(panel->toPlainText(), Lines().join(QLatin1Char('\n')));
    // The configuration and the first point come in one step, then one pass per request.
    std::vector<std::size_t> expected;
    for (std::size_t exchange = before + 1; exchange < before + 39; ++exchange)
        expected.push_back(exchange);
    EXPECT_EQ(handledAfter, expected);

    Trigger("SendData");
    EXPECT_EQ(panel->toPlainText(), Lines().join(QLatin1Char('\n')));
}

TEST_F(MainFormLinkTest, AFailedPointRequestWarnsAndLeavesNoDocument) {
    driver.AttachPeer("COM1", unit);
    unit.Settings().NakOnCommand = 6; // name, version, configuration, points 0, 1, then 2

    Trigger("ReceiveData");

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, "Warning");
    EXPECT_EQ(prompts.Messages[0].Text, "Error loading equipment data. Using default.");
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Warning);
    EXPECT_FALSE(form->GetDocumentPresent());
    EXPECT_FALSE(form->GetModified());
    EXPECT_EQ(form->PanelText(TMainForm::FilePanel), "");
    EXPECT_FALSE(Action("FileSave")->isEnabled());
    EXPECT_TRUE(Action("EditPoint")->isEnabled());
    EXPECT_TRUE(Action("EditConfig")->isEnabled());
    EXPECT_TRUE(Action("SendData")->isEnabled());
    EXPECT_FALSE(Action("EditMessage")->isEnabled());
    EXPECT_EQ(form->GetProfile().FrequencyKHz(2), 650000u);
}

TEST_F(MainFormLinkTest, ReceivingWithoutAUnitBeepsAndDisablesTheDocumentActions) {
    Trigger("FileNew");
    prompts.Answers.push_back(Prompts::Answer::No);

    qsizetype linesAtBeep = -1;
    prompts.OnBeep = [&] { linesAtBeep = Lines().size(); };
    Trigger("ReceiveData");

    EXPECT_EQ(prompts.Beeps, 1);
    EXPECT_EQ(Lines()[Lines().size() - 2], "ERROR: unable to receive data. Check connection");
    EXPECT_EQ(linesAtBeep, Lines().size() - 2) << "the beep comes before the error line";
    EXPECT_FALSE(form->GetDocumentPresent());
    for (const char* name : {"FileSave", "FileSaveAs", "EditPoint", "EditConfig", "SendData"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
}

TEST_F(MainFormLinkTest, CancellingTheSaveQuestionLogsOnlyStartAndExit) {
    driver.AttachPeer("COM1", unit);
    Trigger("FileNew");
    const qsizetype start = Lines().size();
    prompts.Answers.push_back(Prompts::Answer::Cancel);

    Trigger("ReceiveData");

    const QStringList lines = LinesFrom(start);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("Tools: receive data started at "));
    EXPECT_TRUE(lines[1].startsWith("Tools: receive data exit at "));
    EXPECT_TRUE(form->GetDocumentPresent());
    EXPECT_EQ(form->GetFileName(), "Untitled.PRO");
    EXPECT_TRUE(unit.Commands().empty());
}

TEST_F(MainFormLinkTest, SendingLogsEveryLineAndTheSummary) {
    driver.AttachPeer("COM1", unit);
    Trigger("FileNew");
    form->GetProfile().SetFrequencyKHz(0, 474000);
    const qsizetype start = Lines().size();

    Trigger("SendData");

    const QStringList lines = LinesFrom(start);
    EXPECT_TRUE(lines.front().startsWith("Tools: send data started at "));
    EXPECT_EQ(lines.filter(QRegularExpression(" OK$")).size(), 15);
    EXPECT_EQ(lines[lines.size() - 3], "Untitled.PRO sent to remote equipment");
    EXPECT_EQ(lines[lines.size() - 2], "processed 7 data lines of 15");
    EXPECT_TRUE(lines.back().startsWith("Tools: send data exit at "));
    // 474 000 000 Hz = 0x1C40AA80, low byte first.
    EXPECT_THAT(unit.Block(0x0402, 4), ::testing::ElementsAre(0x80, 0xAA, 0x40, 0x1C));
    EXPECT_EQ(unit.Commands().back(), "*RST");
    EXPECT_FALSE(driver.IsOpen("COM1"));
}

TEST_F(MainFormLinkTest, SendingWithoutAUnitBeeps) {
    Trigger("FileNew");
    qsizetype linesAtBeep = -1;
    prompts.OnBeep = [&] { linesAtBeep = Lines().size(); };
    Trigger("SendData");
    EXPECT_EQ(prompts.Beeps, 1);
    EXPECT_EQ(Lines()[Lines().size() - 2], "ERROR: unable to send data. Check connection");
    EXPECT_EQ(linesAtBeep, Lines().size() - 2) << "the beep comes before the error line";
}

TEST_F(MainFormLinkTest, TheMonitorRunsOnTheUnitsPortAndClosesIt) {
    driver.AttachPeer("COM1", unit);
    Trigger("ToolsDetect");
    TMonitorDlg monitor(prompts, form.get());
    AppWindows windows;
    windows.MonitorDlg = &monitor;
    form->AttachWindows(windows);
    bool portOpenWhileShown = false;
    QTimer::singleShot(0, &monitor, [&] {
        portOpenWhileShown = driver.IsOpen("COM1");
        monitor.close();
    });
    const qsizetype start = Lines().size();

    Trigger("ToolsMonitor");

    EXPECT_TRUE(portOpenWhileShown);
    EXPECT_FALSE(driver.IsOpen("COM1"));
    EXPECT_EQ(unit.Commands().front(), "*?NAM");
    EXPECT_EQ(unit.Commands()[2], "*?REG00");
    const QStringList lines = LinesFrom(start);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("Tools: remote control monitor started at "));
    EXPECT_TRUE(lines[1].startsWith("Tools: remote control monitor exit at "));
}

TEST_F(MainFormLinkTest, TheMonitorWithoutAUnitBeepsAndLogsTheError) {
    driver.AttachPeer("COM1", unit);
    Trigger("ToolsDetect");
    unit.Settings().Silent = true;
    Trigger("ToolsDetect"); // nothing found now; the monitor stays offered
    ASSERT_TRUE(Action("ToolsMonitor")->isEnabled());
    const qsizetype start = Lines().size();

    qsizetype linesAtBeep = -1;
    prompts.OnBeep = [&] { linesAtBeep = Lines().size(); };
    Trigger("ToolsMonitor");

    EXPECT_EQ(prompts.Beeps, 1);
    const QStringList lines = LinesFrom(start);
    EXPECT_EQ(Lines()[Lines().size() - 2], "ERROR: unable to send data. Check connection");
    EXPECT_EQ(linesAtBeep, Lines().size() - 2) << "the beep comes before the error line";
    EXPECT_TRUE(lines.back().startsWith("Tools: remote control monitor exit at "));
}

} // namespace
