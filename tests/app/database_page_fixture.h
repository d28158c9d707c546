// The Database page with a database open, for the window tests that work on
// the folder tree and the record panel: build the tree, choose nodes with
// the mouse, read the outline and the log.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextEdit>

#include <utility>

#include "U_Desktop_Alert.h"
#include "U_Idle_Time.h"
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
        window->o_Page_Control->setCurrentWidget(window->page_Database);
        window->F_Message->clear();
    }
    TFormMain& w() { return *window; }
    TKeyvaleTreeModel& model() { return *window->o_TV_Main_Model; }

    // Types a name and adds it with the picture (or with Enter).
    void Add(const QString& name, bool withEnter = false) {
        window->F_Folder_Name->setText(name);
        if (withEnter) {
            QTest::keyClick(window->F_Folder_Name, Qt::Key_Return);
        } else {
            window->i_Folder_Create->Click();
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
        if (window->o_TV_Main->currentIndex() == index) {
            window->P_Process_User_Select_Node_EVENT();
            return;
        }
        for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
            window->o_TV_Main->expand(above);
        }
        window->o_TV_Main->scrollTo(index);
        const QRect row = window->o_TV_Main->visualRect(index);
        QTest::mouseClick(window->o_TV_Main->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(window->F_Selected_Node(), Node(name));
    }
    QString Selected() { return window->o_TV_Main->currentIndex().data().toString(); }

    // Chooses the node and opens its name editor with F2.
    QLineEdit* OpenRenameEditor(const QString& name) {
        Choose(name);
        QTest::keyClick(window->o_TV_Main, Qt::Key_F2);
        return window->o_TV_Main->viewport()->findChild<QLineEdit*>();
    }

    // The tree as the view sees it: name(icon)[children], siblings by spaces.
    QString Outline(const QModelIndex& parent = {}) {
        QStringList parts;
        for (int row = 0; row < model().rowCount(parent); ++row) {
            const QModelIndex index = model().index(row, 0, parent);
            QString part = index.data().toString() + "(" +
                           QString::number(window->o_Tree_Data.Icon(model().NodeOf(index))) + ")";
            if (model().rowCount(index) > 0) {
                part += "[" + Outline(index) + "]";
            }
            parts << part;
        }
        return parts.join(' ');
    }

    // Every message is followed by a line of one blank.
    bool LogEndsWith(const QString& text) {
        QString log = window->F_Message->toPlainText();
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

    // A chain of folders L0 > L1 > ... > L<last>, put in the tree the way a
    // load puts it there.
    void Chain(int last) {
        TNodeHandle parent = kNoNode;
        for (int level = 0; level <= last; ++level) {
            parent =
                window->o_Tree_Data.AddChild(parent, QString("L%1").arg(level).toStdString(), 1);
        }
        P_Arrange_Icons_for_TreeView(window->o_Tree_Data);
        window->P_Tree_View_Reset();
    }

    void TypeRecord(const QString& login, const QString& password, const QString& email,
                    const QString& url, const QStringList& noteLines) {
        for (auto [field, text] : {std::pair{window->F_Login, login},
                                   {window->F_Password, password},
                                   {window->F_EMail, email},
                                   {window->F_URL, url}}) {
            field->clear();
            field->insert(text); // typed, as far as the field can tell
        }
        window->F_Note->clear();
        for (int i = 0; i < noteLines.size(); ++i) {
            if (i > 0) {
                QTest::keyClick(window->F_Note, Qt::Key_Return);
            }
            window->F_Note->insertPlainText(noteLines[i]);
        }
    }
    QStringList Fields() {
        return {window->F_Login->text(), window->F_Password->text(), window->F_EMail->text(),
                window->F_URL->text(), window->F_Note->toPlainText()};
    }
};
