// TFormMain: the Main password page's entry points: a database file chosen
// (checked by the session before a password is asked) and the password
// panel opened, confirmed and cancelled. The page shows; these decide.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <vector>

#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_Keyvale_Database_Path.h"
#include "U_Keyvale_Import_Sniff.h"
#include "U_Keyvale_Read_Write_Names.h"

namespace {

// The file dialog and its question are the window's children by these
// names while they are open.
constexpr const char* kOpenFileDialog = "o_Open_File_Dialog";
constexpr const char* kCreateFileQuestion = "o_Create_File_Question";

// The dialog or the question, while one is open.
std::vector<QDialog*> OpenFileChoice(const QObject& window) {
    std::vector<QDialog*> open;
    for (const char* name : {kOpenFileDialog, kCreateFileQuestion}) {
        // One that was answered may wait to be deleted.
        for (QDialog* dialog : window.findChildren<QDialog*>(QLatin1String(name))) {
            if (dialog->isVisible()) {
                open.push_back(dialog);
            }
        }
    }
    return open;
}

std::string Local8(const QString& text) {
    return text.toStdString();
}

QString FromLocal8(const std::string& text) {
    return QString::fromStdString(text);
}

// A refused file is not "Database:" under the log: that stays the open one,
// or nothing.
void ShowOpenDatabaseLabels(TPageMainPassword& page, const QString& openFile) {
    if (openFile.isEmpty()) {
        page.ClearDatabaseLabels();
    } else {
        page.ShowDatabaseLabels(openFile);
    }
}

} // namespace

void TFormMain::ConnectDatabaseLifecycle() {
    TPageMainPassword* page = o_Page_Main_Password;
    connect(page, &TPageMainPassword::fileListClicked, this, &TFormMain::o_TV_FilesClick);
    connect(page, &TPageMainPassword::openFileRequested, this, &TFormMain::i_Open_FileClick);
    connect(page, &TPageMainPassword::changePasswordRequested, this,
            &TFormMain::i_Change_Main_PasswordClick);
    connect(page, &TPageMainPassword::fileChosen, this, &TFormMain::F_Database_File_NameChange);
    connect(page, &TPageMainPassword::confirmRequested, this, &TFormMain::b_MClick);
    connect(page, &TPageMainPassword::panelCancelled, this, &TFormMain::b_Cancel_MClick);
    connect(page, &TPageMainPassword::passwordViewToggled, this, &TFormMain::P_MP_Show);
    connect(page, &TPageMainPassword::passwordConfirmed, this,
            [this](TPasswordMode mode, const QString& file, const std::string& password) {
                P_Process_MP(file, password, mode);
            });
    connect(page, &TPageMainPassword::passwordRefused, this, [this](const QString& problem) {
        P_Print_Message_2(problem, true);
        PlaySoundResource(QStringLiteral("S_W_2"));
    });
    connect(page, &TPageMainPassword::pasteCut, this, &TFormMain::P_Report_Cut_Paste);
    connect(&o_Timer_SAVE_Database, &QTimer::timeout, this, &TFormMain::o_Timer_SAVE_DatabaseTimer);
}

void TFormMain::o_TV_FilesClick() {
    o_Page_Main_Password->ChooseSelectedFile();
}

