// The generator beside the Password field and the health report, driven with
// real clicks and keys and checked in the file after the save: a fill is an
// edit as typing is; Ctrl+Z brings the previous password back until the
// record is left, and never afterwards; the options are kept; the report
// lists findings without passwords and chooses a record on double-click or
// Enter.
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <map>

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Password_Generator_Button.h"
#include "U_Password_Generator_Options.h"
#include "U_Password_Health_View.h"
#include "database_page_fixture.h"

namespace {

const char* const kPassword = "password tools";

const TKeyMaterial& TestKeys() {
    static const TKeyMaterial keys = [] {
        TKeyMaterial derived;
        KvDeriveKeyMaterial(kPassword, derived);
        return derived;
    }();
    return keys;
}

// Records at the top of the tree, by name, with their passwords.
using TPasswords = std::map<std::string, std::string>;

const TPasswords kStored = {
    {"Bank", "old-Rivet!Maple-92-Quartz"}, {"Shop", "Shared#Secret-2024-xyz"},
    {"Mail", "Shared#Secret-2024-xyz"},    {"github.com", "GitHub2024!"},
    {"Safe", "vT9#qLm2$wZx8!rKp4&e"},
};

// A database file with the records, opened in the window with its password.
struct TDatabaseFile : TOpenDatabase {
    QString path = QDir(folders.workingFolder.path()).filePath("tools.kvdb");

    TDatabaseFile() {
        TKeyvaleTree tree;
        for (const auto& [name, password] : kStored) {
            const TNodeHandle record = tree.AddChild(kNoNode, name, kIconEmpty);
            tree.AddChild(record, RecordDataEncode({"ann", password, "", "", ""}), kIconEmpty);
        }
        QVERIFY(SaveDatabaseFile(path.toStdString(), tree, TestKeys()).saved);
        page_Main_Password_Content(*window)->SetFileNameQuietly(QString());
        F_Database_File_Name(*window)->setText(path);
        if (!b_M(*window)->isEnabled()) {
            QVERIFY(QMetaObject::invokeMethod(o_Timer_Enter_Button(*window), "timeout"));
        }
        F_MP1(*window)->setText(kPassword);
        QTest::mouseClick(b_M(*window), Qt::LeftButton);
        QCOMPARE(window->DatabaseFile(), path);
    }

    TPasswords ReadBack() const {
        TKeyvaleTree tree;
        TPasswords passwords;
        if (LoadDatabaseFile(path.toStdString(), TestKeys(), tree).status ==
            TDatabaseLoadStatus::Loaded) {
            for (TNodeHandle n = tree.First(); n != kNoNode; n = tree.NextInPreOrder(n)) {
                TRecordFields fields;
                if (IsUserNode(tree, n) && ReadFolderDataFromDataFolder(tree, n, fields)) {
                    passwords[tree.Text(n)] = fields.password;
                }
            }
        }
        return passwords;
    }

    TPasswordGeneratorButton& Generator() { return *o_Password_Generator(*window); }
    void ClickGenerate() { QTest::mouseClick(Generator().GenerateButton(), Qt::LeftButton); }
    void CtrlZ() { QTest::keyClick(F_Password(*window), Qt::Key_Z, Qt::ControlModifier); }
    QString Password() const { return F_Password(*window)->text(); }
};

class TestPasswordTools : public QObject {
    Q_OBJECT

  private slots:
    void generatedPasswordIsAnEditAndCtrlZWorksOnlyUntilTheRecordIsLeft() {
        TDatabaseFile db;
        TFormMain& w = db.w();
        db.Choose("Bank");
        QCOMPARE(db.Password(), QString("old-Rivet!Maple-92-Quartz"));
        QVERIFY(!o_Timer_SAVE_Database(w)->isActive());

        // Tab leads from the field to the button, which names itself.
        QVERIFY(F_Password(w)->nextInFocusChain() == db.Generator().GenerateButton());
        QCOMPARE(db.Generator().GenerateButton()->accessibleName(), QString("Generate password"));

        db.ClickGenerate();
        const QString first = db.Password();
        QCOMPARE(first.size(), 20);
        QVERIFY(o_Timer_SAVE_Database(w)->isActive()); // a pending edit, as typing makes
        QCOMPARE(page_Database_Content(w)->PendingEditNode(), db.Node("Bank"));
        // A second fill, then Ctrl+Z: back to what the record held.
        db.ClickGenerate();
        QVERIFY(db.Password() != first);
        db.CtrlZ();
        QCOMPARE(db.Password(), QString("old-Rivet!Maple-92-Quartz"));

        // Typed over after a fill, the old password no longer comes back.
        db.ClickGenerate();
        QTest::keyClicks(F_Password(w), "x");
        db.CtrlZ();
        QVERIFY(db.Password() != "old-Rivet!Maple-92-Quartz");

        // Filled, then left: Ctrl+Z on the record shown next, or on the
        // same record chosen again, brings nothing of the old one, and
        // empties no password either.
        db.ClickGenerate();
        const QString kept = db.Password();
        db.Choose("Safe");
        db.CtrlZ();
        QCOMPARE(db.Password(), QString("vT9#qLm2$wZx8!rKp4&e"));
        db.Choose("Bank");
        QCOMPARE(db.Password(), kept);
        db.CtrlZ();
        QCOMPARE(db.Password(), kept);
        db.Choose("Mail");

        w.close();
        TPasswords expected = kStored;
        expected["Bank"] = kept.toStdString();
        expected["Safe"] = "vT9#qLm2$wZx8!rKp4&e";
        QCOMPARE(db.ReadBack(), expected);
    }

