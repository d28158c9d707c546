// Sizes shared by the pages of the main window, and how they follow the
// window's size on smaller screens.
#pragma once

#include <QSize>

#include <algorithm>

namespace keyvale_layout {

// The window's outer size, frame included, wherever the screen holds it.
constexpr QSize FullWindowSize(1300, 920);
// The smallest outer size every page is laid out for; on a smaller screen
// the pages scroll.
constexpr QSize SmallestWindowSize(1200, 640);

// The two message windows lie at the same place on their pages.
constexpr int LogHeight = 250;
constexpr int SmallestLogHeight = 110;
constexpr int PageMargin = 10;
constexpr int TreePanelWidth = 560;
constexpr int FileListWidth = 420;
constexpr int SmallestFileListWidth = 320;
constexpr int BigPicture = 148;
// Pictures draw inside the 2-pixel border the themes give them.
constexpr int PictureBorder = 2;

// The largest size up to the full one that the screen's free area holds.
constexpr QSize WindowSizeFor(QSize area) {
    return QSize(std::min(FullWindowSize.width(), area.width()),
                 std::min(FullWindowSize.height(), area.height()));
}

// What a smaller window lacks in height, the logs give up half of (the tree
// and the note take the rest); what it lacks in width, the file list gives up.
constexpr int LogHeightFor(int windowHeight) {
    const int lacking = std::max(0, FullWindowSize.height() - windowHeight);
    return std::max(SmallestLogHeight, LogHeight - lacking / 2);
}

constexpr int FileListWidthFor(int windowWidth) {
    const int lacking = std::max(0, FullWindowSize.width() - windowWidth);
    return std::max(SmallestFileListWidth, FileListWidth - lacking);
}

// A page tab is 230 pixels wide inside its 2-pixel margins and 1-pixel
// border, so five take 1180 pixels; in a narrower window they share its width.
constexpr int TabWidth = 230;
constexpr int TabFrame = 2 * 2 + 2 * 1;
constexpr int TabWidthFor(int windowWidth, int tabCount) {
    return std::min(TabWidth, windowWidth / std::max(1, tabCount) - TabFrame);
}

} // namespace keyvale_layout
