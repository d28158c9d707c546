// Leaving an open database by the lock, by opening another and by quitting:
// no secret typed on any page outlives the lock, an unchanged database is
// left without a save, and a save that went to a conflict copy goes on in
// that copy and stays said until the user has seen it.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <functional>

#include "lifecycle_fixture.h"

namespace {

const QString kPassword = QStringLiteral("leave password");

// The conflict copies beside the database.
QStringList ConflictCopies(const TLifecycleFixture& fixture) {
    return QDir(fixture.folders.workingFolder.path())
        .entryList({QStringLiteral("*(conflict*")}, QDir::Files);
}

// Locks as the idle timer does, after a minute of desktop idle.
void IdleLock(TLifecycleFixture& fixture, TFormMain& window) {
    F_Lock_After_Idle(window)->setCurrentIndex(F_Lock_After_Idle(window)->findData(1));
    fixture.idle->idle = 60000;
    Fire(*o_Timer_Idle_Lock(window));
    fixture.idle->idle = 0;
}

// Copies a database with the folder "Bank" (made once: deriving keys is
// slow) to the name in the fixture's folder.
void PutDatabase(TLifecycleFixture& fixture, const QString& name) {
    static QTemporaryDir made;
    const QString original = made.filePath("made.kvdb");
    if (!QFile::exists(original)) {
        TKeyvaleSession creator;
        QVERIFY(creator.Create(original.toStdString(), kPassword.toStdString()).Succeeded());
        AddFolderTo(creator, "Bank");
    }
    QVERIFY(QFile::copy(original, fixture.Path(name)));
}

// A window holding "work.kvdb" open and unchanged.
std::unique_ptr<TFormMain> WindowOnUnchanged(TLifecycleFixture& fixture) {
    PutDatabase(fixture, "work.kvdb");
    auto window = fixture.NewWindow();
    Choose(*window, fixture.Path("work.kvdb"));
    EnterPassword(*window, kPassword, "");
    return window;
}

} // namespace

class TestLeavingADatabase : public QObject {
    Q_OBJECT

  private slots:
    // Typed on the change-password panel, in the calculator and in the
    // record, each eye opened: after the lock every field is empty, nothing
    // comes back with undo, and the password typed to unlock is masked.
    void lockEmptiesEverySecretFieldAndClosesEveryEye() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        TFormMain& w = *window;
        CreateDatabase(w, fixture.Path("work.kvdb"), kPassword);
        AddFolder(w, "Bank");
        QTest::mouseClick(o_TV_Main(w)->viewport(), Qt::LeftButton, {},
                          o_TV_Main(w)->visualRect(o_TV_Main_Model(w)->index(0, 0)).center());
        QTest::keyClicks(F_Password(w), "record secret");
        QTest::mouseClick(b_Password_Show(w), Qt::LeftButton);
        QCOMPARE(F_Password(w)->echoMode(), QLineEdit::Normal);

        i_Hash_Argument(w)->Click();
        QTest::keyClicks(F_Hash_Argument(w), "calculator secret");
        QVERIFY(!F_KV_Hash_62(w)->toPlainText().isEmpty());

        i_Change_Main_Password(w)->Click();
        QCOMPARE(PasswordPanelShows(w), TPasswordMode::ChangePassword);
        i_MP_View(w)->Click();
        QTest::keyClicks(F_MP1(w), "new main secret");
        QTest::keyClicks(F_MP2(w), "new main");

        IdleLock(fixture, w);
        QVERIFY(w.DatabaseFile().isEmpty());

        for (QLineEdit* field : {F_MP1(w), F_MP2(w), F_Hash_Argument(w), F_Password(w)}) {
            QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
            QVERIFY2(!field->isUndoAvailable(), qPrintable(field->objectName()));
            QVERIFY2(field->echoMode() == QLineEdit::Password, qPrintable(field->objectName()));
        }
        for (QPlainTextEdit* hash : {F_KV_Hash_62(w), F_KV_Hash_64(w), F_KV_Hash_90(w)}) {
            QVERIFY2(hash->toPlainText().isEmpty(), qPrintable(hash->objectName()));
            QVERIFY2(!hash->document()->isUndoAvailable(), qPrintable(hash->objectName()));
        }
        QVERIFY(!page_Main_Password_Content(w)->PasswordShown());
        QCOMPARE(i_Hash_Argument(w)->PictureName(), QString("eye_closed"));
        QVERIFY(!page_Database_Content(w)->PasswordShown());

