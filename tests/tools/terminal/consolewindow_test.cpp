// Tests of the console window: keys become console input events, and the active buffer
// is drawn in the console colours with the frame lines and the cursor.
#include "tools/terminal/console.h"
#include "tools/terminal/consolewindow.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

ConsoleInputEvent Press(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                        bool rightAltHeld = false) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    return ConsoleWindow::InputEventFor(event, rightAltHeld);
}

TEST(ConsoleWindowKeys, KeysBecomeTheCharactersTheConsoleWouldRead) {
    struct Case {
        const char* Name;
        int Key;
        Qt::KeyboardModifiers Modifiers;
        QString Text;
        std::uint8_t Character;
    };
    const Case cases[] = {
        {"a letter", Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), 'a'},
        {"a shifted letter", Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"), 'A'},
        {"Enter gives CR", Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), 0x0D},
        {"keypad Enter without text gives CR", Qt::Key_Enter, Qt::KeypadModifier, QString(), 0x0D},
        {"Ctrl+C gives ETX", Qt::Key_C, Qt::ControlModifier, QString(), 0x03},
        {"Ctrl+C with its control text", Qt::Key_C, Qt::ControlModifier, QString(QChar(0x03)),
         0x03},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, QString(), 0x1B},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, QString(), 0x08},
        {"e acute in the code page", Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)), 0x82},
        {"euro sign, not in the code page", Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)),
         0},
        {"an arrow key has no character", Qt::Key_Left, Qt::NoModifier, QString(), 0},
        {"a function key has no character", Qt::Key_F1, Qt::NoModifier, QString(), 0},
    };
    for (const Case& test : cases) {
        const ConsoleInputEvent event = Press(test.Key, test.Modifiers, test.Text);
        EXPECT_EQ(event.Type, ConsoleInputEvent::Kind::KeyDown) << test.Name;
        EXPECT_EQ(event.Character, test.Character) << test.Name;
        EXPECT_FALSE(event.AltHeld()) << test.Name;
    }
}

TEST(ConsoleWindowKeys, AltKeysCarryTheirCharacterAndWhichAltIsHeld) {
    const ConsoleInputEvent left = Press(Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
    EXPECT_TRUE(left.LeftAlt);
    EXPECT_FALSE(left.RightAlt);
    EXPECT_EQ(left.Character, 'q');

    const ConsoleInputEvent right = Press(Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"), true);
    EXPECT_TRUE(right.RightAlt);
    EXPECT_FALSE(right.LeftAlt);

    // Some systems give no text for Alt combinations: the key decides.
    EXPECT_EQ(Press(Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier, QString()).Character, 'Q');
    EXPECT_EQ(Press(Qt::Key_X, Qt::AltModifier, QString()).Character, 'x');
    EXPECT_EQ(Press(Qt::Key_3, Qt::AltModifier, QString()).Character, '3');
}

TEST(ConsoleWindowKeys, ReleasesAreKeyUpEvents) {
    const QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_EQ(ConsoleWindow::InputEventFor(release, false).Type, ConsoleInputEvent::Kind::KeyUp);
}

TEST(ConsoleWindow, KeyPressesAreQueuedAsConsoleInputTellingTheRightAltApart) {
    Console console;
    ConsoleWindow window(console);
    int posted = 0;
    QObject::connect(&window, &ConsoleWindow::InputPosted, [&] { ++posted; });

    constexpr quint32 rightAltKeySym = 0xFFEA;
    QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, 108, rightAltKeySym, 0);
    QApplication::sendEvent(&window, &altDown);
    QKeyEvent q(QEvent::KeyPress, Qt::Key_Q, Qt::AltModifier, 24, 'q', 0, QStringLiteral("q"));
    QApplication::sendEvent(&window, &q);
    QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier, 108, rightAltKeySym, 0);
    QApplication::sendEvent(&window, &altUp);

    EXPECT_EQ(posted, 3);
    ASSERT_TRUE(console.InputPending());
    EXPECT_EQ(console.PeekInput()->Character, 0); // the Alt key itself
    console.RemoveInput();
    ASSERT_NE(console.PeekInput(), nullptr);
    EXPECT_EQ(console.PeekInput()->Type, ConsoleInputEvent::Kind::KeyDown);
    EXPECT_EQ(console.PeekInput()->Character, 'q');
    EXPECT_TRUE(console.PeekInput()->RightAlt);
    console.RemoveInput();
    EXPECT_EQ(console.PeekInput()->Type, ConsoleInputEvent::Kind::KeyUp);
}

