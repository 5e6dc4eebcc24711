// The models of the unit's family, as detection compares the names units answer with.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The models of the family, in the order names are compared; a unit must answer one of
// these names exactly.
inline constexpr std::array<std::string_view, 14> ModelTable = {
    "KALDORN-1", "KALDORN-1B", "KALDORN-1+", "KALDORN-3", "KALDORN-3S", "KALDORN-3+", "KALDORN-3C+",
    "KALDORN-7", "MEVRAL-1",   "MEVRAL-1+",  "QX-427",    "LUMESCOPE",  "PELCAN",     "RIVAN"};
// The row a name outside the table gets; it is never stored.
inline constexpr std::uint32_t UnknownModelRow = ModelTable.size();

// The row of `name` in the model table, or UnknownModelRow.
constexpr std::uint32_t FindModelRow(std::string_view name) {
    for (std::uint32_t row = 0; row < ModelTable.size(); ++row)
        if (ModelTable[row] == name)
            return row;
    return UnknownModelRow;
}

// The unit this program is named after: the one model with a remote control monitor.
inline constexpr std::uint32_t RivanModelRow = FindModelRow("RIVAN");
static_assert(RivanModelRow != UnknownModelRow, "the model table holds the RIVAN");
