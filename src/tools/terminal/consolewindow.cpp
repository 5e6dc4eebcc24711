// The console window: draws the active screen buffer and turns keys into input events.
#include "tools/terminal/consolewindow.h"

#include "tools/terminal/cp437.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace {
constexpr int FontPixelSize = 16;
constexpr quint32 X11AltLeft = 0xFFE9;
constexpr quint32 X11AltRight = 0xFFEA;
constexpr quint32 WindowsRightMenuKey = 0xA5;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr std::uint8_t Backspace = 0x08;
constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t Escape = 0x1B;
constexpr std::uint8_t ControlMask = 0x1F;

// The classic console palette, indexed by the four colour bits of an attribute.
constexpr std::array<QRgb, 16> Palette = {
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
};

struct LineGraphic {
    std::uint8_t Byte;
    bool Up, Down, Left, Right;
    bool Double;
};
constexpr LineGraphic LineGraphics[] = {
    {0xB3, true, true, false, false, false}, {0xB4, true, true, true, false, false},
    {0xBF, false, true, true, false, false}, {0xC0, true, false, false, true, false},
    {0xC1, true, false, true, true, false},  {0xC2, false, true, true, true, false},
    {0xC3, true, true, false, true, false},  {0xC4, false, false, true, true, false},
    {0xC5, true, true, true, true, false},   {0xD9, true, false, true, false, false},
    {0xDA, false, true, false, true, false}, {0xB9, true, true, true, false, true},
    {0xBA, true, true, false, false, true},  {0xBB, false, true, true, false, true},
    {0xBC, true, false, true, false, true},  {0xC8, true, false, false, true, true},
    {0xC9, false, true, false, true, true},  {0xCA, true, false, true, true, true},
    {0xCB, false, true, true, true, true},   {0xCC, true, true, false, true, true},
    {0xCD, false, false, true, true, true},  {0xCE, true, true, true, true, true},
};

constexpr std::uint8_t FullBlock = 0xDB;
constexpr std::uint8_t LowerHalfBlock = 0xDC;
constexpr std::uint8_t LeftHalfBlock = 0xDD;
constexpr std::uint8_t RightHalfBlock = 0xDE;
constexpr std::uint8_t UpperHalfBlock = 0xDF;

// The character a key gives when the system supplied no text for it (keys held with Alt
// or Control, and the editing keys).
std::uint8_t CharacterForKey(const QKeyEvent& event) {
    const int key = event.key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return CarriageReturn;
    case Qt::Key_Backspace:
        return Backspace;
    case Qt::Key_Tab:
        return Tab;
    case Qt::Key_Escape:
        return Escape;
    default:
        break;
    }
    const bool shift = event.modifiers().testFlag(Qt::ShiftModifier);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const auto letter = static_cast<std::uint8_t>('A' + (key - Qt::Key_A));
        if (event.modifiers().testFlag(Qt::ControlModifier))
            return letter & ControlMask;
        return shift ? letter : static_cast<std::uint8_t>(letter + ('a' - 'A'));
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint8_t>('0' + (key - Qt::Key_0));
    return 0;
}
} // namespace

ConsoleWindow::ConsoleWindow(Console& console, QWidget* parent)
    : QWidget(parent, Qt::Window), console_(console) {
    setObjectName(QStringLiteral("ConsoleWindow"));
    setWindowTitle(QString::fromLatin1(Title));
    setWindowModality(Qt::ApplicationModal);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    font_ = QFont(QStringLiteral("DejaVu Sans Mono"));
    font_.setStyleHint(QFont::Monospace);
    font_.setFixedPitch(true);
    font_.setPixelSize(FontPixelSize);
    const QFontMetrics metrics(font_);
    cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    cellHeight_ = std::max(1, metrics.height());
    ascent_ = metrics.ascent();
    setFixedSize(sizeHint());
}

QSize ConsoleWindow::sizeHint() const {
    const ConsoleBuffer& buffer = console_.ActiveBuffer();
    return {buffer.Width() * cellWidth_, buffer.Height() * cellHeight_};
}

QColor ConsoleWindow::ConsoleColour(int index) {
    return QColor(Palette[static_cast<std::size_t>(index & 0x0F)]);
}

