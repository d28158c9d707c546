// TPageMainPassword: building the page (the message window, the list of
// database files, the open/create pictures and the main-password panel) and
// wiring its widgets to the page's own signals.
#include "U_FormMain_Keyvale_Page_Main_Password.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "U_Elided_Label.h"
#include "U_Event_Hook.h"
#include "U_Page_Layout.h"
#include "U_Paste_Limit.h"
#include "U_Picture.h"
#include "U_Primary_Selection_Guard.h"
#include "U_Widget_Names.h"

using namespace keyvale_layout;

namespace {

// The welcome text's template; "********" stands for the database extension.
const char* const kWelcomeTemplate =
    "\n"
    "\n"
    "\n"
    " Welcome to \"Keyvale\" program !\n"
    "\n"
    "Choose your database (file with << ******** >> extension)  \n"
    "    and enter a main password to open it, or create a new database.";

constexpr int kHintTickMs = 2000;
// After each confirmation the entry rests, so that a held Enter does not repeat it.
constexpr int kEnterLockMs = 1500;

constexpr QSize kBigDrawn(BigPicture - 2 * PictureBorder, BigPicture - 2 * PictureBorder);

QLabel* RedNotice(QLabel* label) {
    label->setStyleSheet(QStringLiteral("color: #c0392b; font-weight: bold;"));
    label->setVisible(false);
    return label;
}

} // namespace

