// The main window's image list: one small picture per image index, drawn as SVG resources.
#include "app/imagelist.h"

#include <array>
#include <cassert>

// The resource initialiser lives outside any namespace, as Q_INIT_RESOURCE requires.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace ImageList {

namespace {

constexpr std::array<const char*, Count> FileNames = {
    "00-exit.svg",       "01-new.svg",      "02-open.svg",    "03-save.svg",     "04-points.svg",
    "05-config.svg",     "06-messages.svg", "07-editor.svg",  "08-terminal.svg", "09-send.svg",
    "10-receive.svg",    "11-about.svg",    "12-monitor.svg", "13-detect.svg",   "14-detected.svg",
    "15-sendverify.svg", "16-compare.svg",  "17-backups.svg"};

} // namespace

QString ResourcePath(int index) {
    assert(index >= 0 && index < Count && "image index outside the image list");
    return QStringLiteral(":/icons/") + QLatin1String(FileNames[static_cast<std::size_t>(index)]);
}

QIcon Icon(int index) {
    static const bool initialised = (InitIconResources(), true);
    (void)initialised;
    if (index < 0)
        return {};
    return QIcon(ResourcePath(index));
}

} // namespace ImageList
