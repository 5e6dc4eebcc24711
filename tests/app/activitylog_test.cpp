// The activity log: lines appended in order, shown in the panel, stamped with date and time.
#include "app/activitylog.h"

#include <QPlainTextEdit>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(ActivityLog, AppendsLinesInOrderToTheListAndThePanel) {
    QPlainTextEdit view;
    view.setPlainText(QStringLiteral("placeholder"));
    ActivityLog log(view);
    log.Clear();
    EXPECT_TRUE(view.toPlainText().isEmpty());

    log.AppendLine(QStringLiteral("first"));
    log.AppendLine(QStringLiteral("second\twith a tab"));
    log.AppendLine(QString());
    EXPECT_EQ(log.Lines(), QStringList({QStringLiteral("first"),
                                        QStringLiteral("second\twith a tab"), QString()}));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("first\nsecond\twith a tab\n"));
}

TEST(ActivityLog, StampedLineIsThePrefixFollowedByDateAndTime) {
    QPlainTextEdit view;
    ActivityLog log(view);
    log.AppendStamped(QStringLiteral("Started at "));
    ASSERT_EQ(log.Lines().size(), 1);
    const QString line = log.Lines().constFirst();
    // A date, one blank, then a time with seconds (the long time format).
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Started at \\S.*\\d \\d{1,2}:\\d\\d:\\d\\d"))
                    .match(line)
                    .hasMatch())
        << line.toStdString();
    EXPECT_FALSE(line.startsWith(QStringLiteral("Started at  ")));
}

} // namespace
