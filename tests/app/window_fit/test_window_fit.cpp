// The window on the screen it opens on. ctest runs this program once per
// screen set-up: KEYVALE_TEST_SCREENS lists the screens ("1366x768", or
// "1920x1080,2560x1440*2" side by side, the second of pixel ratio 2),
// QT_SCALE_FACTOR the desktop's scale,
// and KEYVALE_TEST_WINDOW the outer size the window must take on the first
// screen. Each page and sliding panel is then checked for controls that lie
// outside the window or their parent, overlap a sibling or are squeezed below
// the size they need.
#include <QAbstractAnimation>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QWindow>

#ifdef KEYVALE_HAVE_QPA_TEST_HOOKS
#include <qpa/qwindowsysteminterface.h>
#endif

#include "../keyvale_app_test.h"
#include "U_Page_Layout.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"

namespace {

constexpr QSize kFullSize(1300, 920);
constexpr QSize kSmallestSupported(1200, 640);

QSize ParseSize(const QByteArray& text) {
    const QList<QByteArray> parts = text.trimmed().split('x');
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

// Controls are the widgets the window names; Qt's own parts of a composite
// control (viewports, scroll bars, the line edit of a combo box) are not.
bool IsControl(const QWidget* widget) {
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// Controls laid over others on purpose: the hover frames, the hint arrow and
// the deletion warning over the note.
bool IsOverlay(const QWidget* widget) {
    static const QStringList overlays = {"o_Shape_MP1", "o_Shape_HA", "i_Hint_1",
                                         "o_Panel_Warning"};
    return overlays.contains(widget->objectName());
}

bool InScrolledViewport(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    return parent && qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) &&
           static_cast<const QAbstractScrollArea*>(parent->parentWidget())->viewport() == parent;
}

// The size a control needs to show all of itself.
QSize NeededSize(const QWidget* widget) {
    QSize need = widget->minimumSizeHint().expandedTo(widget->minimumSize());
    const QSizePolicy policy = widget->sizePolicy();
    if (policy.horizontalPolicy() == QSizePolicy::Ignored) {
        need.setWidth(widget->minimumWidth());
    }
    if (policy.verticalPolicy() == QSizePolicy::Ignored) {
        need.setHeight(widget->minimumHeight());
    }
    if (widget->hasHeightForWidth()) {
        need.setHeight(std::max(need.height(), widget->heightForWidth(widget->width())));
    }
    return need;
}

QString Describe(const QWidget* widget) {
    const QRect r = widget->geometry();
    return QStringLiteral("%1 (%2,%3 %4x%5)")
        .arg(widget->objectName())
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

// Every visible control below `root`: inside its parent, not squeezed, not
// overlapping a visible sibling, and (where nothing scrolls) inside the window.
QStringList LayoutProblems(QWidget* root, QWidget* window) {
    QStringList problems;
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (!IsControl(widget) || !widget->isVisible()) {
            continue;
        }
        const QWidget* parent = widget->parentWidget();
        const bool scrolled = InScrolledViewport(widget);
        if (!scrolled && !parent->rect().contains(widget->geometry())) {
            problems << Describe(widget) + " lies outside its parent " + parent->objectName();
        }
        const QSize need = NeededSize(widget);
        if (widget->width() < need.width() || widget->height() < need.height()) {
            problems << Describe(widget) + QStringLiteral(" is squeezed below %1x%2")
                                               .arg(need.width())
                                               .arg(need.height());
        }
        bool underScroll = false;
        for (const QWidget* w = widget; w && w != window; w = w->parentWidget()) {
            underScroll = underScroll || InScrolledViewport(w);
        }
        if (!underScroll) {
            const QRect inWindow(widget->mapTo(window, QPoint(0, 0)), widget->size());
            if (!window->rect().contains(inWindow)) {
                problems << Describe(widget) + " lies outside the window";
            }
        }
        if (IsOverlay(widget)) {
            continue;
        }
        for (QObject* other : parent->children()) {
            auto* sibling = qobject_cast<QWidget*>(other);
            if (!sibling || sibling <= widget || !IsControl(sibling) || !sibling->isVisible() ||
                IsOverlay(sibling) || sibling->isWindow()) {
                continue;
            }
            if (widget->geometry().intersects(sibling->geometry())) {
                problems << Describe(widget) + " overlaps " + Describe(sibling);
            }
        }
    }
    return problems;
}

// A name that reads as words: not empty, not a component name, not spelt
// out letter by letter.
bool ReadsAsWords(const QString& name) {
    static const QRegularExpression letterByLetter(QStringLiteral("\\b\\w( \\w){2,}\\b"));
    static const QRegularExpression componentName(QStringLiteral("^[a-zA-Z]+_\\w+$"));
    return !name.trimmed().isEmpty() && name == name.trimmed() &&
           !letterByLetter.match(name).hasMatch() && !componentName.match(name).hasMatch();
}

} // namespace

class TestWindowFit : public QObject {
    Q_OBJECT

