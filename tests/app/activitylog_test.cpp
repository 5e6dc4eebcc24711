// The activity log: lines appended in order, shown in the panel, stamped with date and time.
#include "app/activitylog.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextDocument>

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

// Lines appended while the panel is held reach it, once released, exactly as lines appended
// one by one do.
struct HeldBurst {
    const char* Name;
    QStringList Lines;
    QString Panel; // what the panel shows, as appended one line at a time
};

void PrintTo(const HeldBurst& burst, std::ostream* out) {
    *out << burst.Name;
}

class ActivityLogHeld : public ::testing::TestWithParam<HeldBurst> {};

TEST_P(ActivityLogHeld, ReleasedPanelShowsTheLinesAsAppendedOneByOne) {
    const HeldBurst& burst = GetParam();
    QPlainTextEdit oneByOne;
    ActivityLog unheld(oneByOne);
    for (const QString& line : burst.Lines)
        unheld.AppendLine(line);

    QPlainTextEdit view;
    ActivityLog log(view);
    log.HoldPanel();
    log.HoldPanel(); // holds nest: a receive runs detection inside its own conversation
    for (const QString& line : burst.Lines)
        log.AppendLine(line);
    EXPECT_EQ(log.Lines(), burst.Lines); // the list has every line at once
    log.ReleasePanel();
    log.ReleasePanel();

    EXPECT_EQ(view.toPlainText(), burst.Panel);
    EXPECT_EQ(oneByOne.toPlainText(), burst.Panel);
    EXPECT_EQ(view.document()->blockCount(), oneByOne.document()->blockCount());

    // Released, a line shows at once again.
    log.AppendLine(QStringLiteral("after"));
    EXPECT_TRUE(view.toPlainText().endsWith(QStringLiteral("after")));
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, ActivityLogHeld,
    ::testing::Values(
        HeldBurst{"ReplyLines",
                  {"loading configuration data...", "I221C001600E803000010270000",
                   "received data from remote equipment"},
                  "loading configuration data...\nI221C001600E803000010270000\n"
                  "received data from remote equipment"},
        HeldBurst{"EmptyLinesIntoAnEmptyPanel", {"", "", "first", "", "last"}, "first\n\nlast"},
        HeldBurst{"TabsStay", {"a\tb", "\tc"}, "a\tb\n\tc"},
        HeldBurst{
            "TrailingCrDoesNotJoinTheNextLine", {"a\r", "b", "c\r", "\nd"}, "a\n\nb\nc\n\n\nd"},
        HeldBurst{"LineBreakInsideALine", {"one\ntwo", "three"}, "one\ntwo\nthree"}),
    [](const ::testing::TestParamInfo<HeldBurst>& info) { return std::string(info.param.Name); });

TEST(ActivityLog, HeldPanelTakesItsLinesWhenTheWindowHandlesEvents) {
    QPlainTextEdit view;
    ActivityLog log(view);
    log.HoldPanel();
    // The panel has not taken a line yet, so there is no lag to wait for: the next pass of
    // the event loop shows the lines, while the conversation still holds the panel.
    log.AppendLine(QStringLiteral("first"));
    log.AppendLine(QStringLiteral("second"));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.toPlainText(), QStringLiteral("first\nsecond"));
    log.ReleasePanel();
    EXPECT_EQ(view.toPlainText(), QStringLiteral("first\nsecond"));
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
