// Leaving without the Exit tab: a termination signal, and the display
// destroying the window. Each saves the open database, an edit still
// pending in the record panel included, and ends the window.
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <csignal>

#include <xcb/xproto.h>

#include "U_Keyvale_Entry.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Quit_Signals.h"
#include "U_Tree_Model.h"
#include "U_Window_Lost.h"
#include "lifecycle_fixture.h"

namespace {

// A database with the folder "Bank" whose Login the user is typing: the
// edit is pending in the record panel, not yet in the tree.
std::unique_ptr<TFormMain> WindowWithPendingEdit(TLifecycleFixture& fixture, const QString& path) {
    auto window = fixture.NewWindow();
    CreateDatabase(*window, path, "leave password");
    AddFolder(*window, "Bank");
    const QModelIndex bank = o_TV_Main_Model(*window)->index(0, 0);
    const QRect row = o_TV_Main(*window)->visualRect(bank);
    QTest::mouseClick(o_TV_Main(*window)->viewport(), Qt::LeftButton, {}, row.center());
    QTest::keyClicks(F_Login(*window), "alice");
    return window;
}

// The Login of "Bank" in the file, read as another program would.
std::string LoginOnDisk(const QString& path) {
    TKeyvaleSession reader;
    if (!reader.Open(path.toStdString(), "leave password").Succeeded()) {
        return "cannot open";
    }
    const TKeyvaleTree& tree = reader.Tree();
    TRecordFields fields;
    ReadFolderDataFromDataFolder(tree, tree.First(), fields);
    return fields.login;
}

} // namespace

class TestDatabaseLeaving : public QObject {
    Q_OBJECT

  private slots:
    void terminationSignalsSaveAndClose() {
        for (const int signalNumber : TQuitSignals::Signals) {
            TLifecycleFixture fixture;
            const QString path = fixture.Path("signal.kvdb");
            auto window = WindowWithPendingEdit(fixture, path);
            TQuitSignals quitSignals;
            ConnectLeaveRequests(*window, quitSignals);

            std::raise(signalNumber);
            QTRY_VERIFY2(!window->isVisible(), strsignal(signalNumber));
            QCOMPARE(LoginOnDisk(path), std::string("alice"));
        }
    }

    // A signal meets the same rule as the close box: a failed save refuses
    // once, and the next request leaves.
    void signalWithAFailingSaveIsRefusedOnce() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("refused.kvdb");
        auto window = WindowWithPendingEdit(fixture, path);
        TQuitSignals quitSignals;
        ConnectLeaveRequests(*window, quitSignals);
        BlockSaves();

        std::raise(SIGTERM);
        QTRY_COMPARE(LastLine(F_Message(*window)),
                     QString("Error! Your database could not be saved, so the program has not "
                             "been closed. If you close it again, it quits without saving."));
        QVERIFY(window->isVisible());
        std::raise(SIGTERM);
        QTRY_VERIFY(!window->isVisible());
    }

    // Another client destroyed the X window: the program saves and ends
    // instead of running on, invisible, with the single-copy lock.
    void destroyedWindowSavesAndCloses() {
        TLifecycleFixture fixture;
        const QString path = fixture.Path("lost.kvdb");
        auto window = WindowWithPendingEdit(fixture, path);
        TWindowLostFilter filter(*window, [&window] { window->P_Window_Lost(); });

        xcb_destroy_notify_event_t destroyed{};
        destroyed.response_type = XCB_DESTROY_NOTIFY;
        destroyed.window = static_cast<xcb_window_t>(window->winId()) + 1; // someone else's
        QVERIFY(!filter.nativeEventFilter("xcb_generic_event_t", &destroyed, nullptr));
        QTest::qWait(50);
        QVERIFY(window->isVisible());
        QCOMPARE(LoginOnDisk(path), std::string(""));

        destroyed.window = static_cast<xcb_window_t>(window->winId());
        filter.nativeEventFilter("xcb_generic_event_t", &destroyed, nullptr);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(LoginOnDisk(path), std::string("alice"));
    }
};

KEYVALE_APP_TEST_MAIN(TestDatabaseLeaving)
#include "test_database_leaving.moc"
