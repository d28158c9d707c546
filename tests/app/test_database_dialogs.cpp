// The dialogs and popups that belong to the open database (the import's
// file dialog and preview, the health report, the generator's options, and
// the Main password page's file dialog and its question, asked while it was
// open) when the database goes while one is open: by the idle lock, by a
// file handed over from outside, or by closing the window. Nothing of them may reach a
// closed or another database, no log line may tell of work not done, and
// what the user types next reaches the Main password page. Typing is real
// X input (xdotool) on a private Xvfb, since where keys go is the window
// system's matter; without Xvfb or xdotool the program skips.
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QToolButton>

#include "U_Import_Preview_Dialog.h"
#include "U_Password_Generator_Options.h"
#include "lifecycle_fixture.h"
#include "private_x_server.h"

namespace {

enum class TDialog {
    ImportFile,
    ImportPreview,
    HealthReport,
    GeneratorOptions,
    OpenFile,
    CreateQuestion
};
enum class TLeaving { IdleLock, HandedOverFile, WindowClosed };

const char* Name(TDialog dialog) {
    switch (dialog) {
    case TDialog::ImportFile:
        return "import file dialog";
    case TDialog::ImportPreview:
        return "import preview";
    case TDialog::HealthReport:
        return "health report";
    case TDialog::GeneratorOptions:
        return "generator options";
    case TDialog::OpenFile:
        return "open file dialog";
    case TDialog::CreateQuestion:
        return "create file question";
    }
    return "";
}

const char* Name(TLeaving leaving) {
    switch (leaving) {
    case TLeaving::IdleLock:
        return "idle lock";
    case TLeaving::HandedOverFile:
        return "handed-over file";
    case TLeaving::WindowClosed:
        return "window closed";
    }
    return "";
}

const char* const kChromeCsv = "name,url,username,password,note\n"
                               "Shop,https://shop.example,eve,pw1,\n"
                               "Mail,https://mail.example,ann,pw2,\n";

// Keys typed on the X server, as from the keyboard, to whichever window
// has the X focus. The window handles them while they come, as it would
// from a keyboard.
void Xdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    QElapsedTimer clock;
    clock.start();
    while (xdotool.state() != QProcess::NotRunning && clock.elapsed() < 5000) {
        QTest::qWait(20);
    }
    xdotool.waitForFinished(1000);
    QTest::qWait(100);
}

void Type(const QString& text) {
    Xdotool({"type", "--delay", "30", text});
    Xdotool({"key", "Return"});
}

QWidget* OpenDialog(TFormMain& window) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        return popup;
    }
    return o_Password_Health(window)->isVisible() ? o_Password_Health(window) : nullptr;
}

// Whether the dialog is up, and ready for the user's answer.
bool IsUp(TFormMain& window, TDialog dialog) {
    auto* preview = qobject_cast<TImportPreviewDialog*>(QApplication::activeModalWidget());
    switch (dialog) {
    case TDialog::ImportFile:
    case TDialog::OpenFile:
        return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr;
    case TDialog::CreateQuestion:
        return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
    case TDialog::ImportPreview:
        return preview != nullptr && preview->findChild<QPushButton*>("b_Import")->isEnabled();
    case TDialog::HealthReport:
        return o_Password_Health(window)->isVisible() && !o_Password_Health(window)->Building();
    case TDialog::GeneratorOptions:
        return o_Password_Generator(window)->Options()->isVisible();
    }
    return false;
}

// Once a file dialog is up, the file's name typed into it, then Open.
void TypeIntoFileDialog(QObject* context, const QString& name) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, name] {
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (files == nullptr) {
            return;
        }
        poll->deleteLater();
        files->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        QTest::mouseClick(
            files->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open),
            Qt::LeftButton);
    });
    poll->start(50);
}