bool ConsoleWindow::DrawGraphic(QPainter& painter, const QRect& rect, std::uint8_t character,
                                const QColor& colour) {
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.right();
    const int bottom = rect.bottom();
    const int halfWidth = rect.width() / 2;
    const int halfHeight = rect.height() / 2;

    switch (character) {
    case FullBlock:
        painter.fillRect(rect, colour);
        return true;
    case LowerHalfBlock:
        painter.fillRect(QRect(left, top + halfHeight, rect.width(), rect.height() - halfHeight),
                         colour);
        return true;
    case LeftHalfBlock:
        painter.fillRect(QRect(left, top, halfWidth, rect.height()), colour);
        return true;
    case RightHalfBlock:
        painter.fillRect(QRect(left + halfWidth, top, rect.width() - halfWidth, rect.height()),
                         colour);
        return true;
    case UpperHalfBlock:
        painter.fillRect(QRect(left, top, rect.width(), halfHeight), colour);
        return true;
    default:
        break;
    }

    const auto graphic =
        std::find_if(std::begin(LineGraphics), std::end(LineGraphics),
                     [character](const LineGraphic& line) { return line.Byte == character; });
    if (graphic == std::end(LineGraphics))
        return false;

    const int thickness = std::max(1, rect.height() / 16);
    const auto horizontal = [&](int from, int to, int y) {
        painter.fillRect(QRect(from, y, to - from + 1, thickness), colour);
    };
    const auto vertical = [&](int from, int to, int x) {
        painter.fillRect(QRect(x, from, thickness, to - from + 1), colour);
    };
    const int cx = left + halfWidth;
    const int cy = top + halfHeight;

    if (!graphic->Double) {
        if (graphic->Left)
            horizontal(left, cx, cy);
        if (graphic->Right)
            horizontal(cx, right, cy);
        if (graphic->Up)
            vertical(top, cy, cx);
        if (graphic->Down)
            vertical(cy, bottom, cx);
        return true;
    }

    // Two parallel lines per arm; where arms meet, the outer lines turn the corner and
    // the inner lines stop at each other.
    const int gap = std::max(thickness + 1, rect.width() / 5);
    if (graphic->Left) {
        horizontal(left, graphic->Up ? cx - gap : cx + gap, cy - gap);
        horizontal(left, graphic->Down ? cx - gap : cx + gap, cy + gap);
    }
    if (graphic->Right) {
        horizontal(graphic->Up ? cx + gap : cx - gap, right, cy - gap);
        horizontal(graphic->Down ? cx + gap : cx - gap, right, cy + gap);
    }
    if (graphic->Up) {
        vertical(top, graphic->Left ? cy - gap : cy + gap, cx - gap);
        vertical(top, graphic->Right ? cy - gap : cy + gap, cx + gap);
    }
    if (graphic->Down) {
        vertical(graphic->Left ? cy + gap : cy - gap, bottom, cx - gap);
        vertical(graphic->Right ? cy + gap : cy - gap, bottom, cx + gap);
    }
    return true;
}

void ConsoleWindow::DrawCell(QPainter& painter, int column, int row, const ConsoleCell& cell) {
    const QRect rect(column * cellWidth_, row * cellHeight_, cellWidth_, cellHeight_);
    const QColor foreground = ConsoleColour(cell.Attribute & 0x0F);
    painter.fillRect(rect, ConsoleColour(cell.Attribute >> 4));
    if (cell.Character == ' ' || cell.Character == 0)
        return;
    if (DrawGraphic(painter, rect, cell.Character, foreground))
        return;
    painter.setPen(foreground);
    painter.drawText(QPoint(rect.left(), rect.top() + ascent_),
                     QString(QChar(static_cast<char16_t>(Cp437ToUnicode(cell.Character)))));
}

void ConsoleWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font_);
    painter.fillRect(rect(), Qt::black);
    const ConsoleBuffer& buffer = console_.ActiveBuffer();
    for (int row = 0; row < buffer.Height(); ++row)
        for (int column = 0; column < buffer.Width(); ++column)
            DrawCell(painter, column, row, buffer.At(column, row));

    // The cursor: the lower quarter of its cell, in the cell's text colour.
    const ConsolePosition cursor = buffer.Cursor();
    const ConsoleCell& under = buffer.At(cursor.Column, cursor.Row);
    QColor colour = ConsoleColour(under.Attribute & 0x0F);
    if (colour == ConsoleColour(under.Attribute >> 4))
        colour = ConsoleColour(ConsoleBuffer::DefaultAttribute);
    const int height = std::max(2, cellHeight_ / 4);
    painter.fillRect(QRect(cursor.Column * cellWidth_, (cursor.Row + 1) * cellHeight_ - height,
                           cellWidth_, height),
                     colour);
}

ConsoleInputEvent ConsoleWindow::InputEventFor(const QKeyEvent& event, bool rightAltHeld) {
    ConsoleInputEvent input;
    input.Type = event.type() == QEvent::KeyPress ? ConsoleInputEvent::Kind::KeyDown
                                                  : ConsoleInputEvent::Kind::KeyUp;
    if (event.modifiers().testFlag(Qt::AltModifier)) {
        input.RightAlt = rightAltHeld;
        input.LeftAlt = !rightAltHeld;
    }
    const QString text = event.text();
    if (text.size() == 1 && !(input.AltHeld() && text.at(0).unicode() < 0x20)) {
        if (const auto byte = UnicodeToCp437(text.at(0).unicode()))
            input.Character = *byte;
        return input;
    }
    input.Character = CharacterForKey(event);
    return input;
}

void ConsoleWindow::TrackAltKey(const QKeyEvent& event, bool pressed) {
    if (event.key() != Qt::Key_Alt)
        return;
    const quint32 key = event.nativeVirtualKey();
    if (key == X11AltRight || key == WindowsRightMenuKey) {
        rightAltHeld_ = pressed;
        return;
    }
    if (key == X11AltLeft || !pressed)
        rightAltHeld_ = false;
}

void ConsoleWindow::keyPressEvent(QKeyEvent* event) {
    TrackAltKey(*event, true);
    console_.PostInput(InputEventFor(*event, rightAltHeld_));
    emit InputPosted();
}

void ConsoleWindow::keyReleaseEvent(QKeyEvent* event) {
    TrackAltKey(*event, false);
    console_.PostInput(InputEventFor(*event, rightAltHeld_));
    emit InputPosted();
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    // The window closes when the terminal run ends; the user's close ends the run.
    event->ignore();
    emit CloseRequested();
}

bool ConsoleWindow::focusNextPrevChild(bool) {
    // Tab is a character for the line, not a focus move.
    return false;
}
