// A text console screen buffer held in memory: cells of one byte and one colour attribute,
// a cursor and the attribute that writes use.
#pragma once

#include <cerrno>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct ConsoleCell {
    std::uint8_t Character = ' ';
    std::uint8_t Attribute = 0x07;
    friend bool operator==(const ConsoleCell&, const ConsoleCell&) = default;
};

struct ConsolePosition {
    int Column = 0;
    int Row = 0;
    friend bool operator==(const ConsolePosition&, const ConsolePosition&) = default;
};

// A rectangle of cells, both corners included.
struct ConsoleRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

class ConsoleBuffer {
public:
    static constexpr std::uint8_t DefaultAttribute = 0x07;
    // The system error number a failed operation stands for: a position or rectangle
    // outside the buffer is an invalid argument.
    static constexpr int FailureErrorNumber = EINVAL;

    // A fresh buffer: blanks in grey on black, cursor at column 0 of row 0.
    ConsoleBuffer(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    ConsolePosition Cursor() const { return cursor_; }
    // Fails, leaving the cursor where it was, for a position outside the buffer.
    bool SetCursor(ConsolePosition position);

    std::uint8_t Attribute() const { return attribute_; }
    void SetAttribute(std::uint8_t attribute) { attribute_ = attribute; }

    // Writes at the cursor in the current attribute as a console with processed output
    // does: CR returns to column 0, LF starts the next row, BS steps back within the row,
    // TAB advances to the next multiple of eight, BEL writes nothing; every other byte is
    // stored as it is. After the last column the cursor wraps to the next row, and past the
    // last row the whole buffer scrolls up one row.
    void Write(std::string_view bytes);
    void Write(std::uint8_t byte);

    // Stores `count` copies of a character (or an attribute) from `start` on, row after row,
    // stopping at the end of the buffer. Fails for a start outside the buffer. Returns
    // the number of cells changed through `written` when given.
    bool FillCharacter(std::uint8_t character, int count, ConsolePosition start,
                       int* written = nullptr);
    bool FillAttribute(std::uint8_t attribute, int count, ConsolePosition start,
                       int* written = nullptr);

    // Moves the cells of `source` so that its top-left corner lands on `destination`. Only
    // cells inside `clip` change: the moved cells, and the cells of `source` that the move
    // uncovers, which get `fill`. Fails when `source` or `clip` lies outside the buffer.
    bool Scroll(ConsoleRect source, ConsoleRect clip, ConsolePosition destination,
                ConsoleCell fill);

    const ConsoleCell& At(int column, int row) const;
    // All cells of one row, left to right.
    std::span<const ConsoleCell> RowCells(int row) const;
    // The characters of one row from `column` on, `count` of them (to the row's end when
    // negative), for reading the screen back.
    std::string RowText(int row, int column = 0, int count = -1) const;

private:
    ConsoleCell& CellAt(int column, int row) { return cells_[Index(column, row)]; }
    std::size_t Index(int column, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(column);
    }
    bool Contains(ConsolePosition position) const;
    // What FillCharacter and FillAttribute do, on one field of the cells.
    bool Fill(std::uint8_t ConsoleCell::*field, std::uint8_t value, int count,
              ConsolePosition start, int* written);
    void NextRow();
    void ScrollWholeBufferUp();

    int width_;
    int height_;
    std::vector<ConsoleCell> cells_;
    ConsolePosition cursor_;
    std::uint8_t attribute_ = DefaultAttribute;
};