  public:
    explicit TestWindowFit(QSize expected) : expected_(expected) {}

  private:
    QSize expected_;
    TTestWindowFolders folders_;
    std::unique_ptr<TFormMain> window_;

    TFormMain& w() { return *window_; }

    // The password panel slides into its place; the layout is checked there.
    void WaitForPanelInPlace() {
        auto* slide = w().findChild<QAbstractAnimation*>("o_MP_Slide");
        QVERIFY(slide);
        QTRY_COMPARE(slide->state(), QAbstractAnimation::Stopped);
    }

    QScreen* FirstScreen() const { return QGuiApplication::screens().first(); }

    bool Supported() const {
        const QSize area = FirstScreen()->availableGeometry().size();
        return area.width() >= kSmallestSupported.width() &&
               area.height() >= kSmallestSupported.height();
    }

    // The window lies on `screen`, centred, at `size` and cannot be resized.
    void CheckPlacement(const QScreen* screen, QSize size) {
        QTRY_COMPARE(w().frameGeometry().size(), size);
        const QRect area = screen->availableGeometry();
        const QRect outer = w().frameGeometry();
        QVERIFY2(area.contains(outer),
                 qPrintable(QStringLiteral("window %1,%2 %3x%4 off the screen")
                                .arg(outer.x())
                                .arg(outer.y())
                                .arg(outer.width())
                                .arg(outer.height())));
        QVERIFY(std::abs((outer.left() - area.left()) - (area.right() - outer.right())) <= 1);
        QVERIFY(std::abs((outer.top() - area.top()) - (area.bottom() - outer.bottom())) <= 1);
        QCOMPARE(w().minimumSize(), w().maximumSize());
    }

    void ShowPage(QWidget* page) {
        const int index = o_Page_Control(w())->indexOf(page);
        QTest::mouseClick(o_Page_Control(w())->tabBar(), Qt::LeftButton, {},
                          o_Page_Control(w())->tabBar()->tabRect(index).center());
        QCOMPARE(o_Page_Control(w())->currentWidget(), page);
        QTest::qWait(350); // the page fades in
    }

    void CheckPage(QWidget* page) {
        const QStringList problems = LayoutProblems(page, &w());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
        // Where the screen is large enough nothing scrolls; below that the
        // page scrolls and keeps the size it needs.
        auto* scroller = page->findChild<QScrollArea*>(page->objectName() + "_Scroll");
        QVERIFY2(scroller, qPrintable(page->objectName()));
        QWidget* content = scroller->widget();
        if (Supported()) {
            QVERIFY2(!scroller->verticalScrollBar()->isVisible() &&
                         !scroller->horizontalScrollBar()->isVisible(),
                     qPrintable(page->objectName() + " scrolls on a supported screen"));
        } else {
            // Never squeezed, and what the page cannot show is reached by scrolling.
            const QSize view = scroller->viewport()->size();
            QVERIFY(content->width() >= content->minimumSizeHint().width());
            QVERIFY(content->height() >= content->minimumSizeHint().height());
            QCOMPARE(scroller->horizontalScrollBar()->isVisible(), content->width() > view.width());
            QCOMPARE(scroller->verticalScrollBar()->isVisible(), content->height() > view.height());
        }
    }

  private slots:
    void init() {
        window_ = std::make_unique<TFormMain>(folders_.Services());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_->hide();
        window_.reset();
    }