TPageMainPassword::TPageMainPassword(QWidget* parent) : QWidget(parent) {
    Named(this, "page_Main_Password_Content", QStringLiteral("Main password"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    layout->setSpacing(8);
    layout->addWidget(CreateLog());
    layout->addLayout(CreateFileRow());

    auto* work = new QHBoxLayout;
    work->setSpacing(14);
    layout->addLayout(work, 1);
    work->addLayout(CreateFileList());
    work->addLayout(CreatePictures());
    CreateHint();
    work->addWidget(CreatePanel(), 1);
    ConnectPage();
    ShowPassword(false);
    ShowDatabaseOpen(false);

    o_Timer_Hint.setObjectName(QStringLiteral("o_Timer_Hint"));
    o_Timer_Hint.setInterval(kHintTickMs);
    connect(&o_Timer_Hint, &QTimer::timeout, this, &TPageMainPassword::o_Timer_HintTimer);
    // The ticks count from the end of the start-up, once events run.
    QTimer::singleShot(0, &o_Timer_Hint, qOverload<>(&QTimer::start));
    o_Timer_Enter_Button.setObjectName(QStringLiteral("o_Timer_Enter_Button"));
    o_Timer_Enter_Button.setInterval(kEnterLockMs);
    connect(&o_Timer_Enter_Button, &QTimer::timeout, this,
            &TPageMainPassword::o_Timer_Enter_ButtonTimer);
}

QWidget* TPageMainPassword::CreateLog() {
    F_Message_2 = Named(new QTextEdit(this), "F_Message_2", QStringLiteral("Message window"));
    F_Message_2->setReadOnly(true);
    F_Message_2->setAcceptRichText(false);
    F_Message_2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    F_Message_2->setFixedHeight(LogHeight);

    F_Message_Start = Named(new QTextEdit(this), "F_Message_Start", QStringLiteral("Welcome text"));
    F_Message_Start->setPlainText(QString::fromUtf8(kWelcomeTemplate));
    F_Message_Start->setVisible(false);
    return F_Message_2;
}

// The chosen database file: folder and name, and the hidden field that
// carries the chosen path.
QLayout* TPageMainPassword::CreateFileRow() {
    auto* fileRow = new QHBoxLayout;
    auto* fileCaption = Caption(Named(new QLabel(QStringLiteral(" Database:"), this),
                                      "L_Database_Caption", QStringLiteral("Database")));
    L_Database_Path =
        Named(new TElidedLabel(this), "L_Database_Path", QStringLiteral("Database folder"));
    L_Database_File =
        Named(new TElidedLabel(this), "L_Database_File", QStringLiteral("Database file"));
    L_Database_File->setStyleSheet(QStringLiteral("font-weight: bold;"));
    for (QLabel* label : {L_Database_Path, L_Database_File}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    fileRow->addWidget(fileCaption);
    fileRow->addWidget(L_Database_Path);
    fileRow->addWidget(L_Database_File);
    fileRow->addStretch(1);

    F_Database_File_Name =
        Named(new QLineEdit(this), "F_Database_File_Name", QStringLiteral("Database file name"));
    F_Database_File_Name->setVisible(false);
    return fileRow;
}

// Left: the database files of the working directory.
QLayout* TPageMainPassword::CreateFileList() {
    auto* files = new QVBoxLayout;
    L_Database_Files =
        Caption(Named(new QLabel(QStringLiteral(" Database files in current directory:"), this),
                      "L_Database_Files", QStringLiteral("Database files in current directory")));
    o_TV_Files = Named(new QTreeWidget(this), "o_TV_Files", QStringLiteral("Database files"));
    o_TV_Files->setHeaderHidden(true);
    o_TV_Files->setRootIsDecorated(false);
    o_TV_Files->setItemsExpandable(false);
    o_TV_Files->setEditTriggers(QAbstractItemView::NoEditTriggers);
    o_TV_Files->setIconSize(QSize(32, 32));
    o_TV_Files->setFixedWidth(FileListWidth);
    L_Database_Files->setBuddy(o_TV_Files);
    files->addWidget(L_Database_Files);
    files->addWidget(o_TV_Files, 1);
    return files;
}

// Middle: open/create pictures; the change-password picture takes the
// create picture's place while a database is open.
QLayout* TPageMainPassword::CreatePictures() {
    const auto picture = [this](const char* name, const char* drawing, const QString& spoken,
                                const QString& hint) {
        auto* made = Named(new TPicture(this), name, spoken);
        made->SetPicture(QString::fromLatin1(drawing), kBigDrawn);
        Hinted(made, hint);
        made->SetClickable(true);
        made->setFixedSize(BigPicture + 12, BigPicture);
        return made;
    };
    i_Open_File = picture("i_Open_File", "open_file", QStringLiteral("Open a database"),
                          QStringLiteral("  Open an existing database or create a new one  "));
    i_Main_Password_1 =
        picture("i_Main_Password_1", "new_database", QStringLiteral("Create a new database"),
                QStringLiteral("  Choose a database file to open or to create  "));
    i_Change_Main_Password = picture("i_Change_Main_Password", "change_main_password",
                                     QStringLiteral("Change main password"),
                                     QStringLiteral("  Change main password of your database  "));

    auto* openCaption = Named(new QLabel(QStringLiteral("Open or create"), this), "L_Open_File",
                              QStringLiteral("Open or create"));
    auto* passwordCaption = Named(new QLabel(QStringLiteral("Main password"), this),
                                  "L_Main_Password_Picture", QStringLiteral("Main password"));
    for (QLabel* caption : {openCaption, passwordCaption}) {
        caption->setAlignment(Qt::AlignHCenter);
        Caption(caption);
    }
    // The caption names the picture above it: while a database is open that
    // is the change-password picture.
    TEventHook::Install(i_Change_Main_Password, [passwordCaption](QEvent* event) {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            passwordCaption->setText(event->type() == QEvent::ShowToParent
                                         ? QStringLiteral("Change main password")
                                         : QStringLiteral("Main password"));
            passwordCaption->setAccessibleName(passwordCaption->text());
        }
        return false;
    });
    auto* pictures = new QGridLayout;
    pictures->setVerticalSpacing(4);
    pictures->addWidget(i_Open_File, 0, 0, Qt::AlignHCenter);
    pictures->addWidget(i_Main_Password_1, 0, 1, Qt::AlignHCenter);
    pictures->addWidget(i_Change_Main_Password, 0, 1, Qt::AlignHCenter);
    pictures->addWidget(openCaption, 1, 0);
    pictures->addWidget(passwordCaption, 1, 1);

    // A position mark for the start hint: invisible, but it keeps its place.
    b_Create_Database =
        Named(new QPushButton(this), "b_Create_Database", QStringLiteral("Hint position"));
    b_Create_Database->setFixedSize(BigPicture, 120);
    QSizePolicy keepPlace = b_Create_Database->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    b_Create_Database->setSizePolicy(keepPlace);
    b_Create_Database->setVisible(false);
    pictures->addWidget(b_Create_Database, 2, 0, Qt::AlignHCenter | Qt::AlignTop);
    pictures->setRowStretch(3, 1);
    return pictures;
}

void TPageMainPassword::CreateHint() {
    i_Hint_1 = Named(new TPicture(this), "i_Hint_1", QStringLiteral("Hint arrow"));
    i_Hint_1->SetPicture(QStringLiteral("arrow_up"), QSize(48, 48));
    i_Hint_1->setFixedSize(48, 48);
    i_Hint_1->setVisible(false);
}

// Right: the main-password panel, shown when a file has been chosen.
QFrame* TPageMainPassword::CreatePanel() {
    o_MP = Named(new QFrame(this), "o_MP", QStringLiteral("Main password panel"));
    o_MP->setMinimumWidth(440);
    QSizePolicy panelPlace = o_MP->sizePolicy();
    panelPlace.setRetainSizeWhenHidden(true);
    o_MP->setSizePolicy(panelPlace);
    auto* grid = new QGridLayout(o_MP);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setVerticalSpacing(6);
    grid->addLayout(CreatePanelTitle(), 0, 0, 1, 3);
    CreatePanelFields(grid);
    grid->addLayout(CreatePanelButtons(), 10, 0, 1, 3);
    // The fields and the buttons come first, so that Tab after the password
    // reaches the retyped one and Enter on a focused eye is never a surprise;
    // the eye is last.
    QWidget::setTabOrder(F_MP1, F_MP2);
    QWidget::setTabOrder(F_MP2, b_M);
    QWidget::setTabOrder(b_M, b_Cancel_M);
    QWidget::setTabOrder(b_Cancel_M, i_MP_View);
    grid->setRowStretch(11, 1);
    grid->setColumnStretch(0, 1);
    o_MP->setVisible(false);

    panelSlide_ = new QPropertyAnimation(o_MP, "pos", this);
    panelSlide_->setObjectName(QStringLiteral("o_MP_Slide"));
    return o_MP;
}

QLayout* TPageMainPassword::CreatePanelTitle() {
    i_MP_Action = Named(new TPicture(o_MP), "i_MP_Action", QStringLiteral("Mode picture"));
    i_MP_Action->SetPicture(QStringLiteral("mp_open"), QSize(40, 40));
    L_MP_Action =
        Caption(Named(new QLabel(QStringLiteral("Opening an existing database ..."), o_MP),
                      "L_MP_Action", QStringLiteral("Action")));
    L_MP_Action->setStyleSheet(QStringLiteral("font-size: 15pt;"));
    L_MP_Action->setWordWrap(true); // the change-password title is the longest
    auto* title = new QHBoxLayout;
    title->addWidget(i_MP_Action);
    title->addWidget(L_MP_Action, 1);
    return title;
}

// Rows 1 to 9: the file, the two password fields with the eye, and the notices.
void TPageMainPassword::CreatePanelFields(QGridLayout* grid) {
    L_MP3 = Named(new QLabel(QStringLiteral("Directory and name of the database file:"), o_MP),
                  "L_MP3", QStringLiteral("Directory and name of the database file"));
    L_Database_Path_2 =
        Named(new TElidedLabel(o_MP), "L_Database_Path_2", QStringLiteral("Database folder"));
    L_Database_File_2 =
        Named(new TElidedLabel(o_MP), "L_Database_File_2", QStringLiteral("Database file"));
    L_Database_File_2->setStyleSheet(QStringLiteral("font-weight: bold;"));
    grid->addWidget(L_MP3, 1, 0, 1, 3);
    grid->addWidget(L_Database_Path_2, 2, 0, 1, 3);
    grid->addWidget(L_Database_File_2, 3, 0, 1, 3);

    L_MP1 = Named(new QLabel(QStringLiteral(" Type main password of the database: "), o_MP),
                  "L_MP1", QStringLiteral("Type main password of the database"));
    F_MP1 = Named(new QLineEdit(o_MP), "F_MP1", QStringLiteral("Main password"));
    L_MP2 = Named(new QLabel(QStringLiteral(" Retype password: "), o_MP), "L_MP2",
                  QStringLiteral("Retype password"));
    F_MP2 = Named(new QLineEdit(o_MP), "F_MP2", QStringLiteral("Retype password"));
    for (QLineEdit* field : {F_MP1, F_MP2}) {
        field->setMaxLength(1024);
        field->setEchoMode(QLineEdit::Password);
    }
    L_MP1->setBuddy(F_MP1);
    L_MP2->setBuddy(F_MP2);
    i_MP_View = Named(new TPicture(o_MP), "i_MP_View", QStringLiteral("Show password"));
    i_MP_View->SetClickable(true);
    i_MP_View->setFixedSize(40, 40);
    o_Shape_MP1 = Named(new QFrame(o_MP), "o_Shape_MP1", QStringLiteral("Hover frame"));
    o_Shape_MP1->setAttribute(Qt::WA_TransparentForMouseEvents);
    o_Shape_MP1->setVisible(false);
    grid->addWidget(L_MP1, 4, 0, 1, 3);
    grid->addWidget(F_MP1, 5, 0, 1, 2);
    grid->addWidget(i_MP_View, 5, 2);
    grid->addWidget(L_MP2, 6, 0, 1, 3);
    grid->addWidget(F_MP2, 7, 0, 1, 2);

    L_Wrong_Password = RedNotice(Named(new QLabel(QStringLiteral(" Wrong password ! "), o_MP),
                                       "L_Wrong_Password", QStringLiteral("Wrong password")));
    L_Short_Password =
        RedNotice(Named(new QLabel(QStringLiteral("Your password is too short !"), o_MP),
                        "L_Short_Password", QStringLiteral("Your password is too short")));
    grid->addWidget(L_Wrong_Password, 8, 0, 1, 3);
    grid->addWidget(L_Short_Password, 9, 0, 1, 3);
}

QLayout* TPageMainPassword::CreatePanelButtons() {
    b_M = Named(new QPushButton(QStringLiteral("  Enter password  "), o_MP), "b_M",
                QStringLiteral("Enter password"));
    b_Cancel_M = Named(new QPushButton(QStringLiteral("  Cancel        "), o_MP), "b_Cancel_M",
                       QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(b_M);
    buttons->addStretch(1);
    buttons->addWidget(b_Cancel_M);
    return buttons;
}

void TPageMainPassword::ConnectPage() {
    connect(o_TV_Files, &QTreeWidget::itemClicked, this, &TPageMainPassword::fileListClicked);
    connect(i_Open_File, &TPicture::clicked, this, &TPageMainPassword::openFileRequested);
    connect(i_Main_Password_1, &TPicture::clicked, this, &TPageMainPassword::openFileRequested);
    connect(i_Change_Main_Password, &TPicture::clicked, this,
            &TPageMainPassword::changePasswordRequested);
    // The open picture lights up under the mouse.
    connect(i_Open_File, &TPicture::entered, this,
            [this] { i_Open_File->SetPicture(QStringLiteral("open_file_hover"), kBigDrawn); });
    connect(i_Open_File, &TPicture::left, this,
            [this] { i_Open_File->SetPicture(QStringLiteral("open_file"), kBigDrawn); });
    connect(F_Database_File_Name, &QLineEdit::textChanged, this, [this](const QString& path) {
        if (!settingFileNameQuietly_) {
            emit fileChosen(path);
        }
    });

    connect(b_M, &QPushButton::clicked, this, &TPageMainPassword::confirmRequested);
    connect(F_MP1, &QLineEdit::returnPressed, this, &TPageMainPassword::confirmRequested);
    connect(F_MP2, &QLineEdit::returnPressed, this, &TPageMainPassword::confirmRequested);
    connect(b_Cancel_M, &QPushButton::clicked, this, &TPageMainPassword::panelCancelled);
    connect(F_MP1, &QLineEdit::textChanged, this, [this] { HidePasswordNotices(); });
    connect(F_MP2, &QLineEdit::textChanged, this, [this] { L_Short_Password->setVisible(false); });
    connect(i_MP_View, &TPicture::entered, this, [this] {
        o_Shape_MP1->setGeometry(i_MP_View->geometry());
        o_Shape_MP1->raise();
        o_Shape_MP1->show();
    });
    connect(i_MP_View, &TPicture::left, o_Shape_MP1, &QWidget::hide);
    connect(i_MP_View, &TPicture::clicked, this,
            [this] { emit passwordViewToggled(!passwordShown_); });

    // The passwords are secrets: a selection in them, shown or not, never
    // reaches the primary selection, and a paste cut to their limit is said.
    for (QLineEdit* field : {F_MP1, F_MP2}) {
        paste_limit::Watch(
            field, [this, field](int kept, int pasted) { emit pasteCut(field, kept, pasted); });
        primary_selection::Guard(field);
    }
}
