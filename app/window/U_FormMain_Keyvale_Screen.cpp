// TFormMain: the window's size and place on the screen it is on. The window
// is 1300 by 920 with its frame, centred, and cannot be resized; on a screen
// whose free area is smaller it takes the largest size the area holds, and
// the logs, the tree and the note give up height for it. When the window
// goes to another screen, or the screen's size changes, this is done again.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QScreen>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>

#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_Page_Layout.h"

using namespace keyvale_layout;

// The frame is known only once the window manager has framed the window; it
// is empty before and where there is no window manager.
QMargins TFormMain::FrameMargins() const {
    if (!isVisible()) {
        return {};
    }
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void TFormMain::P_Fit_Window_To_Screen() {
    const QScreen* screen = this->screen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize outer = WindowSizeFor(area.size());
    frame_ = FrameMargins();
    setFixedSize(outer.shrunkBy(frame_).expandedTo(QSize(1, 1)));
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);

    // The logs keep one height on both pages.
    const int logHeight = LogHeightFor(outer.height());
    o_Page_Database->SetLogHeight(logHeight);
    o_Page_Main_Password->SetLogHeight(logHeight);
    o_Page_Main_Password->SetFileListWidth(FileListWidthFor(outer.width()));

    // Tabs that do not fit would hide behind scroll arrows with their
    // captions cut; they share the window's width instead.
    o_Page_Control->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { width: %1px; }")
            .arg(TabWidthFor(outer.shrunkBy(frame_).width(), o_Page_Control->count())));
    P_Fit_Welcome_Text();
}

// Where the Main password page is wider than the window it scrolls, and the
// message window would run past the visible part with its text cut mid-line:
// it takes the visible width instead and wraps there (the page follows the
// view's later size changes itself).
void TFormMain::P_Fit_Welcome_Text() {
    o_Page_Main_Password->FitWelcomeText();
}

// Follows the screen the window is on: its size, and a move to another one.
void TFormMain::P_Watch_Screen() {
    QWindow* window = windowHandle();
    if (!window || watchedWindow_ == window) {
        return;
    }
    watchedWindow_ = window;
    const auto follow = [this](QScreen* screen) {
        disconnect(screenArea_);
        if (screen) {
            screenArea_ = connect(screen, &QScreen::availableGeometryChanged, this,
                                  &TFormMain::P_Fit_Window_To_Screen);
        }
    };
    follow(window->screen());
    connect(window, &QWindow::screenChanged, this, [this, follow](QScreen* screen) {
        follow(screen);
        P_Fit_Window_To_Screen();
    });
}

// Fitted when the program shows the window; not again when the desktop shows
// it back after a minimise, which would undo a move by the user.
void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        P_Watch_Screen();
        P_Fit_Window_To_Screen();
    }
}

// A window manager frames the window after it is shown, which shows here as
// a move; the inner size then shrinks by the frame. A move by the user
// leaves the frame as it was and changes nothing.
void TFormMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (isVisible() && FrameMargins() != frame_) {
        P_Fit_Window_To_Screen();
    }
}