        // The unlock password is typed masked, and opens the same file again.
        QCOMPARE(PasswordPanelShows(w), TPasswordMode::Open);
        EnterPassword(w, kPassword, "");
        QCOMPARE(w.DatabaseFile(), fixture.Path("work.kvdb"));
        QCOMPARE(NamesOnDisk(fixture.Path("work.kvdb"), kPassword), std::string("Bank;"));
    }

    // Ways of leaving an unchanged database x what would make its save harm:
    // each way proceeds without a save, a refusal or a conflict copy.
    void leavingUnchangedNeedsNoSave() {
        struct Harm {
            const char* name;
            std::function<void(TFormMain&, const QString& path)> apply;
        };
        const Harm harms[] = {
            {"saves fail", [](TFormMain& w, const QString&) { BlockSaves(); }},
            {"another writer changed the file",
             [](TFormMain&, const QString& path) {
                 TKeyvaleSession other;
                 QVERIFY(other.Open(path.toStdString(), kPassword.toStdString()).Succeeded());
                 AddFolderTo(other, "Theirs");
             }},
        };
        struct Way {
            const char* name;
            std::function<void(TLifecycleFixture&, TFormMain&)> leave;
            std::function<bool(const TFormMain&)> left;
        };
        const Way ways[] = {
            {"idle lock", IdleLock, [](const TFormMain& w) { return w.DatabaseFile().isEmpty(); }},
            {"opening another database",
             [](TLifecycleFixture& fixture, TFormMain& w) {
                 PutDatabase(fixture, "other.kvdb");
                 Choose(w, fixture.Path("other.kvdb"));
                 EnterPassword(w, kPassword, "");
             },
             [](const TFormMain& w) { return w.DatabaseFile().endsWith("other.kvdb"); }},
            {"closing the window", [](TLifecycleFixture&, TFormMain& w) { w.close(); },
             [](const TFormMain& w) { return !w.isVisible(); }},
        };
        for (const Harm& harm : harms) {
            for (const Way& way : ways) {
                const QByteArray story = QByteArray(harm.name) + ", " + way.name;
                TLifecycleFixture fixture;
                auto window = WindowOnUnchanged(fixture);
                const QString path = fixture.Path("work.kvdb");
                harm.apply(*window, path);
                const QByteArray before = FileBytes(path);

                way.leave(fixture, *window);
                QVERIFY2(way.left(*window), story);
                QVERIFY2(!F_Message(*window)->toPlainText().contains("Error!"), story);
                QCOMPARE(FileBytes(path), before);
                QVERIFY2(ConflictCopies(fixture).isEmpty(), story);
            }
        }
    }

    // A change saved by the lock beside a file another writer changed: the
    // lock asks for the copy, the work goes on there, and the warning is
    // shown again in the log of the database opened after the lock.
    void lockAfterASaveAsideReopensTheCopy() {
        TLifecycleFixture fixture;
        auto window = WindowOnUnchanged(fixture);
        TFormMain& w = *window;
        const QString path = fixture.Path("work.kvdb");
        AddFolder(w, "Mine");
        {
            // A version a merge cannot read: under another main password.
            TKeyvaleSession other;
            QVERIFY(other.Open(path.toStdString(), kPassword.toStdString()).Succeeded());
            QVERIFY(other.ChangePassword("tool password").Succeeded());
        }

        IdleLock(fixture, w);
        const QStringList copies = ConflictCopies(fixture);
        QCOMPARE(copies.size(), 1);
        const QString copy = fixture.Path(copies.first());
        QCOMPARE(L_Database_File_2(w)->text(), copies.first());
        QVERIFY(F_Message_2(w)->toPlainText().contains("saved as [" + copy + "]"));

        EnterPassword(w, kPassword, "");
        QCOMPARE(w.DatabaseFile(), copy);
        QCOMPARE(NamesOnDisk(copy, kPassword), std::string("Bank;Mine;"));
        QVERIFY2(F_Message(w)->toPlainText().contains("saved as [" + copy + "]"),
                 "the warning went with the log of the lock");
    }

    // A quit whose save went to a conflict copy is refused once, naming the
    // copy in the log and the alert; the next close quits.
    void quitAfterASaveAsideIsRefusedOnce() {
        TLifecycleFixture fixture;
        auto window = WindowOnUnchanged(fixture);
        TFormMain& w = *window;
        const QString path = fixture.Path("work.kvdb");
        AddFolder(w, "Mine");
        {
            // A version a merge cannot read: under another main password.
            TKeyvaleSession other;
            QVERIFY(other.Open(path.toStdString(), kPassword.toStdString()).Succeeded());
            QVERIFY(other.ChangePassword("tool password").Succeeded());
        }

        w.close();
        QVERIFY(w.isVisible());
        const QStringList copies = ConflictCopies(fixture);
        QCOMPARE(copies.size(), 1);
        const QString expected = QString::fromLatin1(kQuitAsideText) +
                                 fixture.Path(copies.first()) +
                                 QString::fromLatin1(kQuitAsideEndText);
        QCOMPARE(LastLine(F_Message(w)), expected);
        QVERIFY(Alerted(expected));
        QCOMPARE(NamesOnDisk(fixture.Path(copies.first()), kPassword), std::string("Bank;Mine;"));

        w.close();
        QVERIFY(!w.isVisible());
    }
};

KEYVALE_APP_TEST_MAIN(TestLeavingADatabase)
#include "test_leaving_a_database.moc"