    void windowFitsTheScreen() {
        CheckPlacement(FirstScreen(), expected_);
        // The page tabs show their whole captions, side by side, without
        // scroll buttons, on every screen (a laptop's scaled desktop too).
        QTabBar* tabs = o_Page_Control(w())->tabBar();
        for (QWidget* button : tabs->findChildren<QWidget*>()) {
            QVERIFY2(!button->isVisible(), "the tabs scroll");
        }
        QFont bold = tabs->font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        for (int i = 0; i < tabs->count(); ++i) {
            const QRect tab = tabs->tabRect(i);
            QVERIFY2(tabs->rect().contains(tab), qPrintable(tabs->tabText(i)));
            QVERIFY(w().rect().contains(QRect(tabs->mapTo(&w(), tab.topLeft()), tab.size())));
            const int caption = metrics.horizontalAdvance(tabs->tabText(i));
            QVERIFY2(tab.width() >= caption + tabs->iconSize().width(),
                     qPrintable(QStringLiteral("%1 is cut: %2 < %3")
                                    .arg(tabs->tabText(i))
                                    .arg(tab.width())
                                    .arg(caption + tabs->iconSize().width())));
        }
    }

    // The welcome text wraps inside the part of the page that shows, also
    // where the page is wider than the window and scrolls.
    void welcomeTextWrapsInsideThePage() {
        QTextEdit* welcome = F_Message_2(w());
        QVERIFY(welcome->toPlainText().contains("Welcome to"));
        auto* scroller = page_Main_Password(w())->findChild<QScrollArea*>();
        const QRect shown(welcome->mapTo(scroller->viewport(), QPoint(0, 0)), welcome->size());
        QVERIFY2(scroller->viewport()->rect().contains(shown),
                 qPrintable(Describe(welcome) + " wider than the page"));
        QVERIFY(welcome->document()->idealWidth() <= welcome->viewport()->width());
        QVERIFY(!welcome->horizontalScrollBar()->isVisible());
    }

    // Every drop-down list opens inside the screen.
    void dropDownListsOpenInsideTheScreen() {
        for (QComboBox* list : w().findChildren<QComboBox*>()) {
            if (!IsControl(list)) {
                continue;
            }
            QWidget* page = list;
            while (page && o_Page_Control(w())->indexOf(page) < 0) {
                page = page->parentWidget();
            }
            QVERIFY2(page, qPrintable(list->objectName()));
            ShowPage(page);
            page->findChild<QScrollArea*>()->ensureWidgetVisible(list);
            list->showPopup();
            QWidget* popup = list->view()->window();
            QTRY_VERIFY(popup->isVisible());
            const QRect area = list->screen()->availableGeometry();
            QVERIFY2(area.contains(popup->frameGeometry()),
                     qPrintable(QStringLiteral("%1 opens at %2,%3 %4x%5")
                                    .arg(list->objectName())
                                    .arg(popup->x())
                                    .arg(popup->y())
                                    .arg(popup->width())
                                    .arg(popup->height())));
            list->hidePopup();
            QTRY_VERIFY(!popup->isVisible());
        }
    }

    void everyPageLaysOutInside() {
        ShowPage(page_Main_Password(w()));
        CheckPage(page_Main_Password(w()));

        // The main-password panel in its tallest modes: create and change.
        // A deep folder: its path must not widen the page.
        const QString deep = folders_.workingFolder.filePath(
            QString("a folder with a rather long name for the passwords/").repeated(4));
        QVERIFY(QDir().mkpath(deep));
        F_Database_File_Name(w())->setText(deep + "new.kvdb");
        QTRY_VERIFY(o_MP(w())->isVisible());
        WaitForPanelInPlace();
        QVERIFY(F_MP2(w())->isVisible());
        CheckPage(page_Main_Password(w()));
        QCOMPARE(L_Database_Path(w())->text(), deep);
        // The database made there, and the change of its main password.
        F_MP1(w())->setText("window fit");
        F_MP2(w())->setText("window fit");
        QTest::mouseClick(b_M(w()), Qt::LeftButton);
        QCOMPARE(w().DatabaseFile(), deep + "new.kvdb");
        o_Page_Control(w())->setCurrentWidget(page_Main_Password(w()));
        w().i_Change_Main_PasswordClick();
        WaitForPanelInPlace();
        QCOMPARE(L_MP_Action(w())->text(), QString("Changing main password of the database ..."));
        CheckPage(page_Main_Password(w()));
        // The panel's last button is reached with the keyboard and comes
        // into sight, also where the page has to scroll for it.
        for (int press = 0; press < 10 && QApplication::focusWidget() != b_Cancel_M(w()); ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), b_Cancel_M(w()));
        auto* scroller = page_Main_Password(w())->findChild<QScrollArea*>();
        const QRect button(b_Cancel_M(w())->mapTo(scroller->viewport(), QPoint(0, 0)),
                           b_Cancel_M(w())->size());
        QVERIFY(scroller->viewport()->rect().contains(button));
        QTest::mouseClick(b_Cancel_M(w()), Qt::LeftButton);
        w().P_DEACTIVATE_Current_Database();

