// The main window with a unit at a remote site: rivan-sim behind a socat bridge on 127.0.0.1,
// reached through the program's own port driver as "tcp://127.0.0.1:PORT" on COM1.
#include "app/mainform.h"
#include "link/device/systemportdriver.h"

#include "support/bridgeprocess.h"
#include "support/memoryterminalport.h"
#include "support/scriptedprompts.h"
#include "support/simprocess.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

class MainFormOverTheNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system hands out no pseudo-terminals";
        if (!ProgramAvailable("socat"))
            GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        // Ports other than COM1 lead nowhere, so no search reaches a real device.
        for (int n = 2; n <= 8; ++n)
            ::setenv(("RIVAN_COM" + std::to_string(n)).c_str(), MissingDevicePath(n).c_str(), 1);
    }

    void TearDown() override {
        form.reset();
        bridge.Stop();
        for (int n = 1; n <= 8; ++n)
            ::unsetenv(("RIVAN_COM" + std::to_string(n)).c_str());
        if (!previousFolder.isEmpty())
            QDir::setCurrent(previousFolder);
    }

    // The unit, with rivan-sim's `options`, behind the bridge on COM1; then the window.
    void StartUnitAndWindow(const std::vector<std::string>& options) {
        std::string error;
        ASSERT_TRUE(sim.Start(RIVAN_SIM_PATH, options, error)) << error;
        ASSERT_TRUE(bridge.StartRawTcp(sim.DevicePath(), error)) << error;
        address = "tcp://127.0.0.1:" + std::to_string(bridge.Port());
        ::setenv("RIVAN_COM1", address.c_str(), 1);
        QApplication::setQuitOnLastWindowClosed(false);
        form = std::make_unique<TMainForm>(prompts, driver, terminalPort);
        form->show();
    }

    void Trigger(const QString& name) const {
        auto* action = form->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name.toStdString();
        action->trigger();
    }

    const QStringList& Lines() const { return form->Log().Lines(); }

    QTemporaryDir folder;
    QString previousFolder;
    SimProcess sim;
    BridgeProcess bridge;
    std::string address;
    ScriptedPrompts prompts;
    SystemPortDriver driver;
    MemoryTerminalPort terminalPort;
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormOverTheNetwork, DetectsReceivesAndTellsOfALineThatWentMidWay) {
    // The unit drops its line after the third detection point, and the connection goes with it.
    StartUnitAndWindow({"--hangup", "6"});
    if (HasFatalFailure())
        return;

    Trigger("ToolsDetect");
    ASSERT_TRUE(form->GetEquipmentFound()) << Lines().join('\n').toStdString();
    EXPECT_TRUE(Lines().contains(QString::fromStdString("COM1 (" + address + ") -> RIVAN ver1.05")))
        << Lines().join('\n').toStdString();
    // The status bar shows the port by its name, as for a local one.
    EXPECT_EQ(form->PanelText(TMainForm::PortPanel), "COM1");

    Trigger("ReceiveData");
    ASSERT_EQ(prompts.Messages.size(), 1u) << Lines().join('\n').toStdString();
    EXPECT_EQ(prompts.Messages[0].Caption, "Warning");
    EXPECT_EQ(prompts.Messages[0].Text, "Error loading equipment data. Using default.");
    EXPECT_FALSE(form->GetDocumentPresent());
    EXPECT_TRUE(Lines().contains("*?I22A00460020")) << "the request the line went during";

    // The site's bridge is gone as well: nobody answers at that address any more.
    bridge.Stop();
    Trigger("ToolsDetect");
    EXPECT_FALSE(form->GetEquipmentFound());
    EXPECT_TRUE(Lines().contains(QString::fromStdString("COM1 (" + address + ") not available")))
        << Lines().join('\n').toStdString();
    EXPECT_EQ(form->PanelText(TMainForm::PortPanel), "");
    const int beeps = prompts.Beeps;
    Trigger("ReceiveData");
    ASSERT_GE(Lines().size(), 2);
    EXPECT_EQ(Lines()[Lines().size() - 2].toStdString(),
              "ERROR: unable to receive data. Check connection")
        << Lines().join('\n').toStdString();
    EXPECT_EQ(prompts.Beeps, beeps + 1);
}

} // namespace
