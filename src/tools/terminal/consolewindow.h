// A window that shows a console's active screen buffer in code page 437 glyphs and the
// sixteen console colours, and turns key presses into the console's input events.
#pragma once

#include "tools/terminal/console.h"

#include <QColor>
#include <QFont>
#include <QWidget>

class QKeyEvent;
class QPainter;

class ConsoleWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* Title = "Tools Terminal";

    explicit ConsoleWindow(Console& console, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize CellSize() const { return {cellWidth_, cellHeight_}; }

    // The colour of a console colour index 0 to 15 (the low or high half of an attribute).
    static QColor ConsoleColour(int index);
    // The input event for a key press or release, with the right Alt key known to be held
    // or not; pure, so that the keyboard mapping can be checked on its own.
    static ConsoleInputEvent InputEventFor(const QKeyEvent& event, bool rightAltHeld);

signals:
    // An input event was added to the console's queue.
    void InputPosted();
    // The user asked to close the window.
    void CloseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void TrackAltKey(const QKeyEvent& event, bool pressed);
    void DrawCell(QPainter& painter, int column, int row, const ConsoleCell& cell);
    // Draws the single and double line frame characters and block elements with lines
    // and rectangles, so that they join from cell to cell; false for other bytes.
    bool DrawGraphic(QPainter& painter, const QRect& rect, std::uint8_t character,
                     const QColor& colour);

    Console& console_;
    QFont font_;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    int ascent_ = 0;
    bool rightAltHeld_ = false;
};
