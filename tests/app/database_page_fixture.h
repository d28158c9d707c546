// The Database page with a database open, for the window tests that work on
// the folder tree and the record panel: build the tree, choose nodes with
// the mouse, read the outline and the log.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextEdit>

#include <functional>
#include <utility>

#include "U_Desktop_Alert.h"
#include "U_Idle_Time.h"
#include "U_Keyvale_Session.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Picture.h"
#include "U_Tree_Model.h"
#include "keyvale_app_test.h"

// A window on the Database page with its work area open, as after a load.
struct TOpenDatabase {
    TTestWindowFolders folders;
    std::shared_ptr<TFakeIdleTime> idle = std::make_shared<TFakeIdleTime>();
    std::unique_ptr<TFormMain> window;

    TOpenDatabase() {
        TFormMain::TServices services = folders.Services();
        services.idleTime = idle;
        window = std::make_unique<TFormMain>(services);
        window->show();
        window->P_Database_TAB_ENABLE(true);
        o_Page_Control(*window)->setCurrentWidget(page_Database(*window));
        F_Message(*window)->clear();
    }
    TFormMain& w() { return *window; }
    TKeyvaleTreeModel& model() { return *o_TV_Main_Model(*window); }
    TPageDatabase& page() { return *page_Database_Content(*window); }

    // Types a name and adds it with the picture (or with Enter).
    void Add(const QString& name, bool withEnter = false) {
        F_Folder_Name(*window)->setText(name);
        if (withEnter) {
            QTest::keyClick(F_Folder_Name(*window), Qt::Key_Return);
        } else {
            i_Folder_Create(*window)->Click();
        }
    }

    QModelIndex Find(const QString& name, const QModelIndex& parent = {}) {
        for (int row = 0; row < model().rowCount(parent); ++row) {
            const QModelIndex index = model().index(row, 0, parent);
            if (index.data().toString() == name) {
                return index;
            }
            if (QModelIndex inside = Find(name, index); inside.isValid()) {
                return inside;
            }
        }
        return {};
    }
    TNodeHandle Node(const QString& name) { return model().NodeOf(Find(name)); }

    // A click on the node's row, as the user chooses it.
    void Choose(const QString& name) {
        const QModelIndex index = Find(name);
        QVERIFY2(index.isValid(), qPrintable(name));
        if (o_TV_Main(*window)->currentIndex() == index) {
            page().P_Process_User_Select_Node_EVENT();
            return;
        }
        for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
            o_TV_Main(*window)->expand(above);
        }
        o_TV_Main(*window)->scrollTo(index);
        const QRect row = o_TV_Main(*window)->visualRect(index);
        QTest::mouseClick(o_TV_Main(*window)->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(page().F_Selected_Node(), Node(name));
    }
    QString Selected() { return o_TV_Main(*window)->currentIndex().data().toString(); }

    // Chooses the node and opens its name editor with F2.
    QLineEdit* OpenRenameEditor(const QString& name) {
        Choose(name);
        QTest::keyClick(o_TV_Main(*window), Qt::Key_F2);
        return o_TV_Main(*window)->viewport()->findChild<QLineEdit*>();
    }

    // The tree as the view sees it: name(icon)[children], siblings by spaces.
    QString Outline(const QModelIndex& parent = {}) {
        QStringList parts;
        for (int row = 0; row < model().rowCount(parent); ++row) {
            const QModelIndex index = model().index(row, 0, parent);
            QString part = index.data().toString() + "(" +
                           QString::number(model().Tree().Icon(model().NodeOf(index))) + ")";
            if (model().rowCount(index) > 0) {
                part += "[" + Outline(index) + "]";
            }
            parts << part;
        }
        return parts.join(' ');
    }

    // Every message is followed by a line of one blank.
    bool LogEndsWith(const QString& text) {
        QString log = F_Message(*window)->toPlainText();
        if (log.endsWith("\n ")) {
            log.chop(2);
        }
        return log.endsWith(" --- " + text);
    }
    bool Played(const QString& name) { return !folders.sounds->played.filter(name).isEmpty(); }
    static TDesktopAlert* Alert() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* alert = qobject_cast<TDesktopAlert*>(top)) {
                return alert;
            }
        }
        return nullptr;
    }
    bool Alerted(const QString& text) {
        TDesktopAlert* alert = Alert();
        return alert && alert->isVisible() && alert->MessageText() == "\n" + text;
    }

    // A chain of folders L0 > L1 > ... > L<last> at the root, added as the
    // user adds them: each under the one chosen before.
    void Chain(int last) {
        o_TV_Main(*window)->SelectNode(kNoNode);
        for (int level = 0; level <= last; ++level) {
            if (level > 0) {
                Choose(QString("L%1").arg(level - 1));
            }
            Add(QString("L%1").arg(level));
        }
        // Shown as after a load: folded, nothing chosen.
        o_TV_Main(*window)->collapseAll();
        o_TV_Main(*window)->SelectNode(kNoNode);
    }

    // Opens the database file with its password, as the user does on the
    // Main password page; the Database page shows it with a fresh log.
    void Open(const QString& path, const QString& password) {
        page_Main_Password_Content(*window)->SetFileNameQuietly(QString());
        F_Database_File_Name(*window)->setText(path);
        if (!b_M(*window)->isEnabled()) { // the last confirmation's rest
            QVERIFY(QMetaObject::invokeMethod(o_Timer_Enter_Button(*window), "timeout"));
        }
        F_MP1(*window)->setText(password);
        QTest::mouseClick(b_M(*window), Qt::LeftButton);
        QCOMPARE(window->DatabaseFile(), path);
        F_Message(*window)->clear();
    }

    // Puts a tree in the window the way a load does: `build` fills it in a
    // database file of its own, which the window then opens.
    void Load(const std::function<void(TKeyvaleTree&)>& build) {
        static int loads = 0;
        const QString path = folders.workingFolder.filePath(QString("load%1.kvdb").arg(++loads));
        const QString password = "load password";
        TKeyvaleSession writer;
        QVERIFY(writer.Create(path.toStdString(), password.toStdString()).Succeeded());
        build(writer.Tree());
        writer.MarkChanged();
        QVERIFY(writer.Save().Succeeded());
        writer.Close();
        Open(path, password);
    }

    void TypeRecord(const QString& login, const QString& password, const QString& email,
                    const QString& url, const QStringList& noteLines) {
        for (auto [field, text] : {std::pair{F_Login(*window), login},
                                   {F_Password(*window), password},
                                   {F_EMail(*window), email},
                                   {F_URL(*window), url}}) {
            field->clear();
            field->insert(text); // typed, as far as the field can tell
        }
        F_Note(*window)->clear();
        for (int i = 0; i < noteLines.size(); ++i) {
            if (i > 0) {
                QTest::keyClick(F_Note(*window), Qt::Key_Return);
            }
            F_Note(*window)->insertPlainText(noteLines[i]);
        }
    }
    QStringList Fields() {
        return {F_Login(*window)->text(), F_Password(*window)->text(), F_EMail(*window)->text(),
                F_URL(*window)->text(), F_Note(*window)->toPlainText()};
    }
};
