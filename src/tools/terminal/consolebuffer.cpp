// The in-memory console screen buffer.
#include "tools/terminal/consolebuffer.h"

#include <algorithm>
#include <cassert>

namespace {
constexpr std::uint8_t Bell = 0x07;
constexpr std::uint8_t Backspace = 0x08;
constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr int TabWidth = 8;

bool Overlaps(const ConsoleRect& rect, int column, int row) {
    return column >= rect.Left && column <= rect.Right && row >= rect.Top && row <= rect.Bottom;
}
} // namespace

ConsoleBuffer::ConsoleBuffer(int width, int height)
    : width_(width), height_(height),
      cells_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    assert(width > 0 && height > 0 && "a console buffer has at least one cell");
}

bool ConsoleBuffer::Contains(ConsolePosition position) const {
    return position.Column >= 0 && position.Column < width_ && position.Row >= 0 &&
           position.Row < height_;
}

bool ConsoleBuffer::SetCursor(ConsolePosition position) {
    if (!Contains(position))
        return false;
    cursor_ = position;
    return true;
}

void ConsoleBuffer::ScrollWholeBufferUp() {
    std::copy(cells_.begin() + width_, cells_.end(), cells_.begin());
    std::fill(cells_.end() - width_, cells_.end(), ConsoleCell{' ', attribute_});
}

void ConsoleBuffer::NextRow() {
    cursor_.Column = 0;
    if (cursor_.Row + 1 < height_) {
        ++cursor_.Row;
        return;
    }
    ScrollWholeBufferUp();
}

void ConsoleBuffer::Write(std::uint8_t byte) {
    switch (byte) {
    case CarriageReturn:
        cursor_.Column = 0;
        return;
    case LineFeed:
        NextRow();
        return;
    case Backspace:
        if (cursor_.Column > 0)
            --cursor_.Column;
        return;
    case Tab:
        cursor_.Column = std::min(width_ - 1, (cursor_.Column / TabWidth + 1) * TabWidth);
        return;
    case Bell:
        return;
    default:
        break;
    }
    CellAt(cursor_.Column, cursor_.Row) = {byte, attribute_};
    if (++cursor_.Column == width_)
        NextRow();
}

void ConsoleBuffer::Write(std::string_view bytes) {
    for (char byte : bytes)
        Write(static_cast<std::uint8_t>(byte));
}

bool ConsoleBuffer::FillCharacter(std::uint8_t character, int count, ConsolePosition start,
                                  int* written) {
    return Fill(&ConsoleCell::Character, character, count, start, written);
}

bool ConsoleBuffer::FillAttribute(std::uint8_t attribute, int count, ConsolePosition start,
                                  int* written) {
    return Fill(&ConsoleCell::Attribute, attribute, count, start, written);
}

bool ConsoleBuffer::Fill(std::uint8_t ConsoleCell::*field, std::uint8_t value, int count,
                         ConsolePosition start, int* written) {
    if (!Contains(start) || count < 0)
        return false;
    const std::size_t first = Index(start.Column, start.Row);
    const std::size_t last = std::min(cells_.size(), first + static_cast<std::size_t>(count));
    for (std::size_t index = first; index < last; ++index)
        cells_[index].*field = value;
    if (written)
        *written = static_cast<int>(last - first);
    return true;
}

bool ConsoleBuffer::Scroll(ConsoleRect source, ConsoleRect clip, ConsolePosition destination,
                           ConsoleCell fill) {
    const ConsoleRect whole{0, 0, width_ - 1, height_ - 1};
    clip.Left = std::max(clip.Left, whole.Left);
    clip.Top = std::max(clip.Top, whole.Top);
    clip.Right = std::min(clip.Right, whole.Right);
    clip.Bottom = std::min(clip.Bottom, whole.Bottom);
    if (!Contains({source.Left, source.Top}) || !Contains({source.Right, source.Bottom}) ||
        source.Left > source.Right || source.Top > source.Bottom || clip.Left > clip.Right ||
        clip.Top > clip.Bottom)
        return false;

    const int columns = source.Right - source.Left + 1;
    const int rows = source.Bottom - source.Top + 1;
    std::vector<ConsoleCell> moved;
    moved.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int row = source.Top; row <= source.Bottom; ++row)
        for (int column = source.Left; column <= source.Right; ++column)
            moved.push_back(At(column, row));

    for (int row = source.Top; row <= source.Bottom; ++row)
        for (int column = source.Left; column <= source.Right; ++column)
            if (Overlaps(clip, column, row))
                CellAt(column, row) = fill;

    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int targetColumn = destination.Column + column;
            const int targetRow = destination.Row + row;
            if (Overlaps(clip, targetColumn, targetRow))
                CellAt(targetColumn, targetRow) =
                    moved[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                          static_cast<std::size_t>(column)];
        }
    }
    return true;
}

const ConsoleCell& ConsoleBuffer::At(int column, int row) const {
    assert(Contains({column, row}) && "cell outside the buffer");
    return cells_[Index(column, row)];
}

std::span<const ConsoleCell> ConsoleBuffer::RowCells(int row) const {
    assert(row >= 0 && row < height_ && "row outside the buffer");
    return std::span(cells_).subspan(Index(0, row), static_cast<std::size_t>(width_));
}

std::string ConsoleBuffer::RowText(int row, int column, int count) const {
    if (count < 0 || column + count > width_)
        count = width_ - column;
    std::string text;
    text.reserve(static_cast<std::size_t>(count));
    for (int offset = 0; offset < count; ++offset)
        text.push_back(static_cast<char>(At(column + offset, row).Character));
    return text;
}
