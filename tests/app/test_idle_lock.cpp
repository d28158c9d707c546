// The idle lock comes when the desktop has been idle for the chosen time,
// not up to a whole check of the idle time later; input just before the
// limit keeps the database open. The idle time is a clock the test sets.
#include <QComboBox>
#include <QElapsedTimer>

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
};

KEYVALE_APP_TEST_MAIN(TestIdleLock)
#include "test_idle_lock.moc"
