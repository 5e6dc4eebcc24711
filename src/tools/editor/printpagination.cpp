// Where the tools editor puts each printed line.
#include "tools/editor/printpagination.h"

#include <cassert>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double PointsPerInch = 72.0;
constexpr double LineSpacing = 1.4;
// A page too short for its header and footer still takes one line, so that printing always
// moves on to new pages instead of writing past the bottom of the first.
constexpr int MinimumLastSlot = PrintPagination::FirstSlot + 1;

} // namespace

int PrintPagination::LineHeight(double pointSize, int dotsPerInchY) {
    const long fontHeight = std::labs(std::lround(pointSize * dotsPerInchY / PointsPerInch));
    return static_cast<int>(static_cast<double>(fontHeight) * LineSpacing);
}

PrintPagination::PrintPagination(int pageHeight, int lineHeight) : lineHeight_(lineHeight) {
    assert(lineHeight > 0 && "a printed line needs a height");
    lastSlot_ = pageHeight / lineHeight - FooterSlots;
    if (lastSlot_ < MinimumLastSlot)
        lastSlot_ = MinimumLastSlot;
}

int PrintPagination::PageCount(std::size_t lines) const {
    const std::size_t first = static_cast<std::size_t>(FirstPageLines());
    if (lines <= first)
        return 1;
    const std::size_t later = static_cast<std::size_t>(LaterPageLines());
    return 1 + static_cast<int>((lines - first + later - 1) / later);
}

bool PrintPagination::Advance(int& slot) const {
    if (slot == lastSlot_) {
        slot = FirstSlot;
        return true;
    }
    ++slot;
    return false;
}