void TFormMain::i_Open_FileClick() {
    if (!OpenFileChoice(*this).empty()) {
        return; // one choice at a time
    }
    o_Page_Main_Password->SetFileNameQuietly(QString());

    // Opened, not run: no event loop waits inside this call, and whatever
    // closes or replaces the database closes the dialog before its answer
    // can count (P_Close_File_Choice).
    auto* dialog = new QFileDialog(this, QString(), s_GLOBAL_Current_Directory);
    dialog->setObjectName(QLatin1String(kOpenFileDialog));
    dialog->setNameFilter(QStringLiteral("Keyvale Database (*.kvdb)"));
    dialog->setDefaultSuffix(QStringLiteral("kvdb"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setSizeGripEnabled(true);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    const QString database = DatabaseFile();
    connect(dialog, &QDialog::accepted, this, [this, dialog, database] {
        if (!dialog->selectedFiles().isEmpty() && DatabaseFile() == database) {
            P_Choose_File(dialog->selectedFiles().constFirst());
        }
    });
    dialog->open();
}

// A file the dialog chose: it must be in a folder that exists, and a new
// one is made only when the user says so.
void TFormMain::P_Choose_File(const QString& chosen) {
    const QFileInfo info(chosen);
    if (!info.absoluteDir().exists()) {
        return; // the path must exist
    }
    if (info.exists()) {
        o_Page_Main_Password->ChooseFile(chosen);
        return;
    }
    auto* question = new QMessageBox(
        QMessageBox::Question, QStringLiteral("Create a new file"),
        info.fileName() + QStringLiteral(" does not exist.\nDo you want to create it?"),
        QMessageBox::Yes | QMessageBox::No, this);
    question->setObjectName(QLatin1String(kCreateFileQuestion));
    connect(question, &QDialog::finished, question, &QObject::deleteLater);
    const QString database = DatabaseFile();
    connect(question, &QDialog::finished, this, [this, question, chosen, database] {
        if (question->clickedButton() == question->button(QMessageBox::Yes) &&
            DatabaseFile() == database) {
            o_Page_Main_Password->ChooseFile(chosen);
        }
    });
    question->open();
}

void TFormMain::P_Close_File_Choice() {
    for (QDialog* dialog : OpenFileChoice(*this)) {
        dialog->disconnect(this);
        dialog->reject();
    }
}

void TFormMain::F_Database_File_NameChange() {
    QString path = o_Page_Main_Password->FileName();
    const std::string withExtension = WithDatabaseExtension(Local8(path));
    if (withExtension != Local8(path)) {
        path = FromLocal8(withExtension);
        o_Page_Main_Password->SetFileNameQuietly(path);
    }
    o_Page_Main_Password->ShowDatabaseLabels(path);
    if (QFileInfo::exists(path)) {
        P_Open_Database_STEP_1(path);
    } else {
        P_Create_Database_STEP_1(path);
    }
}

bool TFormMain::P_Open_Database_STEP_1(const QString& db_File_Name) {
    o_MP_Mode = TPasswordMode::Open;
    const auto refuse = [this](const QString& message) {
        P_Print_Message_2(message, true);
        ShowOpenDatabaseLabels(*o_Page_Main_Password, o_Session.IsOpen() ? DatabaseFile() : "");
        return false;
    };
    const TPathCheck check = o_Session.CheckOpen(Local8(db_File_Name));
    switch (check.problem) {
    case TPathProblem::None:
    case TPathProblem::Unreadable:
        break;
    case TPathProblem::NoName:
        return refuse(QStringLiteral("Cannot open database file. You did not specify name of a "
                                     "database file."));
    case TPathProblem::NotFound:
        return refuse(QFileInfo(db_File_Name).isDir()
                          ? QStringLiteral("Cannot open database file: ") + db_File_Name +
                                QStringLiteral(" is a folder, not a file.")
                          : QStringLiteral("File not found: ") + db_File_Name);
    case TPathProblem::BadName:
        return refuse(QStringLiteral("Error ! Cannot open database file. Specified name of "
                                     "file is incorrect << ") +
                      db_File_Name +
                      QStringLiteral(" >>. You have to specify correct file name to open "
                                     "a database. ") +
                      FromLocal8(FileNameRefusal(PathFileName(Local8(db_File_Name)))) +
                      QStringLiteral(" Rename the file to open it."));
    case TPathProblem::AlreadyOpen:
        PlaySoundResource(QStringLiteral("S_W_2"));
        return refuse(QStringLiteral("You have already opened this file. This is your current "
                                     "database. You are working with this file now."));
    default:
        return refuse(QStringLiteral("Error! Cannot read data from this file. ") +
                      FromLocal8(check.cause));
    }
    // An export of another program has no main password to ask for: say
    // what it is and where it can be read.
    if (const std::optional<TImportFormat> format = SniffExportFile(Local8(db_File_Name))) {
        return refuse(QStringLiteral("This file is %1, not a Keyvale database: it has no main "
                                     "password. To add its entries to a database, open the "
                                     "database and choose \"Import passwords...\" in the tree's "
                                     "menu (Ctrl+I), or run keyvale-cli import.")
                          .arg(FromLocal8(ExportDescription(*format))));
    }
    if (check.problem == TPathProblem::Unreadable) {
        return refuse(QStringLiteral("Error! Cannot read data from this file. ") +
                      FromLocal8(check.cause));
    }
    P_Print_Message_2(QStringLiteral("Trying to open database file \"") +
                          FromLocal8(PathFileName(Local8(db_File_Name))) + QStringLiteral("\" ..."),
                      false);
    P_MP_Panel_Show(true);
    return true;
}

void TFormMain::P_Create_Database_STEP_1(const QString& db_File_Name) {
    o_MP_Mode = TPasswordMode::Create;
    const auto refuse = [this](const QString& message) {
        P_Print_Message_2(message, true);
        ShowOpenDatabaseLabels(*o_Page_Main_Password, o_Session.IsOpen() ? DatabaseFile() : "");
    };
    const TPathCheck check = TKeyvaleSession::CheckCreate(Local8(db_File_Name));
    switch (check.problem) {
    case TPathProblem::None:
        break;
    case TPathProblem::NoName:
        refuse(QStringLiteral("Error ! Cannot create new database file. Name of database file is "
                              "empty. You have to specify correct file name to create a new "
                              "database."));
        return;
    case TPathProblem::BadName:
        refuse(QStringLiteral("Error ! Cannot create new database file. Specified name of file "
                              "is incorrect << ") +
               FromLocal8(PathFileName(Local8(db_File_Name))) +
               QStringLiteral(" >>. You have to specify correct file name to create a new "
                              "database. ") +
               FromLocal8(FileNameRefusal(PathFileName(Local8(db_File_Name)))));
        return;
    case TPathProblem::Exists:
        P_Open_Database_STEP_1(db_File_Name);
        return;
    default:
        refuse(QStringLiteral("Error ! Cannot create new database file. ") +
               FromLocal8(check.cause));
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
    if (!b_Show) {
        o_Page_Main_Password->ClosePanel();
        o_Page_Main_Password->SetFileNameQuietly(DatabaseFile());
        o_Page_Main_Password->ClearDatabaseLabels();
        return;
    }
    PlaySoundResource(QStringLiteral("S_B_MP_1"));
    const TPasswordMode mode = o_MP_Mode;
    if (mode == TPasswordMode::Open) {
        P_Print_Message_2(QStringLiteral("This database is password protected. Please, enter "
                                         "the main password of this database:"),
                          false);
    }
    // A new password is for the open database; the others for the file chosen.
    o_Page_Main_Password->ShowPanel(mode, mode == TPasswordMode::ChangePassword
                                              ? DatabaseFile()
                                              : o_Page_Main_Password->FileName());
}

void TFormMain::b_MClick() {
    if (!o_Page_Main_Password->EntryOpen()) {
        return; // Enter in a field during the lock after the last confirmation
    }
    PlaySoundResource(QStringLiteral("S_B_MP_1"));
    P_Process_MP_EVENT();
}

void TFormMain::b_Cancel_MClick() {
    PlaySoundResource(QStringLiteral("S_B_Cancel_3"));
    o_Page_Main_Password->ReopenEntry();
    P_MP_Panel_Show(false);
    P_MP_Show(false);
    if (o_Session.IsOpen()) {
        o_Page_Main_Password->ShowDatabaseLabels(DatabaseFile());
    }
}
