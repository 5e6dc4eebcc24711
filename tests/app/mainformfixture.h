// A main window started in a temporary working directory, answered by scripted prompts.
#pragma once

#include "app/mainform.h"
#include "link/sim/simulateddriver.h"
#include "support/memoryterminalport.h"
#include "support/scriptedprompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class MainFormTest : public ::testing::Test {
protected:
    // The action names in the order of the action list.
    static inline const std::vector<QString> AllActions = {
        "FileNew",     "FileOpen",   "FileSave",     "FileSaveAs",  "FileExit",
        "EditPoint",   "EditConfig", "EditMessage",  "SendData",    "ReceiveData",
        "ToolsEditor", "ToolsTerm",  "ToolsMonitor", "ToolsDetect", "HelpAbout"};

    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        previousFolder_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder_.path()));
        QApplication::setQuitOnLastWindowClosed(false);
        form = std::make_unique<TMainForm>(prompts, driver, terminalPort);
        form->show();
    }

    void TearDown() override {
        form.reset();
        QDir::setCurrent(previousFolder_);
    }

    QAction* Action(const QString& name) const {
        auto* action = form->findChild<QAction*>(name);
        EXPECT_NE(action, nullptr) << name.toStdString();
        return action;
    }
    void Trigger(const QString& name) const { Action(name)->trigger(); }

    // The names of the enabled actions, in the order of the action list.
    std::vector<QString> EnabledActions() const {
        std::vector<QString> enabled;
        for (const QString& name : AllActions)
            if (Action(name)->isEnabled())
                enabled.push_back(name);
        return enabled;
    }

    const QStringList& Lines() const { return form->Log().Lines(); }
    QString Path(const QString& name) const { return folder_.filePath(name); }
    QString Folder() const { return folder_.path(); }

    static QByteArray ReadBytes(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    static bool WriteBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    ScriptedPrompts prompts;
    SimulatedDriver driver;
    MemoryTerminalPort terminalPort;
    std::unique_ptr<TMainForm> form;

private:
    QTemporaryDir folder_;
    QString previousFolder_;
};
