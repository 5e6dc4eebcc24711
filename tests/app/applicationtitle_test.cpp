// The application's title: the program's name, with captions left as each window gives them.
#include "app/applicationtitle.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

TEST(ApplicationTitle, IsTheProgramNameAndAddsNothingToCaptions) {
    const QString previous = QCoreApplication::applicationName();
    SetApplicationTitle();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("RIVAN"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("RIVAN"));

    // A display name of its own would be appended to every caption that does not end in it
    // ("RIVAN error" would become "RIVAN error - RIVAN"); without one it follows the name.
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
    QCoreApplication::setApplicationName(previous);
}