    void optionsAreChosenShownAndKept() {
        TDatabaseFile db;
        db.Choose("Bank");
        TPasswordGeneratorOptions* options = db.Generator().Options();
        QTest::mouseClick(db.Generator().OptionsButton(), Qt::LeftButton);
        QVERIFY(options->isVisible());
        auto* passphrase = options->findChild<QCheckBox*>("F_Generator_Passphrase");
        auto* words = options->findChild<QSpinBox*>("F_Generator_Words");
        auto* separator = options->findChild<QLineEdit*>("F_Generator_Separator");
        auto* strength = options->findChild<QLabel*>("L_Generator_Strength");
        QVERIFY(strength->text().contains("10^39")); // 20 of 94 characters
        QTest::mouseClick(passphrase, Qt::LeftButton, {}, QPoint(5, passphrase->height() / 2));
        QVERIFY(passphrase->isChecked());
        words->selectAll();
        QTest::keyClicks(words, "4");
        separator->selectAll();
        QTest::keyClicks(separator, ".");
        QVERIFY2(strength->text().contains("10^15"), qPrintable(strength->text())); // 7776^4
        options->close();

        db.ClickGenerate();
        const QStringList parts = db.Password().split('.');
        QCOMPARE(parts.size(), 4);
        for (const QString& word : parts) {
            QVERIFY(!word.isEmpty() && word.toLower() == word);
        }
        // A new window reads the same choices.
        const TGeneratorSettings kept = LoadGeneratorSettings(db.folders.IniPath().toStdString());
        QVERIFY(kept.passphrase);
        QCOMPARE(kept.phrase.words, std::size_t{4});
        QCOMPARE(kept.phrase.separator, std::string("."));
        TFormMain again(db.folders.Services());
        QVERIFY(o_Password_Generator(again)->Options()->Settings() == kept);
    }

    // What the options cannot take is brought into range or refused where the
    // user looks (the panel, and the log in case the panel has closed), and
    // the panel says what Generate makes; the password drawn follows it.
    void optionsTakeOnlyWhatTheyCanAndSaySo() {
        TDatabaseFile db;
        db.Choose("Bank");
        TPasswordGeneratorOptions* options = db.Generator().Options();
        QTest::mouseClick(db.Generator().OptionsButton(), Qt::LeftButton);
        const auto find = [options](const char* name) {
            QWidget* found = options->findChild<QWidget*>(name);
            if (found == nullptr) {
                qFatal("The options have no %s", name);
            }
            return found;
        };
        auto* passphrase = static_cast<QCheckBox*>(find("F_Generator_Passphrase"));
        auto* separator = static_cast<QLineEdit*>(find("F_Generator_Separator"));
        auto* summary = static_cast<QLabel*>(find("L_Generator_Summary"));
        auto* note = static_cast<QLabel*>(find("L_Generator_Note"));
        const auto noted = [&](const QString& text) {
            return note->isVisible() && note->text() == text &&
                   (text.isEmpty() || db.LogEndsWith(text));
        };

        const struct {
            const char* box;
            bool passphrase;
            const char* typed;
            int value;
            const char* note;
        } numbers[] = {
            {"F_Generator_Length", false, "129", 128,
             "A password has 8 to 128 characters: 128 are used, not 129."},
            {"F_Generator_Length", false, "7", 8,
             "A password has 8 to 128 characters: 8 are used, not 7."},
            {"F_Generator_Length", false, "64", 64, ""},
            {"F_Generator_Words", true, "25", 20,
             "A passphrase has 3 to 20 words: 20 are used, not 25."},
            {"F_Generator_Words", true, "4", 4, ""},
        };
        for (const auto& n : numbers) {
            if (passphrase->isChecked() != n.passphrase) {
                QTest::mouseClick(passphrase, Qt::LeftButton, {},
                                  QPoint(5, passphrase->height() / 2));
            }
            auto* box = static_cast<QSpinBox*>(find(n.box));
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, n.typed);
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(box->value(), n.value);
            QCOMPARE(box->text(), QString::number(n.value));
            const TGeneratorSettings& chosen = options->Settings();
            QCOMPARE(int(n.passphrase ? chosen.phrase.words : chosen.password.length), n.value);
            QVERIFY2(n.note[0] == '\0' ? !note->isVisible() : noted(n.note), n.typed);
        }
        QCOMPARE(summary->text(),
                 QString("Generate makes 4 words of the 7,776-word list, joined by \"-\"."));

