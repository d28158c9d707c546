#include "U_Keyvale_Themes.h"

#include <array>

namespace {

// name, window, base, text, button, highlight, accent
constexpr std::array<TKeyvaleTheme, 50> kThemes{{
    {"Alabaster (internal)", "#f4f1ea", "#fffdf8", "#2b2a27", "#e7e2d6", "#8c6d46", "#a0825a"},
    {"Arctic Blue (internal)", "#e8f0f7", "#ffffff", "#1b2a3a", "#d5e3f0", "#2f6fb0", "#3f82c4"},
    {"Aubergine Night (internal)", "#2b1f2e", "#362839", "#eadfec", "#43314a", "#9b59b6",
     "#b57edc"},
    {"Autumn Leaf (internal)", "#f6eadf", "#fffaf5", "#3b2616", "#ecd4bd", "#c0582b", "#d2703f"},
    {"Basalt (internal)", "#2e3134", "#383c40", "#e3e5e8", "#44494e", "#5c8ab8", "#7aa3cc"},
    {"Bluebell (internal)", "#eceefa", "#ffffff", "#23264a", "#dadef5", "#5058b8", "#6a72cc"},
    {"Carbon (internal)", "#1e1f21", "#26282b", "#d9dadc", "#303236", "#3d7fd6", "#5995e0"},
    {"Cedar (internal)", "#efe6da", "#fbf7f1", "#3a2a1c", "#e0d0bb", "#7a4e2d", "#94653f"},
    {"Cherry Blossom (internal)", "#fbeef2", "#fffafb", "#43222d", "#f4d9e1", "#c24a71", "#d66a8d"},
    {"Cobalt (internal)", "#1c2a44", "#223352", "#dfe8f7", "#2b3e61", "#3e7be0", "#6b9cf0"},
    {"Copper (internal)", "#f3e9e2", "#fffaf6", "#3a2519", "#e6d1c2", "#b0602f", "#c47847"},
    {"Coral Reef (internal)", "#fdf0ec", "#fffaf8", "#3d2520", "#f7d9d0", "#e0604a", "#ea7c68"},
    {"Deep Ocean (internal)", "#102a3a", "#143446", "#d6eaf4", "#1b4258", "#1e9bc7", "#47b6dc"},
    {"Desert Sand (internal)", "#f3ead8", "#fdf8ee", "#3d3320", "#e8dabd", "#b58a3c", "#c59d52"},
    {"Ember (internal)", "#2a1c17", "#34231d", "#f2e2da", "#432d25", "#e0662e", "#ef8553"},
    {"Emerald (internal)", "#e6f4ec", "#fafffc", "#163324", "#cfe9da", "#1f8f58", "#2fa86c"},
    {"Fjord (internal)", "#e4ecef", "#fbfdfe", "#1e2d33", "#cfdde2", "#3a7286", "#4f8aa0"},
    {"Forest Floor (internal)", "#232b22", "#2b3529", "#dde8da", "#364334", "#6a9a4c", "#86b566"},
    {"Frost (internal)", "#eef3f6", "#ffffff", "#26313a", "#dfe7ed", "#4a90b8", "#64a6cb"},
    {"Glacier (internal)", "#e2f1f4", "#f9fdfe", "#17343a", "#c9e4ea", "#1d8a9e", "#31a3b8"},
    {"Graphite (internal)", "#3a3d41", "#44484d", "#eceef0", "#4f545a", "#7d8b99", "#9aa7b4"},
    {"Harbour Mist (internal)", "#e9ecef", "#fdfdfe", "#262b30", "#d8dde2", "#52677c", "#687e93"},
    {"Honey (internal)", "#fbf3df", "#fffcf3", "#3e3212", "#f4e3b6", "#d49a14", "#e0ae36"},
    {"Indigo Ink (internal)", "#1f2140", "#26294e", "#e2e3f6", "#30345f", "#6d6ff0", "#8b8df5"},
    {"Ivory Slate (internal)", "#f2f1ee", "#fefefd", "#2f3336", "#e3e2dd", "#566573", "#6c7b89"},
    {"Jade (internal)", "#e3f2ee", "#f8fefc", "#173530", "#c8e6de", "#1f8a74", "#32a58c"},
    {"Lagoon (internal)", "#dff3f3", "#f7fefe", "#133838", "#c2e7e7", "#138f8f", "#28abab"},
    {"Lavender Field (internal)", "#f1edf8", "#fdfcff", "#2e2541", "#e2d9f2", "#7c5cc4", "#9377d4"},
    {"Lemon Grass (internal)", "#f2f5e1", "#fdfef7", "#2f3314", "#e3eabf", "#8a9a1c", "#a1b232"},
    {"Midnight (internal)", "#14161f", "#1b1e2a", "#d8dbe8", "#252938", "#4e6ef2", "#7089f5"},
    {"Mint Cream (internal)", "#eaf7f0", "#fbfffd", "#1d3328", "#d2eedf", "#3aa776", "#52bc8c"},
    {"Mocha (internal)", "#ece3dc", "#faf6f3", "#3a2c23", "#dccbbf", "#7b5744", "#936e59"},
    {"Moss (internal)", "#e9eedf", "#fbfdf6", "#283020", "#d6e0c3", "#5f7c32", "#76944a"},
    {"Nordic Night (internal)", "#2e3440", "#3b4252", "#eceff4", "#434c5e", "#88c0d0", "#81a1c1"},
    {"Obsidian (internal)", "#18181b", "#202024", "#e4e4e7", "#2a2a2f", "#a855f7", "#c084fc"},
    {"Olive Grove (internal)", "#eeecdc", "#fcfbf4", "#30301a", "#dfdbbd", "#737028", "#8b873d"},
    {"Orchid (internal)", "#f7ecf6", "#fffbfe", "#3d2339", "#eed6eb", "#b0489e", "#c465b3"},
    {"Papyrus (internal)", "#f1ead3", "#fbf7ea", "#3a321c", "#e3d7b0", "#8d7432", "#a38a48"},
    {"Pine (internal)", "#1d2b26", "#23352e", "#dbeae3", "#2c4239", "#3fa37a", "#5cbc93"},
    {"Keyvale Teal (internal)", "#e6eff2", "#fcfeff", "#1b2e36", "#d2e3e9", "#1f6f8b", "#2f86a5"},
    {"Plum (internal)", "#f3e9f0", "#fefbfd", "#3a2233", "#e6d2e0", "#8e3b76", "#a6538e"},
    {"Porcelain (internal)", "#f5f6f7", "#ffffff", "#222426", "#e8eaec", "#3c6e9e", "#5283b2"},
    {"Rosewood (internal)", "#2d1e21", "#382528", "#f0dfe2", "#472f33", "#c2546a", "#d67488"},
    {"Saffron (internal)", "#fcf1e0", "#fffbf4", "#3f2c12", "#f6dfb8", "#e08a12", "#eca234"},
    {"Sapphire (internal)", "#e5ebf8", "#fbfcff", "#18233d", "#ccd8f1", "#2351b8", "#3a68cc"},
    {"Slate Storm (internal)", "#333a42", "#3c444d", "#e6eaee", "#48515b", "#5fa8d3", "#80bde0"},
    {"Steel (internal)", "#dde2e7", "#f6f8fa", "#1f252b", "#c8d0d8", "#44617e", "#5a7793"},
    {"Sunset (internal)", "#fbece4", "#fff9f5", "#3e2318", "#f5d4c2", "#d9534f", "#e6755f"},
    {"Terracotta (internal)", "#f2e4dc", "#fcf7f4", "#3b2219", "#e5c9b9", "#b4502f", "#c86a48"},
    {"Twilight (internal)", "#262338", "#2e2a44", "#e4e1f4", "#39345a", "#8a7cf0", "#a598f6"},
}};

QColor Mix(const QColor& a, const QColor& b, double weightOfB) {
    const double w = weightOfB;
    return QColor::fromRgbF(a.redF() * (1 - w) + b.redF() * w,
                            a.greenF() * (1 - w) + b.greenF() * w,
                            a.blueF() * (1 - w) + b.blueF() * w);
}

// White or near-black, whichever reads better on the given background.
QColor ContrastText(const QColor& background) {
    const double luminance =
        0.299 * background.redF() + 0.587 * background.greenF() + 0.114 * background.blueF();
    return luminance > 0.6 ? QColor("#1a1a1a") : QColor("#ffffff");
}

} // namespace

