// Sizes shared by the pages of the main window.
#pragma once

namespace keyvale_layout {

// The two message windows lie at the same place on their pages.
constexpr int LogHeight = 250;
constexpr int PageMargin = 10;
constexpr int TreePanelWidth = 560;
constexpr int FileListWidth = 420;
constexpr int BigPicture = 148;

} // namespace keyvale_layout
