// TFormMain: choosing a database file on the Main password page and the
// main-password panel that slides in to take the password.
#include "U_FormMain_Keyvale.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>

#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "U_Picture.h"

namespace {

// What the panel shows in each of its modes (its tag).
struct TPanelMode {
    int tag;
    bool retypeShown;
    const char* caption;
    const char* title;
    const char* picture;
};

constexpr TPanelMode kPanelModes[] = {
    {1, true, "Directory and name of your new database file:", "Creating a new database ...",
     "mp_create"},
    {2, false, "Directory and name of the database file:", "Opening an existing database ...",
     "mp_open"},
    {3, true, "Directory and name of your database file:",
     "Changing main password of the database ...", "mp_change"},
};

constexpr int kProbeReadCount = 1000;
constexpr int kSlideInPauseMs = 20;
constexpr int kSlideOutPauseMs = 5;

std::string Local8(const QString& text) {
    return text.toStdString();
}

QString FromLocal8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormMain::ConnectDatabaseLifecycle() {
    connect(o_TV_Files, &QTreeWidget::itemClicked, this, [this] { o_TV_FilesClick(); });
    connect(i_Open_File, &TPicture::clicked, this, &TFormMain::i_Open_FileClick);
    connect(i_Main_Password_1, &TPicture::clicked, this, &TFormMain::i_Open_FileClick);
    connect(i_Change_Main_Password, &TPicture::clicked, this,
            &TFormMain::i_Change_Main_PasswordClick);
    connect(F_Database_File_Name, &QLineEdit::textChanged, this,
            &TFormMain::F_Database_File_NameChange);
    connect(b_M, &QPushButton::clicked, this, &TFormMain::b_MClick);
    connect(F_MP1, &QLineEdit::returnPressed, this, &TFormMain::b_MClick);
    connect(F_MP2, &QLineEdit::returnPressed, this, &TFormMain::b_MClick);
    connect(b_Cancel_M, &QPushButton::clicked, this, &TFormMain::b_Cancel_MClick);
    connect(F_MP1, &QLineEdit::textChanged, this, [this] {
        L_Wrong_Password->setVisible(false);
        L_Short_Password->setVisible(false);
    });
    connect(F_MP2, &QLineEdit::textChanged, this, [this] { L_Short_Password->setVisible(false); });
    connect(b_Save_Database, &QPushButton::clicked, this, &TFormMain::b_Save_DatabaseClick);
    connect(&o_Timer_SAVE_Database, &QTimer::timeout, this, &TFormMain::o_Timer_SAVE_DatabaseTimer);
}

void TFormMain::o_TV_FilesClick() {
    if (Tag(o_TV_Files) == 1) {
        return;
    }
    SetTag(o_TV_Files, 1);
    if (QTreeWidgetItem* item = o_TV_Files->currentItem(); item && item->isSelected()) {
        SetTag(F_Database_File_Name, 1);
        F_Database_File_Name->clear();
        SetTag(F_Database_File_Name, 0);
        F_Database_File_Name->setText(s_GLOBAL_Current_Directory + item->text(0));
    }
    SetTag(o_TV_Files, 0);
    o_TV_Files->clearSelection();
    o_TV_Files->setCurrentItem(nullptr);
}

void TFormMain::i_Open_FileClick() {
    SetTag(F_Database_File_Name, 1);
    F_Database_File_Name->clear();
    SetTag(F_Database_File_Name, 0);

    QFileDialog dialog(this, QString(), s_GLOBAL_Current_Directory);
    dialog.setNameFilter(QStringLiteral("Keyvale Database (*.kvdb)"));
    dialog.setDefaultSuffix(QStringLiteral("kvdb"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    const QFileInfo info(chosen);
    if (!info.absoluteDir().exists()) {
        return; // the path must exist
    }
    if (!info.exists()) {
        const auto answer = QMessageBox::question(
            this, QStringLiteral("Create a new file"),
            info.fileName() + QStringLiteral(" does not exist.\nDo you want to create it?"));
        if (answer != QMessageBox::Yes) {
            return;
        }
    }
    F_Database_File_Name->setText(chosen);
}

void TFormMain::F_Database_File_NameChange() {
    if (Tag(F_Database_File_Name) != 0) {
        return;
    }
    QString path = F_Database_File_Name->text();
    const std::string withExtension = WithDatabaseExtension(Local8(path));
    if (withExtension != Local8(path)) {
        SetTag(F_Database_File_Name, 1);
        F_Database_File_Name->setText(FromLocal8(withExtension));
        SetTag(F_Database_File_Name, 0);
        path = F_Database_File_Name->text();
    }
    ShowDatabaseLabels(path);
    if (QFileInfo::exists(path)) {
        P_Open_Database_STEP_1(path);
    } else {
        P_Create_Database_STEP_1(path);
    }
}

void TFormMain::ShowDatabaseLabels(const QString& path) {
    L_Database_Path->setText(FromLocal8(PathDirectory(Local8(path))));
    L_Database_File->setText(FromLocal8(PathFileName(Local8(path))));
}

void TFormMain::P_Open_Database_STEP_1(const QString& db_File_Name) {
    SetTag(o_MP, 2);
    const std::string fileName = PathFileName(Local8(db_File_Name));
    if (FromLocal8(fileName).trimmed().isEmpty()) {
        P_Print_Message_2(QStringLiteral("Cannot open database file. You did not specify name of "
                                         "a database file."),
                          true);
        return;
    }
    if (!QFileInfo(db_File_Name).isFile()) {
        P_Print_Message_2(QStringLiteral("File not found: ") + db_File_Name, true);
        return;
    }
    if (!IsValidFileName(fileName)) {
        P_Print_Message_2(QStringLiteral("Error ! Cannot open database file. Specified name of "
                                         "file is incorrect << ") +
                              db_File_Name +
                              QStringLiteral(" >>. You have to specify correct file name to open "
                                             "a database."),
                          true);
        return;
    }
    const std::string readError = ProbeReadFile(Local8(db_File_Name), kProbeReadCount);
    if (!readError.empty()) {
        P_Print_Message_2(QStringLiteral("Error! Cannot read data from this file. ") +
                              FromLocal8(readError),
                          true);
        return;
    }
    if (db_File_Name == s_GLOBAL_Database_File) {
        PlaySoundResource(QStringLiteral("S_W_2"));
        P_Print_Message_2(QStringLiteral("You have already opened this file. This is your current "
                                         "database. You are working with this file now."),
                          true);
        return;
    }
    P_Print_Message_2(QStringLiteral("Trying to open database file \"") + FromLocal8(fileName) +
                          QStringLiteral("\" ..."),
                      false);
    P_MP_Panel_Show(true);
}

void TFormMain::P_Create_Database_STEP_1(const QString& db_File_Name) {
    SetTag(o_MP, 1);
    const std::string fileName = PathFileName(Local8(db_File_Name));
    if (FromLocal8(fileName).trimmed().isEmpty()) {
        P_Print_Message_2(QStringLiteral("Error ! Cannot create new database file. Name of "
                                         "database file is empty. You have to specify correct "
                                         "file name to create a new database."),
                          true);
        return;
    }
    if (!IsValidFileName(fileName)) {
        P_Print_Message_2(QStringLiteral("Error ! Cannot create new database file. Specified name "
                                         "of file is incorrect << ") +
                              FromLocal8(fileName) +
                              QStringLiteral(" >>. You have to specify correct file name to "
                                             "create a new database."),
                          true);
        return;
    }
    if (QFileInfo::exists(db_File_Name)) {
        P_Open_Database_STEP_1(db_File_Name);
        return;
    }
    const std::string createError = ProbeCreateFile(Local8(db_File_Name));
    if (!createError.empty()) {
        P_Print_Message_2(QStringLiteral("Error ! Cannot create new database file. ") +
                              FromLocal8(createError),
                          true);
        return;
    }
    P_Print_Message_2(
        QStringLiteral("You have to enter main password for protection of a new database. All "
                       "data in the database will be encrypted and secured by your main "
                       "password. It is strongly recommended to invent long and complicated "
                       "password, which contains special symbols, numeric and alphabet "
                       "characters."),
        false);
    P_MP_Panel_Show(true);
}

void TFormMain::P_MP_Panel_Show(bool b_Show) {
    if (b_Show) {
        PlaySoundResource(QStringLiteral("S_B_MP_1"));
    }
    for (TPicture* picture : {i_Open_File, i_Main_Password_1, i_Change_Main_Password}) {
        picture->setEnabled(!b_Show);
    }
    L_Database_Path_2->setText(L_Database_Path->text());
    L_Database_File_2->setText(L_Database_File->text());
    L_Wrong_Password->setVisible(false);
    L_Short_Password->setVisible(false);

    if (b_Show) {
        const int mode = Tag(o_MP);
        for (const TPanelMode& entry : kPanelModes) {
            if (entry.tag != mode) {
                continue;
            }
            L_MP2->setVisible(entry.retypeShown);
            F_MP2->setVisible(entry.retypeShown);
            L_MP3->setText(QString::fromLatin1(entry.caption));
            L_MP_Action->setText(QString::fromLatin1(entry.title));
            i_MP_Action->SetPicture(QString::fromLatin1(entry.picture), QSize(40, 40));
        }
        if (mode == 2) {
            P_Print_Message_2(QStringLiteral("This database is password protected. Please, enter "
                                             "the main password of this database:"),
                              false);
        }
        if (mode == 3) {
            L_Database_Path_2->setText(FromLocal8(PathDirectory(Local8(s_GLOBAL_Database_File))));
            L_Database_File_2->setText(FromLocal8(PathFileName(Local8(s_GLOBAL_Database_File))));
        }
    }

    // The panel's place in the page layout is its shown position; it slides
    // between that and a place MP_Slide_Distance further down, clipped by
    // the page. The last step stops exactly at the end.
    if (b_Show) {
        ProcessMessages(); // let the page settle its layout before the slide
        const QPoint shown = o_MP->pos();
        o_MP->move(shown.x(), shown.y() + MP_Slide_Distance);
        o_MP->setVisible(true);
        for (int moved = 0; moved < MP_Slide_Distance; moved += MP_Slide_Step) {
            ProcessMessages();
            const int left = MP_Slide_Distance - moved - MP_Slide_Step;
            o_MP->move(shown.x(), shown.y() + std::max(left, 0));
            ProcessMessages();
            QThread::msleep(kSlideInPauseMs);
        }
        F_MP1->setFocus();
    } else {
        if (!o_MP->isHidden()) {
            // Slides out only where it can be seen; on another page it just goes.
            const QPoint shown = o_MP->pos();
            for (int moved = 0; o_MP->isVisible() && moved < MP_Slide_Distance;
                 moved += MP_Slide_Step) {
                ProcessMessages();
                o_MP->move(shown.x(), shown.y() + moved + MP_Slide_Step);
                ProcessMessages();
                QThread::msleep(kSlideOutPauseMs);
            }
            o_MP->setVisible(false);
            o_MP->move(shown);
        }
        // setText, unlike clear(), also drops the undo history that would
        // keep the typed password.
        F_MP1->setText(QString());
        F_MP2->setText(QString());
        SetTag(F_Database_File_Name, 1);
        F_Database_File_Name->setText(s_GLOBAL_Database_File);
        SetTag(F_Database_File_Name, 0);
        L_Database_Path->clear();
        L_Database_File->clear();
    }
}

void TFormMain::b_MClick() {
    if (!b_M->isEnabled()) {
        return; // Enter in a field during the lock after the last confirmation
    }
    PlaySoundResource(QStringLiteral("S_B_MP_1"));
    P_Process_MP_EVENT();
}

void TFormMain::b_Cancel_MClick() {
    PlaySoundResource(QStringLiteral("S_B_Cancel_3"));
    b_M->setEnabled(true);
    P_MP_Panel_Show(false);
    P_MP_Show(false);
    if (!s_GLOBAL_Database_File.isEmpty()) {
        ShowDatabaseLabels(s_GLOBAL_Database_File);
    }
}
