// The main window's image list: one small picture per image index, drawn as SVG resources.
#pragma once

#include <QIcon>

namespace ImageList {

// The image indexes the actions and the detect button use.
enum Index {
    Exit = 0,
    New = 1,
    Open = 2,
    Save = 3,
    Points = 4,
    Configuration = 5,
    Messages = 6,
    Editor = 7,
    Terminal = 8,
    Send = 9,
    Receive = 10,
    About = 11,
    Monitor = 12,
    UnitUnknown = 13, // the detect button before a unit was found, and after a port without one
    UnitFound = 14,   // the detect button after a unit was identified
    SendVerify = 15,
    Compare = 16,
    Backups = 17,
};
inline constexpr int Count = 18;

// The picture for `index` (0 to Count - 1); a null icon for "no image" (-1).
QIcon Icon(int index);
// The resource path of the picture for `index`.
QString ResourcePath(int index);

} // namespace ImageList