TEST(ConsoleWindow, ClosingTheWindowAsksTheOwnerInsteadOfClosing) {
    Console console;
    ConsoleWindow window(console);
    window.show();
    int closeRequested = 0;
    QObject::connect(&window, &ConsoleWindow::CloseRequested, [&] { ++closeRequested; });
    window.close();
    EXPECT_EQ(closeRequested, 1);
    EXPECT_TRUE(window.isVisible());
}

TEST(ConsoleWindow, IsApplicationModalAndSizedForTheWholeBuffer) {
    Console console;
    ConsoleWindow window(console);
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(window.width(), 80 * window.CellSize().width());
    EXPECT_EQ(window.height(), 25 * window.CellSize().height());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tools Terminal"));
}

TEST(ConsoleWindow, PaletteIsTheSixteenConsoleColours) {
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0x0), QColor(0, 0, 0));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0x1), QColor(0, 0, 128));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0x2), QColor(0, 128, 0));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0x3), QColor(0, 128, 128));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0x7), QColor(192, 192, 192));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0xA), QColor(0, 255, 0));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0xB), QColor(0, 255, 255));
    EXPECT_EQ(ConsoleWindow::ConsoleColour(0xF), QColor(255, 255, 255));
}

int CountPixels(const QImage& image, const QRect& cell, const QColor& colour) {
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++count;
    return count;
}

TEST(ConsoleWindow, DrawsCellsInTheirColoursWithJoinedFrameLinesAndTheCursor) {
    Console console;
    ConsoleBuffer& buffer = console.StandardOutput();
    buffer.SetAttribute(0x1F);
    buffer.Write("A");
    buffer.SetAttribute(0x0F);
    buffer.Write("\xCD\xCD");
    buffer.SetCursor({5, 3});
    ConsoleWindow window(console);
    const QImage image = window.grab().toImage();
    const QSize cell = window.CellSize();
    const auto cellRect = [&](int column, int row) {
        return QRect(column * cell.width(), row * cell.height(), cell.width(), cell.height());
    };

    // Blue background and white letter in the first cell.
    EXPECT_EQ(image.pixelColor(cellRect(0, 0).topLeft()), QColor(0, 0, 128));
    EXPECT_GT(CountPixels(image, cellRect(0, 0), QColor(255, 255, 255)), 0);
    // The double horizontal line reaches both edges of its cell, so neighbours join.
    const QRect line = cellRect(1, 0);
    int rowsAtLeftEdge = 0;
    int rowsAtRightEdge = 0;
    for (int y = line.top(); y <= line.bottom(); ++y) {
        rowsAtLeftEdge += image.pixelColor(line.left(), y) == QColor(255, 255, 255);
        rowsAtRightEdge += image.pixelColor(line.right(), y) == QColor(255, 255, 255);
    }
    EXPECT_EQ(rowsAtLeftEdge, 2);
    EXPECT_EQ(rowsAtRightEdge, 2);
    // The cursor: grey in the lower part of its black cell, nothing in the upper part.
    const QRect cursor = cellRect(5, 3);
    EXPECT_EQ(image.pixelColor(cursor.left() + 1, cursor.bottom()), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(cursor.left() + 1, cursor.top()), QColor(0, 0, 0));
    EXPECT_EQ(CountPixels(image, cellRect(6, 3), QColor(192, 192, 192)), 0);
}

TEST(ConsoleWindow, DrawsTheActiveBuffer) {
    Console console;
    ConsoleBuffer& other = console.CreateScreenBuffer();
    other.FillAttribute(0x40, 1, {0, 0});
    ConsoleWindow window(console);
    EXPECT_EQ(window.grab().toImage().pixelColor(0, 0), QColor(0, 0, 0));
    console.SetActiveBuffer(other);
    EXPECT_EQ(window.grab().toImage().pixelColor(0, 0), QColor(128, 0, 0));
}

} // namespace
