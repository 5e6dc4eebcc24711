// The main window.
#include "app/mainform.h"

#include "profile/programidentity.h"

TMainForm::TMainForm(Prompts& prompts, QWidget* parent) : QMainWindow(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(ProgramName));
    resize(544, 189);
}

TMainForm::~TMainForm() = default;
