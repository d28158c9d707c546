// The built-in appearances of the window: a fixed, ordered set of named
// themes, each a palette and a style sheet over Qt's Fusion style.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

#include <cstddef>

struct TKeyvaleTheme {
    const char* name;      // as the theme set knows it, ends in " (internal)"
    const char* window;    // page and panel background
    const char* base;      // background of fields, lists and logs
    const char* text;      // text on window and base
    const char* button;    // buttons and tab buttons
    const char* highlight; // selection and the active tab
    const char* accent;    // frames, captions and hover outlines
};

// The number of built-in themes and the entry used when nothing else is chosen.
std::size_t KeyvaleThemeCount();
constexpr int KeyvaleDefaultThemeIndex = 39;

const TKeyvaleTheme& KeyvaleTheme(std::size_t index);

// "  1 --- Name": the number right-aligned in three characters (wider numbers
// keep all their digits), " --- ", then the name without "(internal)".
QString KeyvaleThemeDisplayText(std::size_t index, const QString& themeName);

QPalette KeyvaleThemePalette(const TKeyvaleTheme& theme);
QString KeyvaleThemeStyleSheet(const TKeyvaleTheme& theme);
