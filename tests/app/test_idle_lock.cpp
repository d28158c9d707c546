// The idle lock comes when the desktop has been idle for the chosen time,
// not up to a whole check of the idle time later; input just before the
// limit keeps the database open. The idle time is a clock the test sets.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include "lifecycle_fixture.h"

namespace {

const QString kPassword = "correct horse battery";

// An idle time that grows with the real clock from the value last set, as
// the desktop's does while nobody touches it.
class TRunningIdleTime : public TIdleTimeProvider {
  public:
    std::uint32_t IdleMilliseconds() override {
        return idleAtSet_ + std::uint32_t(sinceSet_.elapsed());
    }
    void Set(std::uint32_t idle) {
        idleAtSet_ = idle;
        sinceSet_.start();
    }

  private:
    std::uint32_t idleAtSet_ = 0;
    QElapsedTimer sinceSet_;
};

constexpr std::uint32_t kOneMinute = 60000;

QStringList RowTexts(TFormMain& window) {
    const QAbstractItemModel* model = o_TV_Main(window)->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row) {
        texts << model->index(row, 0).data().toString();
    }
    return texts;
}

// A click on the top-level row with that text.
void ClickRow(TFormMain& window, const QString& text) {
    const int row = int(RowTexts(window).indexOf(text));
    QVERIFY2(row >= 0, qPrintable(text));
    const QModelIndex index = o_TV_Main(window)->model()->index(row, 0);
    QTest::mouseClick(o_TV_Main(window)->viewport(), Qt::LeftButton, {},
                      o_TV_Main(window)->visualRect(index).center());
}

} // namespace

// A window on its own folders with a database open, set to lock after one
// idle minute.
struct TIdleLockFixture {
    TTestWindowFolders folders;
    std::shared_ptr<TRunningIdleTime> idle = std::make_shared<TRunningIdleTime>();
    std::unique_ptr<TFormMain> window;
    QString path = folders.workingFolder.filePath("idle.kvdb");

    void Open() {
        TFormMain::TServices services = folders.Services();
        services.idleTime = idle;
        window = std::make_unique<TFormMain>(services);
        window->show();
        CreateDatabase(*window, path, kPassword);
        F_Lock_After_Idle(*window)->setCurrentIndex(F_Lock_After_Idle(*window)->findData(1));
    }
};

class TestIdleLock : public QObject {
    Q_OBJECT

  private slots:
    // 7 s before the limit, and the next look in 5 s: the lock must come at
    // the limit, where looking every 5 s would come 3 s late.
    void locksWhenTheChosenTimeIsReached() {
        TIdleLockFixture fixture;
        fixture.Open();
        if (QTest::currentTestFailed()) {
            return;
        }
        TFormMain* window = fixture.window.get();
        TRunningIdleTime* idle = fixture.idle.get();
        idle->Set(kOneMinute - 7000);
        o_Timer_Idle_Lock(*window)->start(5000);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(window->DatabaseFile().isEmpty(), 15000);
        const qint64 late = clock.elapsed() - 7000;
        QVERIFY2(late > -100 && late < 500, qPrintable(QString::number(late) + " ms"));
        QVERIFY(F_Message_2(*window)->toPlainText().contains("locked after 1 minute"));
    }

    // Input just before the limit: the look at the limit finds the user back.
    void inputBeforeTheLimitKeepsTheDatabaseOpen() {
        TIdleLockFixture fixture;
        fixture.Open();
        if (QTest::currentTestFailed()) {
            return;
        }
        TFormMain* window = fixture.window.get();
        TRunningIdleTime* idle = fixture.idle.get();
        idle->Set(kOneMinute - 2000);
        o_Timer_Idle_Lock(*window)->start(0); // a look now; the next one at the limit
        QTest::qWait(1000);
        idle->Set(0); // a key pressed
        QTest::qWait(2000);
        QCOMPARE(window->DatabaseFile(), fixture.path);
    }

    // A lock in the pause between Up's sound and its move: the move goes
    // with the database, never into the tree shown after it.
    void aLockInUpsPauseDropsTheMove() {
        TIdleLockFixture fixture;
        fixture.Open();
        if (QTest::currentTestFailed()) {
            return;
        }
        TFormMain* window = fixture.window.get();
        AddFolder(*window, "a");
        o_TV_Main(*window)->SelectNode(kNoNode);
        AddFolder(*window, "b");
        ClickRow(*window, "b");
        QTest::mouseClick(b_Node_Up(*window), Qt::LeftButton);
        fixture.idle->Set(2 * kOneMinute);
        Fire(*o_Timer_Idle_Lock(*window));
        QVERIFY(window->DatabaseFile().isEmpty());
        QCOMPARE(NamesOnDisk(fixture.path, kPassword), std::string("a;b;"));

        EnterPassword(*window, kPassword, kPassword); // the same file again
        QCOMPARE(window->DatabaseFile(), fixture.path);
        QTest::qWait(200);
        QCOMPARE(RowTexts(*window), QStringList({"a", "b"}));
    }

    // A lock while a context menu is open closes it: nothing chosen there
    // afterwards reaches the fields of a database that is gone.
    void aLockClosesAnOpenContextMenu() {
        TIdleLockFixture fixture;
        fixture.Open();
        if (QTest::currentTestFailed()) {
            return;
        }
        TFormMain* window = fixture.window.get();
        QLineEdit* field = F_Folder_Name(*window);
        bool menuLeftOpen = true;
        QTimer::singleShot(0, window, [&] {
            QVERIFY(QApplication::activePopupWidget() != nullptr);
            fixture.idle->Set(2 * kOneMinute);
            Fire(*o_Timer_Idle_Lock(*window));
            menuLeftOpen = QApplication::activePopupWidget() != nullptr;
            if (QWidget* menu = QApplication::activePopupWidget()) {
                menu->close(); // so that a failing case ends
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, field->rect().center(),
                                field->mapToGlobal(field->rect().center()));
        QApplication::sendEvent(field, &event);
        QTRY_VERIFY(window->DatabaseFile().isEmpty());
        QVERIFY(!menuLeftOpen);
    }
};

KEYVALE_APP_TEST_MAIN(TestIdleLock)
#include "test_idle_lock.moc"
