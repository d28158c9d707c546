// Importing from the Database page as a user does: the tree's menu or
// Ctrl+I, the file dialog, the preview, then Cancel or Import, and the file
// checked after the automatic save and a reload.
#include <QAction>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "U_Import_Preview_Dialog.h"
#include "U_Tree_Model.h"
#include "lifecycle_fixture.h"
#include "when_modal.h"

namespace {

const char* const kChromeCsv = "name,url,username,password,note\r\n"
                               "Shop,https://shop.example,eve,pw1,\r\n"
                               ",https://mail.example/in,ann@example.org,pw2,\"two\r\nlines\"\r\n"
                               "Mine,https://mine.example,me,pw3,\r\n"
                               "\"bad\x1b]0;x\",,u,pw4,\r\n";

// The ways to the import: a right click on the tree and the menu's entry,
// or Ctrl+I on the page.
enum class TWayIn { ContextMenu, Shortcut };

void OpenImport(TFormMain& window, TWayIn way) {
    if (way == TWayIn::Shortcut) {
        // A shortcut reaches only the active window's focused widget.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        o_TV_Main(window)->setFocus();
        QTest::keyClick(o_TV_Main(window), Qt::Key_I, Qt::ControlModifier);
        return;
    }
    QWidget* viewport = o_TV_Main(window)->viewport();
    const QPoint point(20, viewport->height() - 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, viewport->mapToGlobal(point));
    QApplication::sendEvent(viewport, &event);
    QMenu* menu = o_Popup_Menu_TV_Main(window);
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu_Import(window)).center());
}

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT

  private slots:
    // Every way in, with Cancel and with Import: Cancel leaves tree and file
    // as they were; Import adds the records, selects the new top folder and
    // starts the automatic save, and the file holds them after a reload.
    void previewThenCancelOrImport() {
        for (const TWayIn way : {TWayIn::ContextMenu, TWayIn::Shortcut}) {
            for (const bool confirm : {false, true}) {
                TLifecycleFixture fixture;
                auto window = fixture.NewWindow();
                const QString db = fixture.Path("db.kvdb");
                CreateDatabase(*window, db, "secret1");
                ClickTab(*window, page_Database(*window));
                AddFolder(*window, "Mine");
                fixture.idle->idle = 120000;
                Fire(*o_Timer_SAVE_Database(*window));
                QCOMPARE(NamesOnDisk(db, "secret1"), std::string("Mine;"));

                const QString csv = fixture.Path("chrome.csv");
                QFile file(csv);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(kChromeCsv);
                file.close();

                QString summary;
                QString refused;
                bool sawPreview = false;
                // The file dialog: the path in its name field (set whole, as
                // typing would open its completer over the buttons), then Open.
                WhenModal<QFileDialog>(window.get(), [&](QFileDialog* dialog) {
                    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                    QVERIFY(name);
                    name->setText(csv);
                    auto* box = dialog->findChild<QDialogButtonBox*>("buttonBox");
                    QVERIFY(box);
                    QTest::mouseClick(box->button(QDialogButtonBox::Open), Qt::LeftButton);
                });
                WhenModal<TImportPreviewDialog>(window.get(), [&](TImportPreviewDialog* preview) {
                    QTRY_VERIFY(preview->findChild<QPushButton*>("b_Import")->isEnabled());
                    sawPreview = true;
                    summary = preview->findChild<QLabel*>("L_Import_Summary")->text();
                    refused =
                        preview->findChild<QPlainTextEdit*>("F_Import_Refused")->toPlainText();
                    QTest::mouseClick(
                        preview->findChild<QPushButton*>(confirm ? "b_Import" : "b_Import_Cancel"),
                        Qt::LeftButton);
                });
                OpenImport(*window, way);
                QTRY_VERIFY2(sawPreview, qPrintable(F_Message(*window)->toPlainText()));

                const QString top =
                    "Imported from Chrome " + QDate::currentDate().toString(Qt::ISODate);
                QCOMPARE(summary, "Adds 3 records and 1 folder from Chrome into \"" + top +
                                      "\".\nRefused 1 entry (not imported):");
                QCOMPARE(refused, QString("line 6: its name holds a control character"));
                if (!confirm) {
                    QVERIFY(!o_Timer_SAVE_Database(*window)->isActive()); // no change to save
                    window->P_Process_Save_Database_EVENT();
                    QCOMPARE(NamesOnDisk(db, "secret1"), std::string("Mine;"));
                    QCOMPARE(o_TV_Main_Model(*window)->rowCount(), 1);
                    continue;
                }
                QCOMPARE(o_TV_Main(*window)->currentIndex().data().toString(), top);
                QVERIFY(o_TV_Main(*window)->isExpanded(o_TV_Main(*window)->currentIndex()));
                QVERIFY(o_Timer_SAVE_Database(*window)->isActive());
                Fire(*o_Timer_SAVE_Database(*window));
                const std::string t = top.toStdString();
                QCOMPARE(NamesOnDisk(db, "secret1"), "Mine;" + t + ";Shop;mail.example;Mine;");

                TKeyvaleSession reader;
                QVERIFY(reader.Open(db.toStdString(), "secret1").Succeeded());
                const TKeyvaleTree& tree = reader.Tree();
                TNodeHandle mail = kNoNode;
                for (TNodeHandle node = tree.First(); node != kNoNode;
                     node = tree.NextInPreOrder(node)) {
                    if (tree.Text(node) == "mail.example") {
                        mail = node;
                    }
                }
                QVERIFY(F_Node_is_File(tree, mail));
                const TRecordFields fields = RecordDataDecode(tree.Text(tree.FirstChild(mail)));
                QCOMPARE(fields, (TRecordFields{"ann@example.org", "pw2", "ann@example.org",
                                                "https://mail.example/in", "two\nlines"}));
            }
        }
    }

    // The file is read and planned off the window's thread: when the
    // import's call returns the preview is already up, saying it reads, with
    // Cancel; Cancel then leaves tree, log and file as they were, and the
    // plan that comes in later is dropped.
    void previewReadsAwayFromTheWindowAndCancelStopsIt() {
        TLifecycleFixture fixture;
        auto window = fixture.NewWindow();
        const QString db = fixture.Path("db.kvdb");
        CreateDatabase(*window, db, "secret1");
        ClickTab(*window, page_Database(*window));
        AddFolder(*window, "Mine");
        QVERIFY(window->P_Process_Save_Database_EVENT());
        const QString csv = WriteChromeCsv(fixture);
        const QString logBefore = F_Message(*window)->toPlainText();

        ChooseImportFile(*window, csv);
        auto* preview = qobject_cast<TImportPreviewDialog*>(QApplication::activeModalWidget());
        QVERIFY(preview);
        QCOMPARE(preview->findChild<QLabel*>("L_Import_Summary")->text(),
                 QString("Reading chrome.csv..."));
        QVERIFY(!preview->findChild<QPushButton*>("b_Import")->isEnabled());
        QTest::mouseClick(preview->findChild<QPushButton*>("b_Import_Cancel"), Qt::LeftButton);

        QTest::qWait(300); // the job's end, had it gone on
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(F_Message(*window)->toPlainText(), logBefore);
        QVERIFY(!o_Timer_SAVE_Database(*window)->isActive()); // no change to save
        QCOMPARE(o_TV_Main_Model(*window)->rowCount(), 1);
        QCOMPARE(NamesOnDisk(db, "secret1"), std::string("Mine;"));
    }

    // A plan names the nodes of the tree it was made for. When the tree
    // changed or was replaced while the preview was open, Import adds
    // nothing and the log says why.
    void aPlanIsAppliedOnlyToTheTreeItWasMadeFor() {
        struct TCase {
            const char* name;
            std::function<void(TFormMain&)> change;
        };
        const TCase cases[] = {
            {"a folder added", [](TFormMain& w) { AddFolder(w, "Later"); }},
            {"the tree replaced", [](TFormMain& w) { w.P_Tree_View_Reset(); }},
        };
        for (const TCase& c : cases) {
            TLifecycleFixture fixture;
            auto window = fixture.NewWindow();
            const QString db = fixture.Path("db.kvdb");
            CreateDatabase(*window, db, "secret1");
            ClickTab(*window, page_Database(*window));
            AddFolder(*window, "Mine");
            const QString csv = WriteChromeCsv(fixture);

            ChooseImportFile(*window, csv);
            auto* preview = qobject_cast<TImportPreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY2(preview, c.name);
            auto* import = preview->findChild<QPushButton*>("b_Import");
            QTRY_VERIFY2(import->isEnabled(), c.name);
            const int rows = o_TV_Main_Model(*window)->rowCount();
            c.change(*window);
            const int rowsChanged = o_TV_Main_Model(*window)->rowCount();
            QTest::mouseClick(import, Qt::LeftButton);

            QVERIFY2(QApplication::activeModalWidget() == nullptr, c.name);
            QCOMPARE(o_TV_Main_Model(*window)->rowCount(), rowsChanged);
            QVERIFY2(rowsChanged <= rows + 1, c.name);
            QVERIFY2(!F_Message(*window)->toPlainText().contains("Added"), c.name);
            QVERIFY2(LastLine(F_Message(*window)) ==
                         "Nothing was imported from " + csv +
                             ": the database changed while its preview was open. Import the "
                             "file again to see what it adds now.",
                     qPrintable(LastLine(F_Message(*window))));
        }
    }

  private:
    static QString WriteChromeCsv(TLifecycleFixture& fixture) {
        const QString csv = fixture.Path("chrome.csv");
        QFile file(csv);
        file.open(QIODevice::WriteOnly);
        file.write(kChromeCsv);
        return csv;
    }

    // The file dialog answered with `csv`; returns once the preview is up.
    static void ChooseImportFile(TFormMain& window, const QString& csv) {
        // Should the dialog wait in an event loop of its own, it is closed
        // after a while, so that the test fails instead of hanging.
        auto* watchdog = new QTimer(&window);
        QObject::connect(watchdog, &QTimer::timeout, [] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                modal->reject();
            }
        });
        watchdog->setSingleShot(true);
        watchdog->start(5000);
        menu_Import(window)->trigger();
        watchdog->stop();
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(csv);
        QTest::mouseClick(
            dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open),
            Qt::LeftButton);
    }
};

QTEST_MAIN(TestImportWindow)
#include "test_import_window.moc"
