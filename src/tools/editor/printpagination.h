// Where the tools editor puts each printed line: line height, line slots and page breaks,
// all in printer device units.
#pragma once

#include <cstddef>

class PrintPagination {
public:
    // Slot of the first line on a page; the first page's header takes slot 4, so its first
    // line goes to slot 5.
    static constexpr int FirstSlot = 4;
    // Slots left free below the last line for the footer.
    static constexpr int FooterSlots = 4;

    // The height of one printed line: the font's height in device units, rounded, times 1.4
    // and cut to a whole unit.
    static int LineHeight(double pointSize, int dotsPerInchY);

    // A page of `pageHeight` units printed with lines `lineHeight` units high.
    PrintPagination(int pageHeight, int lineHeight);

    int LineHeightUnits() const { return lineHeight_; }
    // The last slot a line may take on a page.
    int LastSlot() const { return lastSlot_; }
    int FirstPageLines() const { return lastSlot_ - FirstSlot; }
    int LaterPageLines() const { return lastSlot_ - FirstSlot + 1; }
    // Pages printed for a text of `lines` lines; an empty text still prints one page.
    int PageCount(std::size_t lines) const;

    // Moves `slot` on to the next line's slot. True when the page is full: the caller ends
    // the page and the line goes to FirstSlot of a new one.
    bool Advance(int& slot) const;

private:
    int lineHeight_;
    int lastSlot_;
};
