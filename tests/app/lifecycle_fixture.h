// What the window tests of a database's life share: a window on throw-away
// folders with a settable idle time, and the user's steps on the password
// panel, the logs and the files.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <QTabBar>
#include <QTabWidget>

#include "U_Desktop_Alert.h"
#include "U_Idle_Time.h"
#include "U_Keyvale_Database_File.h"
#include "U_Keyvale_Session.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Picture.h"
#include "keyvale_app_test.h"

// A window on throw-away folders whose idle time the test sets.
struct TLifecycleFixture {
    TTestWindowFolders folders;
    std::shared_ptr<TFakeIdleTime> idle = std::make_shared<TFakeIdleTime>();

    std::unique_ptr<TFormMain> NewWindow() {
        TFormMain::TServices services = folders.Services();
        services.idleTime = idle;
        auto window = std::make_unique<TFormMain>(services);
        window->show();
        return window;
    }
    QString Path(const QString& name) const { return folders.workingFolder.filePath(name); }
    // The names of the clips played since the last call.
    QStringList TakeSounds() {
        QStringList names;
        for (const QString& url : folders.sounds->played) {
            names << QFileInfo(url).baseName();
        }
        folders.sounds->played.clear();
        return names;
    }
};

// A timer's work without waiting for it.
inline void Fire(QTimer& timer) {
    QVERIFY(QMetaObject::invokeMethod(&timer, "timeout"));
}

// Types the password (and its repetition) and presses "Enter password",
// after the lock of the previous confirmation has run out.
inline void EnterPassword(TFormMain& window, const QString& password, const QString& repeat) {
    if (!b_M(window)->isEnabled()) {
        Fire(*o_Timer_Enter_Button(window));
    }
    F_MP1(window)->setText(password);
    F_MP2(window)->setText(repeat);
    QTest::mouseClick(b_M(window), Qt::LeftButton);
}

// Chooses the path as the file dialog or the list would: the field is
// emptied quietly first, so the same path can be chosen again.
inline void Choose(TFormMain& window, const QString& path) {
    page_Main_Password_Content(window)->SetFileNameQuietly(QString());
    F_Database_File_Name(window)->setText(path);
}

inline void CreateDatabase(TFormMain& window, const QString& path, const QString& password) {
    Choose(window, path);
    QCOMPARE(PasswordPanelShows(window), TPasswordMode::Create);
    EnterPassword(window, password, password);
    QCOMPARE(window.DatabaseFile(), path);
}

inline QString LastLine(const QTextEdit* log) {
    const QStringList lines = log->toPlainText().split('\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->trimmed().size() > 0) {
            return line->mid(line->indexOf(" --- ") + 5);
        }
    }
    return {};
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QStringList ListTexts(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(0);
    }
    return texts;
}

inline bool IsZero(const TByteArray& bytes, std::size_t size) {
    return bytes == TByteArray(size, 0);
}

// Makes every save fail at its last step, as a full disk does; the file on
// disk stays as it was.
inline void BlockSaves() {
    DiskFault() = " [FileWriteError] No space left on device.";
}

inline void UnblockSaves() {
    DiskFault().clear();
}

// Types a folder name and adds it with the picture, as the user does.
inline void AddFolder(TFormMain& window, const QString& name) {
    F_Folder_Name(window)->setText(name);
    i_Folder_Create(window)->Click();
}

// The tree the folder tree shows: its model's, found by name.
inline const TKeyvaleTree& ShownTree(TFormMain& window) {
    return o_TV_Main_Model(window)->Tree();
}

// The database in the file, read with its password as another program would.
inline TKeyvaleTree TreeOnDisk(const QString& path, const QString& password) {
    TKeyMaterial keys;
    TKeyvaleTree tree;
    const TDatabaseLoadResult loaded =
        LoadDatabaseFileWithPassword(path.toStdString(), password.toStdString(), keys, tree);
    if (loaded.status != TDatabaseLoadStatus::Loaded) {
        tree.Clear();
    }
    return tree;
}

// A click on the page's tab.
inline void ClickTab(TFormMain& window, QWidget* page) {
    QTabBar* bar = o_Page_Control(window)->tabBar();
    const int index = o_Page_Control(window)->indexOf(page);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// Adds a root folder to a database open in a session and saves it, as a
// second program working on the same file would.
inline void AddFolderTo(TKeyvaleSession& session, const std::string& name) {
    session.Tree().AddChild(kNoNode, name, kIconEmpty);
    session.MarkChanged();
    QVERIFY(session.Save().Succeeded());
}

// The outline of the database in the file, read as another program would.
inline std::string NamesOnDisk(const QString& path, const QString& password) {
    TKeyvaleSession reader;
    if (!reader.Open(path.toStdString(), password.toStdString()).Succeeded()) {
        return "cannot open";
    }
    std::string names;
    const TKeyvaleTree& tree = reader.Tree();
    for (TNodeHandle node = tree.First(); node != kNoNode; node = tree.NextInPreOrder(node)) {
        if (IsUserNode(tree, node)) {
            names += tree.Text(node) + ";";
        }
    }
    return names;
}

// The desktop alert shows this text now.
inline bool Alerted(const QString& text) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* alert = qobject_cast<TDesktopAlert*>(top);
            alert && alert->isVisible() && alert->MessageText() == "\n" + text) {
            return true;
        }
    }
    return false;
}
