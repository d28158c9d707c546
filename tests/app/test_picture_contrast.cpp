// Every picture stands out from the background it is drawn on, in each of
// the built-in themes: measured here, since a dark picture on a dark theme is
// easily missed by eye.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <vector>

#include "U_Keyvale_Themes.h"
#include "U_Picture.h"
#include "keyvale_app_test.h"

namespace {

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The share of the picture's drawn pixels, laid on the background, that
// differ from it at least by the contrast asked of graphics (3:1).
double ContrastingShare(const QPixmap& picture, const QColor& background) {
    QImage drawn(picture.size(), QImage::Format_ARGB32);
    drawn.fill(background);
    {
        QPainter painter(&drawn);
        painter.drawPixmap(0, 0, picture);
    }
    const QImage alpha = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    int ink = 0;
    int standing = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (qAlpha(alpha.pixel(x, y)) < 128) {
                continue;
            }
            ++ink;
            standing += Contrast(drawn.pixelColor(x, y), background) >= 3.0 ? 1 : 0;
        }
    }
    return ink == 0 ? 0.0 : double(standing) / ink;
}

// At least this share of a picture's pixels stands out at 3:1 (a coloured
// fill may be close to the background as long as its outline is not).
constexpr double MinimumShare = 0.2;

} // namespace

class TestPictureContrast : public QObject {
    Q_OBJECT

  private slots:
    void everyPictureStandsOutInEveryTheme() {
        const QStringList names =
            QDir(":/pictures").entryList({"*.svg"}, QDir::Files).replaceInStrings(".svg", "");
        QVERIFY(names.size() > 20);
        QStringList faint;
        for (std::size_t i = 0; i < KeyvaleThemeCount(); ++i) {
            const TKeyvaleTheme& theme = KeyvaleTheme(i);
            QApplication::setPalette(KeyvaleThemePalette(theme));
            for (const QString& name : names) {
                // Where each picture is shown, and the colour the program
                // draws it for there: tab icons on the tab buttons and, for
                // the active tab, on the highlight; tree icons in the tree and
                // on its selected row; the rest on pages and buttons. The
                // program's own icon belongs to the desktop.
                struct TPlace {
                    const char* shownOn;
                    const char* drawnFor;
                };
                std::vector<TPlace> places = {{theme.window, theme.window},
                                              {theme.button, theme.window}};
                if (name.startsWith("tab_")) {
                    places = {{theme.button, theme.window}, {theme.highlight, theme.highlight}};
                } else if (name.startsWith("tree_")) {
                    places = {{theme.base, theme.window}, {theme.highlight, theme.highlight}};
                } else if (name == "keyvale") {
                    continue;
                }
                for (const TPlace& place : places) {
                    const double share = ContrastingShare(
                        KeyvalePicture(name, QSize(48, 48), 1.0, QColor(place.drawnFor)),
                        QColor(place.shownOn));
                    if (share < MinimumShare) {
                        faint << QString("%1 on %2 (%3): %4")
                                     .arg(name, theme.name, place.shownOn)
                                     .arg(share, 0, 'f', 2);
                    }
                }
            }
        }
        for (const QString& line : faint) {
            qWarning("%s", qPrintable(line));
        }
        QVERIFY2(faint.isEmpty(), qPrintable(QString("%1 faint pictures").arg(faint.size())));
    }

    void focusMarkStandsOutInEveryTheme() {
        for (std::size_t i = 0; i < KeyvaleThemeCount(); ++i) {
            const TKeyvaleTheme& theme = KeyvaleTheme(i);
            const QPalette palette = KeyvaleThemePalette(theme);
            const double contrast =
                Contrast(palette.color(QPalette::WindowText), QColor(theme.window));
            QVERIFY2(contrast >= 3.0, qPrintable(QString("%1: %2").arg(theme.name).arg(contrast)));
        }
    }
};

KEYVALE_APP_TEST_MAIN(TestPictureContrast)
#include "test_picture_contrast.moc"