        // An emptied separator: the last one stays, and comes back into the
        // field when its entry ends.
        separator->setFocus();
        separator->selectAll();
        QTest::keyClick(separator, Qt::Key_Backspace);
        QVERIFY(noted("The separator must be one character, not a control character or line "
                      "break: \"-\" stays."));
        QTest::keyClick(separator, Qt::Key_Return);
        QCOMPARE(separator->text(), QString("-"));
        QCOMPARE(options->Settings().phrase.separator, std::string("-"));

        // The last class of characters cannot be unchecked: with none the
        // generator would draw all four while the boxes said otherwise.
        QTest::mouseClick(passphrase, Qt::LeftButton, {}, QPoint(5, passphrase->height() / 2));
        for (const char* name : {"F_Generator_Lower", "F_Generator_Upper", "F_Generator_Symbols",
                                 "F_Generator_Digits"}) {
            auto* box = static_cast<QCheckBox*>(find(name));
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        }
        QVERIFY(static_cast<QCheckBox*>(find("F_Generator_Digits"))->isChecked());
        QVERIFY(noted("A password needs at least one kind of character. Digits 0–9 stays chosen."));
        QCOMPARE(summary->text(), QString("Generate makes 64 characters from 0–9."));
        options->close();
        db.ClickGenerate();
        QCOMPARE(db.Password().size(), 64);
        QVERIFY2(db.Password().count(QRegularExpression("[0-9]")) == 64, qPrintable(db.Password()));
    }

    // A screen reader walking the window finds the open options panel and
    // its controls under the generator; the eye is named as it reads.
    void theOptionsPanelIsInTheAccessibilityTree() {
        TDatabaseFile db;
        TFormMain& w = db.w();
        db.Choose("Bank");
        TPasswordGeneratorOptions* options = db.Generator().Options();
        const std::function<bool(QAccessibleInterface*, const QObject*, int)> reaches =
            [&reaches](QAccessibleInterface* at, const QObject* wanted, int depth) {
                if (at == nullptr || depth > 40) {
                    return false;
                }
                if (at->object() == wanted) {
                    return true;
                }
                for (int i = 0; i < at->childCount(); ++i) {
                    if (reaches(at->child(i), wanted, depth + 1)) {
                        return true;
                    }
                }
                return false;
            };
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(qApp);
        QVERIFY(reaches(root, db.Generator().GenerateButton(), 0));
        QTest::mouseClick(db.Generator().OptionsButton(), Qt::LeftButton);
        QVERIFY(options->isVisible());
        auto* length = options->findChild<QSpinBox*>("F_Generator_Length");
        QVERIFY(reaches(root, options, 0));
        QVERIFY(reaches(root, length, 0));
        QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(options);
        QVERIFY(panel->parent()->indexOfChild(panel) >= 0); // the way up leads down again
        QCOMPARE(panel->text(QAccessible::Name), QString("Password generator options"));
        options->close();
        QVERIFY(!reaches(root, options, 0));

        for (const char* eye : {"Hide password", "Show password"}) {
            QTest::mouseClick(b_Password_Show(w), Qt::LeftButton);
            QCOMPARE(
                QAccessible::queryAccessibleInterface(b_Password_Show(w))->text(QAccessible::Name),
                QString(eye));
        }
    }