std::size_t KeyvaleThemeCount() {
    return kThemes.size();
}

const TKeyvaleTheme& KeyvaleTheme(std::size_t index) {
    return kThemes.at(index);
}

QString KeyvaleThemeDisplayText(std::size_t index, const QString& themeName) {
    QString name = themeName;
    name.remove(QStringLiteral("(internal)"), Qt::CaseInsensitive);
    return QString::number(index + 1).rightJustified(3, QLatin1Char(' ')) +
           QStringLiteral(" --- ") + name;
}

QPalette KeyvaleThemePalette(const TKeyvaleTheme& theme) {
    const QColor window(theme.window), base(theme.base), text(theme.text), button(theme.button),
        highlight(theme.highlight), accent(theme.accent);
    const QColor faded = Mix(text, window, 0.55);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, Mix(base, window, 0.5));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, faded);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, ContrastText(highlight));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, ContrastText(highlight));
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::Light, Mix(button, QColor(Qt::white), 0.3));
    palette.setColor(QPalette::Midlight, Mix(button, QColor(Qt::white), 0.15));
    palette.setColor(QPalette::Mid, Mix(button, text, 0.3));
    palette.setColor(QPalette::Dark, Mix(button, text, 0.5));
    palette.setColor(QPalette::Shadow, Mix(button, QColor(Qt::black), 0.6));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, faded);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, Mix(base, window, 0.6));
    return palette;
}