        // The Database page with its work area, a record chosen, then the
        // deletion warning over the note.
        w().P_Database_TAB_ENABLE(true);
        ShowPage(page_Database(w()));
        F_Folder_Name(w())->setText("Mail");
        i_Folder_Create(w())->Click();
        o_TV_Main(w())->setCurrentIndex(o_TV_Main_Model(w())->index(0, 0));
        CheckPage(page_Database(w()));
        page_Database_Content(w())->i_Trash_CanDragDrop();
        QVERIFY(o_Panel_Warning(w())->isVisible());
        CheckPage(page_Database(w()));
        QVERIFY(o_Panel_Right(w())->rect().contains(o_Panel_Warning(w())->geometry()));
        QVERIFY(o_Panel_Warning(w())->geometry().contains(F_Note(w())->geometry()) ||
                o_Panel_Warning(w())->height() >= F_Note(w())->height());
        QTest::mouseClick(b_Dont_Delete_Folder(w()), Qt::LeftButton);

        ShowPage(page_Settings(w()));
        CheckPage(page_Settings(w()));
        ShowPage(page_About_Program(w()));
        CheckPage(page_About_Program(w()));
    }

    void logTreeAndNoteGiveUpHeightFirst() {
        w().P_Database_TAB_ENABLE(true);
        ShowPage(page_Database(w()));
        // The buttons and one-line fields keep the height they ask for
        // whatever the screen; only the log, the tree and the note shrink.
        for (QWidget* fixed :
             std::initializer_list<QWidget*>{F_Login(w()), F_URL(w()), b_Save_Database(w()),
                                             b_Node_Up(w()), F_Folder_Name(w())}) {
            QCOMPARE(fixed->height(), fixed->sizeHint().height());
        }
        if (w().frameGeometry().height() == kFullSize.height()) {
            QCOMPARE(o_Panel_Top(w())->height(), 250);
        } else {
            QVERIFY(o_Panel_Top(w())->height() < 250);
        }
        QCOMPARE(o_Panel_Top(w())->height(),
                 keyvale_layout::LogHeightFor(w().frameGeometry().height()));
        QCOMPARE(F_Message_2(w())->height(), o_Panel_Top(w())->height());
    }

    void followsTheScreenWhenItChanges() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.size() > 1) {
            QScreen* second = screens.at(1);
            w().windowHandle()->setScreen(second);
            const QSize area = second->availableGeometry().size();
            CheckPlacement(second, kFullSize.boundedTo(area));
            // Pictures are drawn afresh for the other screen's pixel ratio.
            w().repaint();
            QCOMPARE(i_Open_File(w())->pixmap().devicePixelRatio(), second->devicePixelRatio());
            w().windowHandle()->setScreen(screens.first());
            CheckPlacement(screens.first(), expected_);
            return;
        }
#ifdef KEYVALE_HAVE_QPA_TEST_HOOKS
        // The desktop's resolution changes under the window, with a panel of
        // 32 pixels on top of the new one; then back.
        QScreen* screen = FirstScreen();
        const qreal ratio = screen->devicePixelRatio();
        const QRect before = screen->geometry();
        const QRect smaller(before.topLeft(), QSize(1280, 720));
        const QRect belowPanel = smaller.adjusted(0, 32, 0, 0);
        const auto native = [ratio](const QRect& r) {
            return QRect(r.topLeft() * ratio, r.size() * ratio);
        };
        QWindowSystemInterface::handleScreenGeometryChange(screen, native(smaller),
                                                           native(belowPanel));
        QTRY_COMPARE(screen->availableGeometry(), belowPanel);
        CheckPlacement(screen, QSize(1280, 688));
        QWindowSystemInterface::handleScreenGeometryChange(screen, native(before), native(before));
        CheckPlacement(screen, expected_);