    void healthReportListsFindingsAndChoosesTheRecord() {
        TDatabaseFile db;
        TFormMain& w = db.w();
        db.Choose("Safe");
        QTest::mouseClick(b_Password_Health(w), Qt::LeftButton);
        TPasswordHealthView* view = o_Password_Health(w);
        QVERIFY(view->isVisible());
        QSignalSpy shown(view, &TPasswordHealthView::reportShown);
        QVERIFY(shown.wait(10000));
        QTreeWidget* rows = view->Rows();
        const auto rowNames = [rows] {
            QStringList names;
            for (int i = 0; i < rows->topLevelItemCount(); ++i) {
                names << rows->topLevelItem(i)->text(0);
            }
            return names;
        };
        QCOMPARE(rowNames(), (QStringList{"github.com", "Mail", "Shop"}));
        QVERIFY(rows->topLevelItem(1)->text(1).contains("reused in Shop"));
        for (int i = 0; i < rows->topLevelItemCount(); ++i) {
            for (int column = 0; column < 3; ++column) {
                for (const auto& [name, password] : kStored) {
                    QVERIFY(!rows->topLevelItem(i)->text(column).contains(
                        QString::fromStdString(password)));
                }
            }
        }

        // A double-click chooses the record in the tree, Enter as well.
        const QRect shop = rows->visualItemRect(rows->topLevelItem(2));
        // As a mouse sends it: a click, then the second press as a double-click.
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, shop.center());
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, shop.center());
        QCOMPARE(page_Database_Content(w)->F_Selected_Node(), db.Node("Shop"));
        QCOMPARE(db.Password(), QString("Shared#Secret-2024-xyz"));
        rows->setCurrentItem(rows->topLevelItem(0));
        QTest::keyClick(rows, Qt::Key_Return);
        QCOMPARE(page_Database_Content(w)->F_Selected_Node(), db.Node("github.com"));

        // An edit, once written into the tree, updates the open report.
        db.Choose("Safe");
        F_Password(w)->selectAll();
        QTest::keyClicks(F_Password(w), "password1");
        db.Choose("Bank");
        // Both very weak now: by name, whatever the case of its letters.
        QTRY_COMPARE_WITH_TIMEOUT(rowNames(), (QStringList{"github.com", "Safe", "Mail", "Shop"}),
                                  10000);
        QCOMPARE(view->Folders()->topLevelItemCount(), 0); // all at the top
    }

    // Records deep in one long import folder: their rows must not all read
    // as the same beginning. Each shows its own end, and the whole path is
    // its tooltip.
    void healthRowsOfALongFolderReadApart() {
        TDatabaseFile db;
        TFormMain& w = db.w();
        const std::string folder = "Imported from Bitwarden on 11 December 2026 at 06:50";
        db.Load([&](TKeyvaleTree& tree) {
            TNodeHandle parent = tree.AddChild(kNoNode, folder, kIconFolder);
            parent = tree.AddChild(parent, "Work accounts and everything shared with the team",
                                   kIconFolder);
            for (const char* name : {"Router", "Printer"}) {
                const TNodeHandle record = tree.AddChild(parent, name, kIconEmpty);
                tree.AddChild(record, RecordDataEncode({"admin", "password1", "", "", ""}),
                              kIconEmpty);
            }
        });
        QTest::mouseClick(b_Password_Health(w), Qt::LeftButton);
        TPasswordHealthView* view = o_Password_Health(w);
        QSignalSpy shown(view, &TPasswordHealthView::reportShown);
        QVERIFY(shown.wait(10000));
        QTreeWidget* rows = view->Rows();
        rows->setCurrentItem(nullptr);
        rows->clearSelection();
        QTreeWidgetItem* shown1 = nullptr;
        QTreeWidgetItem* shown2 = nullptr;
        for (int i = 0; i < rows->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = rows->topLevelItem(i);
            const QString path = QString::fromStdString(folder) +
                                 " / Work accounts and everything shared with the team / ";
            if (item->text(0) == path + "Router") {
                shown1 = item;
            } else if (item->text(0) == path + "Printer") {
                shown2 = item;
            }
        }
        QVERIFY(shown1 && shown2);
        const auto picture = [rows](QTreeWidgetItem* item) {
            const QRect row = rows->visualItemRect(item);
            return rows->viewport()
                ->grab(QRect(row.left(), row.top(), rows->columnWidth(0), row.height()))
                .toImage();
        };
        QVERIFY(rows->fontMetrics().horizontalAdvance(shown1->text(0)) > rows->columnWidth(0));
        QVERIFY(picture(shown1) != picture(shown2));
        QCOMPARE(shown1->toolTip(0), shown1->text(0));
    }
};

} // namespace

KEYVALE_APP_TEST_MAIN(TestPasswordTools)
#include "test_password_tools.moc"
