// Start-up: the application, its windows in their fixed order, and the message loop.
#include "app/activitylog.h"
#include "app/applicationtitle.h"
#include "app/commandline.h"
#include "app/endrequests.h"
#include "app/mainform.h"
#include "dialogs/cfgeditordlg.h"
#include "dialogs/detpointsdlg.h"
#include "dialogs/dialogprompts.h"
#include "dialogs/messeditdlg.h"
#include "dialogs/monitordlg.h"
#include "dialogs/passworddlg.h"
#include "link/device/systemportdriver.h"
#include "link/device/systemterminalport.h"
#include "profile/programidentity.h"
#include "tools/about/aboutbox.h"
#include "tools/about/versionblocksource.h"
#include "tools/editor/scratchpad.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QStringList>

#include <clocale>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // --help and --version are answered on the terminal, without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto answer = AnswerCommandLine(arguments)) {
        std::fputs(answer->Text.c_str(), stdout);
        return answer->Status;
    }

    QApplication application(argc, argv);
    // Ties the windows to the desktop entry, and so to its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.qelvar.Rivan"));
    // Qt takes the user's locale for the C library too; the program's printf-style texts
    // (log lines, readings) always use a full stop.
    std::setlocale(LC_NUMERIC, "C");
    try {
        SetApplicationTitle();

        DialogPrompts prompts;
        SystemPortDriver portDriver;
        SystemTerminalPort terminalPort;
        TMainForm mainForm(prompts, portDriver, terminalPort);
        prompts.SetParent(&mainForm);
        // The about box looks its version block up by the application's title.
        const auto versionSource = MakeSystemVersionBlockSource(
            QApplication::applicationDisplayName().toLocal8Bit().toStdString());
        TAboutBox aboutBox(*versionSource, &mainForm);
        TScratchPad scratchPad(prompts);
        TCfgEditorDlg cfgEditorDlg(
            mainForm.GetProfile(), [&] { mainForm.SetModified(); }, prompts, &mainForm);
        TDetPointsDlg detPointsDlg(
            mainForm.GetProfile(), [&] { mainForm.SetModified(); }, prompts, &mainForm);
        TMessEditDlg messEditDlg(
            mainForm.GetProfile(), [&] { mainForm.SetModified(); }, prompts, &mainForm);
        TPasswordDlg passwordDlg(messEditDlg, &messEditDlg);
        TMonitorDlg monitorDlg(
            prompts, mainForm.GetProfile(),
            [&](const QString& line) { mainForm.Log().AppendLine(line); }, &mainForm);
        mainForm.AttachWindows({&aboutBox, &scratchPad, &cfgEditorDlg, &detPointsDlg, &messEditDlg,
                                &passwordDlg, &monitorDlg});

        // A signal or the end of the desktop session closes the window in order, without
        // questions, and a changed document is kept in a recovery file.
        EndRequests endRequests;
        QObject::connect(&endRequests, &EndRequests::Requested, &mainForm, [&](int signalNumber) {
            mainForm.EndWithoutAsking(QStringLiteral("signal ") +
                                      EndRequests::SignalName(signalNumber));
        });
#ifndef QT_NO_SESSIONMANAGER
        QObject::connect(&application, &QGuiApplication::commitDataRequest, &mainForm,
                         [&](QSessionManager&) {
                             mainForm.EndWithoutAsking(QStringLiteral("the desktop session ends"));
                         });
#endif

        mainForm.show();
        application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString::fromLatin1(ProgramName),
                              QString::fromLocal8Bit(error.what()));
    }
    return 0;
}