#else
        QSKIP("Qt's private window-system interface is not installed");
#endif
    }

    void picturesAreDrawnForTheScreen() {
        const qreal ratio = w().devicePixelRatioF();
        for (TPicture* picture : w().findChildren<TPicture*>()) {
            if (picture->PictureName().isEmpty() || !picture->isVisible()) {
                continue;
            }
            QCOMPARE(picture->pixmap().devicePixelRatio(), ratio);
        }
        // Tab icons are rendered at the size asked, not scaled from another.
        const QIcon icon = o_Page_Control(w())->tabIcon(0);
        const QSize side = o_Page_Control(w())->iconSize();
        const QImage drawn =
            icon.pixmap(side, ratio).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage direct = KeyvalePicture("tab_main_password", side, ratio)
                                  .toImage()
                                  .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(drawn.size(), direct.size());
        QCOMPARE(drawn, direct);
    }

    void everyFocusableControlHasAName() {
        QTabBar* tabs = o_Page_Control(w())->tabBar();
        QStringList tabNames;
        for (int i = 0; i < tabs->count(); ++i) {
            tabNames << tabs->accessibleTabName(i);
        }
        QCOMPARE(tabNames,
                 QStringList({"Main password", "Database", "Settings", "About program", "Exit"}));

        QStringList unnamed;
        for (QWidget* page : {page_Main_Password(w()), page_Database(w()), page_Settings(w()),
                              page_About_Program(w()), page_Exit(w())}) {
            QVERIFY2(ReadsAsWords(page->accessibleName()), qPrintable(page->accessibleName()));
            for (QWidget* control : page->findChildren<QWidget*>()) {
                if (!(control->focusPolicy() & Qt::TabFocus)) {
                    continue;
                }
                // A focus proxy (the line edit of a combo box) speaks through
                // the control it belongs to.
                const QWidget* speaker = control;
                for (QWidget* owner = control->parentWidget(); owner;
                     owner = owner->parentWidget()) {
                    if (owner->focusProxy() == control) {
                        speaker = owner;
                    }
                }
                QAccessibleInterface* access =
                    QAccessible::queryAccessibleInterface(const_cast<QWidget*>(speaker));
                const QString name = access ? access->text(QAccessible::Name) : QString();
                if (!ReadsAsWords(name)) {
                    unnamed << QStringLiteral("%1 \"%2\"")
                                   .arg(
                                       speaker->objectName().isEmpty()
                                           ? QString::fromLatin1(speaker->metaObject()->className())
                                           : speaker->objectName(),
                                       name);
                }
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }
};

// The screens come before QApplication: the offscreen platform reads them from
// a configuration file at start.
int main(int argc, char** argv) {
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());

    QJsonArray screens;
    int left = 0;
    for (const QByteArray& entry : qgetenv("KEYVALE_TEST_SCREENS").split(',')) {
        // "2560x1440*2": a screen of pixel ratio 2 beside the others
        const QList<QByteArray> sizeAndRatio = entry.split('*');
        const QSize size = ParseSize(sizeAndRatio.first());
        const double ratio = sizeAndRatio.size() > 1 ? sizeAndRatio[1].toDouble() : 1.0;
        if (size.isEmpty()) {
            qCritical("KEYVALE_TEST_SCREENS must list sizes such as 1366x768");
            return 2;
        }
        screens.append(QJsonObject{{"name", QStringLiteral("screen%1").arg(screens.size())},
                                   {"x", left},
                                   {"y", 0},
                                   {"width", size.width()},
                                   {"height", size.height()},
                                   {"logicalDpi", 96},
                                   {"logicalBaseDpi", 96},
                                   {"dpr", ratio}});
        left += size.width();
    }
    const QString config = runtime.filePath("screens.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return 2;
    }
    file.write(
        QJsonDocument(QJsonObject{{"screens", screens}, {"windowFrameMargins", true}}).toJson());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());

    QApplication application(argc, argv);
    TestWindowFit test(ParseSize(qgetenv("KEYVALE_TEST_WINDOW")));
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_fit.moc"
