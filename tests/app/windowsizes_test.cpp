// Every window of the program fits a 1024 x 768 screen with room for its frame.
#include "mainformfixture.h"

#include "dialogs/backupsdlg.h"
#include "dialogs/cfgeditordlg.h"
#include "dialogs/comparedlg.h"
#include "dialogs/detpointsdlg.h"
#include "dialogs/messeditdlg.h"
#include "dialogs/monitordlg.h"
#include "dialogs/passworddlg.h"
#include "tools/about/aboutbox.h"
#include "tools/about/versionblocksource.h"
#include "tools/editor/finddlg.h"
#include "tools/editor/scratchpad.h"
#include "tools/terminal/console.h"
#include "tools/terminal/consolewindow.h"

#include <QGroupBox>
#include <QLayout>

#include <memory>

namespace {

// A 1024 x 768 screen, less a frame of 8 pixels on each side and a title bar of 30.
constexpr int MostWidth = 1024 - 2 * 8;
constexpr int MostHeight = 768 - 30 - 2 * 8;

// Makes the window to measure: the main window itself, or a window the main window owns, or
// one handed to `owned`.
using WindowMaker = QWidget* (*)(TMainForm& form, Prompts& prompts,
                                 std::unique_ptr<QWidget>& owned);

struct WindowCase {
    const char* Name;
    WindowMaker Make;
};

class WindowSizeTest : public MainFormTest, public ::testing::WithParamInterface<WindowCase> {
protected:
    std::unique_ptr<QWidget> owned;
};

TEST_P(WindowSizeTest, FitsA1024x768ScreenWithNothingClipped) {
    QWidget& window = *GetParam().Make(*form, prompts, owned);
    window.show();
    if (window.layout())
        window.layout()->activate();
    const QSize size = window.size();
    EXPECT_LE(size.width(), MostWidth) << size.width() << " x " << size.height();
    EXPECT_LE(size.height(), MostHeight) << size.width() << " x " << size.height();
    // Nothing of it is cut: the window is at least as large as its contents need.
    const QSize least = window.minimumSizeHint();
    EXPECT_GE(size.width(), least.width());
    EXPECT_GE(size.height(), least.height());
    window.hide();
}

template <typename Dialog>
QWidget* ProfileEditor(TMainForm& form, Prompts& prompts, std::unique_ptr<QWidget>&) {
    return new Dialog(
        form.GetProfile(), [] {}, prompts, &form);
}

// Every field of the written blocks differing, and a long list of backups: the largest the
// two windows get.
Prompts::Comparison EveryFieldDiffers() {
    Prompts::Comparison comparison{"Send and verify",
                                   "RIVAN on COM3: 34 settings differ.",
                                   "Document",
                                   {},
                                   "",
                                   "Send these changes to the unit?"};
    for (int row = 0; row < 34; ++row)
        comparison.Rows.append({QStringLiteral("point %1 power warning").arg(row % 6 + 1),
                                "-37 dBm", "1.0000000E-08"});
    return comparison;
}

QList<Prompts::BackupItem> ManyBackups() {
    QList<Prompts::BackupItem> backups;
    for (int day = 1; day <= 28; ++day)
        backups.append({QStringLiteral("/home/technician/.local/share/Qelvar/RIVAN/backups/"
                                       "KALDORN-3C+-COM8-202612%1-235959-2.PRO")
                            .arg(day, 2, 10, QLatin1Char('0')),
                        QStringLiteral("2026-12-%1  23:59:59").arg(day, 2, 10, QLatin1Char('0')),
                        "KALDORN-3C+", "COM8"});
    return backups;
}

NoVersionBlockSource noVersions;
Console console;

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowSizeTest,
    ::testing::Values(
        WindowCase{
            "MainWindow",
            [](TMainForm& form, Prompts&, std::unique_ptr<QWidget>&) -> QWidget* { return &form; }},
        WindowCase{"ConfigurationEditor", ProfileEditor<TCfgEditorDlg>},
        WindowCase{"DetectionPointsEditor", ProfileEditor<TDetPointsDlg>},
        WindowCase{"MessagesEditor", ProfileEditor<TMessEditDlg>},
        WindowCase{"PasswordBox",
                   [](TMainForm& form, Prompts& prompts, std::unique_ptr<QWidget>&) -> QWidget* {
                       auto* editor = new TMessEditDlg(
                           form.GetProfile(), [] {}, prompts, &form);
                       return new TPasswordDlg(*editor, editor);
                   }},
        WindowCase{"Monitor",
                   [](TMainForm& form, Prompts& prompts, std::unique_ptr<QWidget>&) -> QWidget* {
                       return new TMonitorDlg(prompts, &form);
                   }},
        WindowCase{"TerminalConsole",
                   [](TMainForm&, Prompts&, std::unique_ptr<QWidget>& owned) -> QWidget* {
                       owned = std::make_unique<ConsoleWindow>(console);
                       return owned.get();
                   }},
        WindowCase{"ToolsEditor",
                   [](TMainForm& form, Prompts& prompts, std::unique_ptr<QWidget>&) -> QWidget* {
                       return new TScratchPad(prompts, &form);
                   }},
        WindowCase{"FindBox",
                   [](TMainForm& form, Prompts&, std::unique_ptr<QWidget>&) -> QWidget* {
                       return new TFindDlg(&form);
                   }},
        WindowCase{"CompareWindow",
                   [](TMainForm& form, Prompts&, std::unique_ptr<QWidget>&) -> QWidget* {
                       auto* dialog = new TCompareDlg(EveryFieldDiffers(), &form);
                       dialog->adjustSize();
                       return dialog;
                   }},
        WindowCase{"BackupsList",
                   [](TMainForm& form, Prompts&, std::unique_ptr<QWidget>&) -> QWidget* {
                       auto* dialog =
                           new TBackupsDlg("/home/technician/.local/share/Qelvar/RIVAN/backups",
                                           ManyBackups(), &form);
                       dialog->adjustSize();
                       return dialog;
                   }},
        WindowCase{"AboutBox",
                   [](TMainForm& form, Prompts&, std::unique_ptr<QWidget>&) -> QWidget* {
                       return new TAboutBox(noVersions, &form);
                   }}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.Name); });

// The monitor keeps its six channel groups side by side.
TEST_F(MainFormTest, MonitorShowsItsSixChannelsSideBySide) {
    TMonitorDlg monitor(prompts, form.get());
    monitor.show();
    int previousRight = -1;
    for (int number = 1; number <= 6; ++number) {
        auto* group = monitor.findChild<QGroupBox*>(QStringLiteral("GroupBox%1").arg(number));
        ASSERT_NE(group, nullptr) << number;
        EXPECT_EQ(group->y(), monitor.findChild<QGroupBox*>(QStringLiteral("GroupBox1"))->y());
        EXPECT_GT(group->x(), previousRight) << number;
        previousRight = group->geometry().right();
    }
    EXPECT_LE(previousRight, monitor.width());
}

} // namespace
