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
        o_Page_Control(*window)->setCurrentWidget(page_Database(*window));
        F_Message(*window)->clear();
    }
    TFormMain& w() { return *window; }
    TKeyvaleTreeModel& model() { return *o_TV_Main_Model(*window); }

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
            window->P_Process_User_Select_Node_EVENT();
            return;
        }
        for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
            o_TV_Main(*window)->expand(above);
        }
        o_TV_Main(*window)->scrollTo(index);
        const QRect row = o_TV_Main(*window)->visualRect(index);
        QTest::mouseClick(o_TV_Main(*window)->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(window->F_Selected_Node(), Node(name));
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