// The user's steps to the dialog. They may wait in the dialog's own event
// loop, so they are started from the event loop, never called here.
void StartOpening(TFormMain& window, TDialog dialog, const QString& csv) {
    QTimer::singleShot(0, &window, [&window, dialog, csv] {
        switch (dialog) {
        case TDialog::ImportFile:
        case TDialog::ImportPreview:
            if (dialog == TDialog::ImportPreview) {
                TypeIntoFileDialog(&window, csv);
            }
            menu_Import(window)->trigger();
            break;
        case TDialog::HealthReport:
            QTest::mouseClick(b_Password_Health(window), Qt::LeftButton);
            break;
        case TDialog::GeneratorOptions:
            QTest::mouseClick(o_Password_Generator(window)->OptionsButton(), Qt::LeftButton);
            break;
        case TDialog::OpenFile:
        case TDialog::CreateQuestion:
            if (dialog == TDialog::CreateQuestion) {
                // A new file's name typed into the file dialog, then Open.
                TypeIntoFileDialog(&window, QStringLiteral("new.kvdb"));
            }
            ClickTab(window, page_Main_Password(window));
            i_Open_File(window)->Click();
            break;
        }
    });
}

// Whatever a failing case leaves open is closed, so that the next case
// (and a dialog's own event loop, if one waits) can go on.
void CloseLeftovers() {
    for (int round = 0; round < 5; ++round) {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        } else if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            modal->reject();
        }
        QTest::qWait(20);
    }
}

struct TSeen {
    bool reached = false;         // the dialog came up at all
    bool closedByLeaving = false; // nothing of the database was left open
    QString healthSummary;        // what the report says after the database went
    QString databaseAfterTyping;  // the database the typed password opened
    QString mainLog;              // the Main password page's log once the database went
    QString databaseLog;          // the Database page's log at the end
};

} // namespace

class TestDatabaseDialogs : public QObject {
    Q_OBJECT
  public:
    bool haveServer = false;

  private slots:
    void initTestCase() {
        if (!haveServer) {
            QSKIP("Xvfb is not installed: the keys must travel through an X server");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            QSKIP("xdotool is not installed: the test types as a keyboard does");
        }
    }

    void dialogsCloseBeforeTheDatabaseGoes() {
        const TDialog dialogs[] = {TDialog::ImportFile,   TDialog::ImportPreview,
                                   TDialog::HealthReport, TDialog::GeneratorOptions,
                                   TDialog::OpenFile,     TDialog::CreateQuestion};
        const TLeaving leavings[] = {TLeaving::IdleLock, TLeaving::HandedOverFile,
                                     TLeaving::WindowClosed};
        for (const TDialog dialog : dialogs) {
            for (const TLeaving leaving : leavings) {
                const QByteArray label = QByteArray(Name(dialog)) + " x " + Name(leaving);
                RunCase(dialog, leaving, label);
                if (QTest::currentTestFailed()) {
                    return;
                }
            }
        }
    }

  private:
    void RunCase(TDialog dialog, TLeaving leaving, const QByteArray& label) {
        TLifecycleFixture fixture;
        const QString first = fixture.Path("first.kvdb");
        const QString second = fixture.Path("second.kvdb");
        {
            TKeyvaleSession other;
            QVERIFY2(other.Create(second.toStdString(), "secret2").Succeeded(), label);
        }
        const QString csv = fixture.Path("chrome.csv");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kChromeCsv);
        file.close();

        auto window = fixture.NewWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        CreateDatabase(*window, first, "secret1");
        Fire(*o_Timer_Enter_Button(*window)); // the entry rests a moment after each password
        ClickTab(*window, page_Database(*window));
        AddFolder(*window, "Mine");
        QVERIFY(window->P_Process_Save_Database_EVENT());
        F_Lock_After_Idle(*window)->setCurrentIndex(F_Lock_After_Idle(*window)->findData(5));