QString KeyvaleThemeStyleSheet(const TKeyvaleTheme& theme) {
    const QColor window(theme.window), base(theme.base), text(theme.text), button(theme.button),
        highlight(theme.highlight), accent(theme.accent);
    const QColor onHighlight = ContrastText(highlight);
    const QColor hover = Mix(button, highlight, 0.25);
    const QColor border = Mix(button, text, 0.35);

    // %1 window, %2 base, %3 text, %4 button, %5 highlight, %6 accent,
    // %7 text on highlight, %8 hover, %9 border
    return QStringLiteral(R"(
QWidget { color: %3; }
QWidget:disabled { color: %9; }
QMainWindow, QTabWidget > QWidget, QStackedWidget > QWidget { background: %1; }
QTabWidget::pane { border: 1px solid %9; border-radius: 6px; top: -1px; background: %1; }
QTabBar::tab { /* 236 pixels wide with border and margins: five fit 1200 */
    width: 230px; height: 38px; margin: 2px 2px 4px 2px; border: 1px solid %9;
    border-radius: 6px; background: %4; font-weight: bold; }
QTabBar::tab:hover { background: %8; }
QTabBar::tab:selected { background: %5; color: %7; border-color: %5; }
QTabBar::tab:disabled { color: %9; }
QLineEdit, QPlainTextEdit, QTextEdit, QListWidget, QTreeWidget, QComboBox {
    background: %2; border: 1px solid %9; border-radius: 4px;
    selection-background-color: %5; selection-color: %7; }
QLineEdit { padding: 3px 6px; lineedit-password-character: 42; }
QLineEdit:disabled, QPlainTextEdit:disabled, QTextEdit:disabled, QTreeWidget:disabled { background: %1; }
QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus, QComboBox:focus { border: 2px solid %6; }
QLineEdit:focus { padding: 2px 5px; } /* the wider border takes the padding's place, */
QComboBox:focus { padding: 1px 5px; } /* so the field keeps its size */
QComboBox { padding: 2px 6px; }
QComboBox QAbstractItemView { background: %2; selection-background-color: %5; selection-color: %7; }
QComboBox QAbstractItemView::item { min-height: 28px; }
QListWidget#o_List_Skin_2::item { height: 40px; }
QListWidget::item:selected, QTreeWidget::item:selected { background: %5; color: %7; }
QPushButton {
    background: %4; border: 1px solid %9; border-radius: 5px; padding: 6px 14px; }
QPushButton:hover { background: %8; border-color: %6; }
QPushButton:pressed { background: %5; color: %7; }
QFrame#o_MP, QFrame#o_Panel_Right, QFrame#o_Panel_TV, QFrame#o_Panel_Warning,
QFrame#o_Panel_Calculator, QFrame#o_Panel_Skins {
    border: 1px solid %9; border-radius: 8px; background: %1; }
QLabel[caption="true"] { color: %6; font-weight: bold; }
QLabel[caption="true"]:disabled { color: %9; }
QLabel[picture="true"] { border: 2px solid transparent; border-radius: 6px; }
QFrame#o_Shape_HA, QFrame#o_Shape_MP1 { border: 2px solid #7b2f9e; background: transparent; }
QScrollArea#sScrollBox_Manual { background: %2; border: 1px solid %9; border-radius: 6px; }
QScrollArea#sScrollBox_Manual > QWidget > QWidget { background: %2; }
QTextEdit#F_Message, QTextEdit#F_Message_2 { font-size: 11pt; }
QToolTip { background: %2; color: %3; border: 1px solid %6; }
)")
        .arg(window.name(), base.name(), text.name(), button.name(), highlight.name(),
             accent.name(), onHighlight.name(), hover.name(), border.name());
}
