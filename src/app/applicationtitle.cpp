// The application's title, set once at start-up.
#include "app/applicationtitle.h"

#include "profile/programidentity.h"

#include <QCoreApplication>
#include <QString>

void SetApplicationTitle() {
    QCoreApplication::setApplicationName(QString::fromLatin1(ProgramName));
}