        TSeen seen;
        bool done = false;
        // The case runs from the event loop once the dialog is up, since
        // opening it may wait inside the dialog until it closes.
        auto* poll = new QTimer(window.get());
        QElapsedTimer clock;
        clock.start();
        QObject::connect(poll, &QTimer::timeout, window.get(), [&, poll] {
            if (!IsUp(*window, dialog)) {
                if (clock.elapsed() > 10000) {
                    poll->stop();
                    CloseLeftovers();
                    done = true;
                }
                return;
            }
            poll->stop();
            seen.reached = true;
            Leave(*window, fixture, leaving, second);
            QTest::qWait(700); // a health report's rebuild after the change
            seen.closedByLeaving = OpenDialog(*window) == nullptr;
            seen.healthSummary =
                o_Password_Health(*window)->findChild<QLabel*>("L_Health_Summary")->text();
            seen.mainLog = F_Message_2(*window)->toPlainText();
            if (leaving != TLeaving::WindowClosed) {
                const bool lock = leaving == TLeaving::IdleLock;
                Type(lock ? "secret1" : "secret2");
                QElapsedTimer typing;
                typing.start();
                while (window->DatabaseFile() != (lock ? first : second) &&
                       typing.elapsed() < 5000) {
                    QTest::qWait(50);
                }
                seen.databaseAfterTyping = window->DatabaseFile();
            }
            seen.databaseLog = F_Message(*window)->toPlainText();
            CloseLeftovers();
            done = true;
        });
        poll->start(50);
        // A dialog that stays open may wait in its own event loop, or open
        // another (the typed password taken as a file name): after a while
        // whatever is still open is closed, so that a failing case ends.
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&clock] {
            if (clock.elapsed() > 20000) {
                CloseLeftovers();
            }
        });
        watchdog.start(1000);
        StartOpening(*window, dialog, csv);
        QTRY_VERIFY_WITH_TIMEOUT(done, 40000);
        delete poll;

        QVERIFY2(seen.reached, label);
        QVERIFY2(seen.closedByLeaving, label);
        // Nothing was imported, into either database, and no line says so.
        QVERIFY2(!seen.mainLog.contains("Added") && !seen.databaseLog.contains("Added"), label);
        QVERIFY2(NamesOnDisk(first, "secret1") == "Mine;", label);
        QVERIFY2(NamesOnDisk(second, "secret2").empty(), label);
        // No file was chosen, nor made, after the database went.
        QVERIFY2(!QFile::exists(fixture.Path("new.kvdb")), label);
        // Once the lock has closed the database, nothing of its report is
        // left, nor a report of the empty tree it leaves behind ("all 0
        // records"). (A handed-over file closes the open database only once
        // its own password has been given, the window's close at its end.)
        if (leaving == TLeaving::IdleLock) {
            QVERIFY2(seen.healthSummary.isEmpty(), label + ": " + seen.healthSummary.toUtf8());
        }
        if (dialog == TDialog::ImportPreview && leaving != TLeaving::WindowClosed) {
            QVERIFY2(seen.mainLog.contains("The import from " + csv +
                                           " was cancelled: nothing of it was imported."),
                     label);
        }
        if (leaving != TLeaving::WindowClosed) {
            // The typed password went to the Main password page and opened
            // the database it was asked for.
            const QString expected = leaving == TLeaving::IdleLock ? first : second;
            QVERIFY2(seen.databaseAfterTyping == expected, label + ": " +
                                                               seen.databaseAfterTyping.toUtf8() +
                                                               "\n" + seen.mainLog.toUtf8());
        }
    }

    void Leave(TFormMain& window, TLifecycleFixture& fixture, TLeaving leaving,
               const QString& second) {
        switch (leaving) {
        case TLeaving::IdleLock:
            fixture.idle->idle = 6 * 60000;
            Fire(*o_Timer_Idle_Lock(window));
            break;
        case TLeaving::HandedOverFile:
            window.P_Open_Given_File(second);
            break;
        case TLeaving::WindowClosed:
            window.close();
            break;
        }
    }
};

int main(int argc, char** argv) {
    return RunOnPrivateXServer<TestDatabaseDialogs>(argc, argv);
}
#include "test_database_dialogs.moc"
