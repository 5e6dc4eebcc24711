// Tests of the about box: its built-in texts, and the version resource's strings in their
// place where it has them.
#include "memoryversionblocksource.h"
#include "tools/about/aboutbox.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QString Comment = QStringLiteral("Remote control and configuration for RIVAN. This program "
                                       "is intended for service use only.");
const QString Copyright = QStringLiteral("Copyright (c) 2026 Qelvar Instruments");
const std::string Strings = "\\StringFileInfo\\040904e4\\";

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::setApplicationDisplayName(QStringLiteral("RIVAN")); }

    // Shows the box once, as the Help command does, and closes it.
    void ShowOnce(TAboutBox& box) {
        box.show();
        box.OKButton()->click();
    }
};

TEST_F(AboutBoxTest, WithoutVersionResourceShowsTheBuiltInTexts) {
    NoVersionBlockSource source;
    TAboutBox box(source);
    ShowOnce(box);

    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.ProductName()->text(), "RIVAN");
    EXPECT_EQ(box.Version()->text(), "Version 2.00 - b00");
    EXPECT_EQ(box.Copyright()->text(), Copyright);
    EXPECT_EQ(box.Comments()->text(), Comment);
    EXPECT_TRUE(box.Comments()->wordWrap());
    EXPECT_EQ(box.OKButton()->text(), "OK");
    EXPECT_TRUE(box.OKButton()->isDefault());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, LooksAndSizes) {
    NoVersionBlockSource source;
    TAboutBox box(source);
    EXPECT_EQ(box.size(), QSize(298, 218));
    EXPECT_TRUE(box.ProductName()->font().bold());
    EXPECT_EQ(box.ProductName()->font().pixelSize(), 19);
    EXPECT_EQ(box.ProductName()->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_TRUE(box.Copyright()->font().bold());
    EXPECT_EQ(box.Copyright()->font().pixelSize(), 12);
    const QLabel* picture = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(110, 97));
    const QImage image = picture->pixmap().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 128)); // the picture's navy sky
    EXPECT_NE(box.findChild<QFrame*>(QStringLiteral("Panel1")), nullptr);
}

TEST_F(AboutBoxTest, StandsInTheMiddleOfTheScreenEvenOverAnOffCentreOwner) {
    QWidget owner;
    owner.setGeometry(10, 10, 300, 200);
    owner.show();
    NoVersionBlockSource source;
    TAboutBox box(source, &owner);
    box.show();
    const QPoint screenMiddle = box.screen()->availableGeometry().center();
    const QPoint boxMiddle = box.frameGeometry().center();
    EXPECT_LE((boxMiddle - screenMiddle).manhattanLength(), 2)
        << boxMiddle.x() << "," << boxMiddle.y();
    box.OKButton()->click();
}

TEST_F(AboutBoxTest, OnlyProductVersionChangesOnlyTheVersionLabel) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0409, 0x04E4);
    source.AddString(Strings + "ProductVersion", "1.0.7.1");
    TAboutBox box(source);
    ShowOnce(box);

    EXPECT_EQ(box.Version()->text(), "1.0.7.1");
    EXPECT_EQ(box.ProductName()->text(), "RIVAN");
    EXPECT_EQ(box.Copyright()->text(), Copyright);
    EXPECT_EQ(source.FileNames, std::vector<std::string>{"RIVAN"});
}

TEST_F(AboutBoxTest, AllThreeStringsReplaceTheBuiltInTexts) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0409, 0x04E4);
    source.AddString(Strings + "ProductName", "RIVAN control");
    source.AddString(Strings + "ProductVersion", "1.0.7.1");
    source.AddString(Strings + "LegalCopyright", "(c) Qelvar");
    TAboutBox box(source);
    ShowOnce(box);

    EXPECT_EQ(box.ProductName()->text(), "RIVAN control");
    EXPECT_EQ(box.Version()->text(), "1.0.7.1");
    EXPECT_EQ(box.Copyright()->text(), "(c) Qelvar");
    EXPECT_EQ(box.Comments()->text(), Comment);
}

TEST_F(AboutBoxTest, WithoutTranslationTableNothingChanges) {
    MemoryVersionBlockSource source;
    source.AddString(Strings + "ProductName", "RIVAN control");
    source.AddString(Strings + "ProductVersion", "1.0.7.1");
    source.AddString(Strings + "LegalCopyright", "(c) Qelvar");
    TAboutBox box(source);
    ShowOnce(box);

    EXPECT_EQ(box.ProductName()->text(), "RIVAN");
    EXPECT_EQ(box.Version()->text(), "Version 2.00 - b00");
    EXPECT_EQ(box.Copyright()->text(), Copyright);
}

TEST_F(AboutBoxTest, EveryShowingAsksAgainAndReplacedTextsStayReplaced) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0409, 0x04E4);
    source.AddString(Strings + "ProductVersion", "1.0.7.1");
    TAboutBox box(source);
    ShowOnce(box);
    source.FailRead = true; // the next showing finds nothing
    ShowOnce(box);

    EXPECT_EQ(source.FileNames.size(), 2u);
    EXPECT_EQ(box.Version()->text(), "1.0.7.1");
}

} // namespace
