// Placeholder for the about box.
#include "tools/aboutbox.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("AboutBox")); }
