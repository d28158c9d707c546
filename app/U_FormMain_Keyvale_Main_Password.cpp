// TFormMain: choosing a database file on the Main password page and the
// main-password panel that slides in to take the password.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTreeWidget>

#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Read_Write_Names.h"
#include "U_Picture.h"

namespace {

// What the panel shows in each of its modes.
struct TPanelMode {
    TPasswordMode mode;
    bool retypeShown;
    const char* caption;
    const char* title;
    const char* picture;
};

constexpr TPanelMode kPanelModes[] = {
    {TPasswordMode::Create, true,
     "Directory and name of your new database file:", "Creating a new database ...", "mp_create"},
    {TPasswordMode::Open, false,
     "Directory and name of the database file:", "Opening an existing database ...", "mp_open"},
    {TPasswordMode::ChangePassword, true, "Directory and name of your database file:",
     "Changing main password of the database ...", "mp_change"},
};

// The panel slides in and out in steps of TFormMain::MP_Slide_Step pixels:
// slowly enough to be seen coming, quickly going.
constexpr int kSlideSteps =
    (TFormMain::MP_Slide_Distance + TFormMain::MP_Slide_Step - 1) / TFormMain::MP_Slide_Step;
constexpr int kSlideInMs = kSlideSteps * 20;
constexpr int kSlideOutMs = kSlideSteps * 5;

std::string Local8(const QString& text) {
    return text.toStdString();
}

QString FromLocal8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormMain::ConnectDatabaseLifecycle() {
    o_MP_Slide_ = new QPropertyAnimation(o_MP, "pos", this);
    o_MP_Slide_->setObjectName(QStringLiteral("o_MP_Slide"));
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
    connect(o_Page_Database->b_Save_Database, &QPushButton::clicked, this,
            &TFormMain::b_Save_DatabaseClick);
    connect(&o_Timer_SAVE_Database, &QTimer::timeout, this, &TFormMain::o_Timer_SAVE_DatabaseTimer);
}

void TFormMain::o_TV_FilesClick() {
    if (QTreeWidgetItem* item = o_TV_Files->currentItem(); item && item->isSelected()) {
        P_Set_File_Name_Quietly(QString());
        F_Database_File_Name->setText(s_GLOBAL_Current_Directory + item->text(0));
    }
    o_TV_Files->clearSelection();
    o_TV_Files->setCurrentItem(nullptr);
}

void TFormMain::i_Open_FileClick() {
    P_Set_File_Name_Quietly(QString());

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
        P_Set_File_Name_Quietly(FromLocal8(withExtension));
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

void TFormMain::P_Set_File_Name_Quietly(const QString& path) {
    SetTag(F_Database_File_Name, 1);
    F_Database_File_Name->setText(path);
    SetTag(F_Database_File_Name, 0);
}

void TFormMain::P_Open_Database_STEP_1(const QString& db_File_Name) {
    o_MP_Mode = TPasswordMode::Open;
    const TPathCheck check = o_Session.CheckOpen(Local8(db_File_Name));
    switch (check.problem) {
    case TPathProblem::None:
        break;
    case TPathProblem::NoName:
        P_Print_Message_2(QStringLiteral("Cannot open database file. You did not specify name of "
                                         "a database file."),
                          true);
        return;
    case TPathProblem::NotFound:
        P_Print_Message_2(QStringLiteral("File not found: ") + db_File_Name, true);
        return;
    case TPathProblem::BadName:
        P_Print_Message_2(QStringLiteral("Error ! Cannot open database file. Specified name of "
                                         "file is incorrect << ") +
                              db_File_Name +
                              QStringLiteral(" >>. You have to specify correct file name to open "
                                             "a database."),
                          true);
        return;
    case TPathProblem::AlreadyOpen:
        PlaySoundResource(QStringLiteral("S_W_2"));
        P_Print_Message_2(QStringLiteral("You have already opened this file. This is your current "
                                         "database. You are working with this file now."),
                          true);
        return;
    default:
        P_Print_Message_2(QStringLiteral("Error! Cannot read data from this file. ") +
                              FromLocal8(check.cause),
                          true);
        return;
    }
    P_Print_Message_2(QStringLiteral("Trying to open database file \"") +
                          FromLocal8(PathFileName(Local8(db_File_Name))) + QStringLiteral("\" ..."),
                      false);
    P_MP_Panel_Show(true);
}

void TFormMain::P_Create_Database_STEP_1(const QString& db_File_Name) {
    o_MP_Mode = TPasswordMode::Create;
    const TPathCheck check = TKeyvaleSession::CheckCreate(Local8(db_File_Name));
    switch (check.problem) {
    case TPathProblem::None:
        break;
    case TPathProblem::NoName:
        P_Print_Message_2(QStringLiteral("Error ! Cannot create new database file. Name of "
                                         "database file is empty. You have to specify correct "
                                         "file name to create a new database."),
                          true);
        return;
    case TPathProblem::BadName:
        P_Print_Message_2(QStringLiteral("Error ! Cannot create new database file. Specified name "
                                         "of file is incorrect << ") +
                              FromLocal8(PathFileName(Local8(db_File_Name))) +
                              QStringLiteral(" >>. You have to specify correct file name to "
                                             "create a new database."),
                          true);
        return;
    case TPathProblem::Exists:
        P_Open_Database_STEP_1(db_File_Name);
        return;
    default:
        P_Print_Message_2(QStringLiteral("Error ! Cannot create new database file. ") +
                              FromLocal8(check.cause),
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
        const TPasswordMode mode = o_MP_Mode;
        for (const TPanelMode& entry : kPanelModes) {
            if (entry.mode != mode) {
                continue;
            }
            L_MP2->setVisible(entry.retypeShown);
            F_MP2->setVisible(entry.retypeShown);
            L_MP3->setText(QString::fromLatin1(entry.caption));
            L_MP_Action->setText(QString::fromLatin1(entry.title));
            i_MP_Action->SetPicture(QString::fromLatin1(entry.picture), QSize(40, 40));
        }
        if (mode == TPasswordMode::Open) {
            P_Print_Message_2(QStringLiteral("This database is password protected. Please, enter "
                                             "the main password of this database:"),
                              false);
        }
        if (mode == TPasswordMode::ChangePassword) {
            L_Database_Path_2->setText(FromLocal8(PathDirectory(o_Session.FileName())));
            L_Database_File_2->setText(FromLocal8(PathFileName(o_Session.FileName())));
        }
    }

    if (b_Show) {
        P_MP_Slide_In();
        F_MP1->setFocus();
    } else {
        // setText, unlike clear(), also drops the undo history that would
        // keep the typed password; emptied before the panel's picture slides
        // out, so that no password goes with it.
        F_MP1->setText(QString());
        F_MP2->setText(QString());
        P_MP_Slide_Out();
        P_Set_File_Name_Quietly(DatabaseFile());
        L_Database_Path->clear();
        L_Database_File->clear();
    }
}

// The panel's place in the page layout is its shown position; it comes up
// from a place MP_Slide_Distance further down, clipped by the page. Nothing
// waits for the slide: the panel is there, and takes its password, from the
// first moment.
void TFormMain::P_MP_Slide_In() {
    if (o_MP_Slide_->state() == QAbstractAnimation::Running) {
        o_MP_Slide_->stop();
        o_MP->move(o_MP_Slide_->endValue().toPoint());
    }
    o_MP->setVisible(true);
    if (QLayout* layout = o_MP->parentWidget()->layout()) {
        layout->activate(); // the page's layout has placed the panel
    }
    const QPoint shown = o_MP->pos();
    o_MP->move(shown.x(), shown.y() + MP_Slide_Distance);
    o_MP_Slide_->setStartValue(o_MP->pos());
    o_MP_Slide_->setEndValue(shown);
    o_MP_Slide_->setDuration(kSlideInMs);
    o_MP_Slide_->start();
}

// The panel goes at once; where it could be seen, a picture of it slides down
// and out of the page in its place.
void TFormMain::P_MP_Slide_Out() {
    if (o_MP_Slide_->state() == QAbstractAnimation::Running) {
        o_MP_Slide_->stop();
        o_MP->move(o_MP_Slide_->endValue().toPoint());
    }
    if (o_MP->isHidden()) {
        return;
    }
    if (o_MP->isVisible()) {
        auto* picture = new QLabel(o_MP->parentWidget());
        picture->setObjectName(QStringLiteral("o_MP_Leaving"));
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        picture->setPixmap(o_MP->grab());
        picture->setGeometry(o_MP->geometry());
        picture->show();
        picture->raise();
        auto* slide = new QPropertyAnimation(picture, "pos", picture);
        slide->setDuration(kSlideOutMs);
        slide->setStartValue(picture->pos());
        slide->setEndValue(picture->pos() + QPoint(0, MP_Slide_Distance));
        connect(slide, &QPropertyAnimation::finished, picture, &QObject::deleteLater);
        slide->start(QAbstractAnimation::DeleteWhenStopped);
    }
    o_MP->setVisible(false);
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
    if (o_Session.IsOpen()) {
        ShowDatabaseLabels(DatabaseFile());
    }
}
