// Placeholder for the tools editor.
#include "tools/scratchpad.h"

TScratchPad::TScratchPad(Prompts&, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("ScratchPad"));
}
