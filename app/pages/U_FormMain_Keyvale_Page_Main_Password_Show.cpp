// TPageMainPassword: what the page shows: the log and its welcome text, the
// file list and the chosen file, the start hint, and the password panel with
// its slide, its notices and the hand-over of a typed password.
#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_Leaving_Picture.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>

#include "U_Event_Hook.h"
#include "U_Page_Layout.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Database_Path.h"
#include "U_Message_Log.h"
#include "U_Picture.h"
#include "U_Secret_Text.h"

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

// The panel slides in and out in steps of SlideStep pixels: slowly enough
// to be seen coming, quickly going.
constexpr int kSlideSteps = (TPageMainPassword::SlideDistance + TPageMainPassword::SlideStep - 1) /
                            TPageMainPassword::SlideStep;
constexpr int kSlideInMs = kSlideSteps * 20;
constexpr int kSlideOutMs = kSlideSteps * 5;
constexpr int kHintStepPauseMs = 15; // keeps the arrow visible on fast machines

QString DirectoryOf(const QString& path) {
    return QString::fromStdString(PathDirectory(path.toStdString()));
}

QString FileNameOf(const QString& path) {
    return QString::fromStdString(PathFileName(path.toStdString()));
}

void AlignLog(QTextEdit* log, Qt::Alignment alignment) {
    QTextOption option = log->document()->defaultTextOption();
    option.setAlignment(alignment);
    log->document()->setDefaultTextOption(option);
}

} // namespace

// ---- the message log

void TPageMainPassword::ShowWelcome() {
    QString welcome = F_Message_Start->toPlainText();
    welcome.replace(QStringLiteral("********"), QStringLiteral("kvdb"), Qt::CaseInsensitive);
    AlignLog(F_Message_2, Qt::AlignHCenter);
    F_Message_2->setPlainText(welcome);
    welcomeShown_ = true;
}

void TPageMainPassword::AppendToLog(const QString& line) {
    if (welcomeShown_) {
        // The welcome text goes; messages are left-justified.
        F_Message_2->clear();
        AlignLog(F_Message_2, Qt::AlignLeft);
        welcomeShown_ = false;
    }
    const auto [start, end] = AppendLogMessage(F_Message_2, line);

    // Highlight the line just added. A message with line breaks spans several
    // paragraphs; the selection covers all of it. The keyboard focus stays
    // where the user is typing.
    QTextCursor cursor(F_Message_2->document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    F_Message_2->setTextCursor(cursor);
    F_Message_2->ensureCursorVisible();
}

// The log starts afresh with the next line, as after the welcome text.
void TPageMainPassword::ClearLog() {
    F_Message_2->clear();
    welcomeShown_ = true;
}

QSize TPageMainPassword::LogSize() const {
    return F_Message_2->size();
}

void TPageMainPassword::SetLogHeight(int height) {
    F_Message_2->setFixedHeight(height);
}

void TPageMainPassword::FitWelcomeText() {
    QWidget* viewport = parentWidget();
    auto* scroller = viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
    if (!scroller) {
        return;
    }
    if (!welcomeFit_) {
        welcomeFit_ = viewport;
        TEventHook::Install(viewport, [this](QEvent* event) {
            if (event->type() == QEvent::Resize) {
                FitWelcomeText();
            }
            return false;
        });
    }
    const int visible = viewport->width() - 2 * keyvale_layout::PageMargin;
    F_Message_2->setMaximumWidth(std::max(visible, F_Message_2->minimumSizeHint().width()));
}

// ---- the database files and the chosen one

void TPageMainPassword::ListFiles(const QString& folder, const QStringList& files) {
    listedFolder_ = folder;
    o_TV_Files->setEnabled(true);
    o_TV_Files->clear();
    if (files.isEmpty()) {
        auto* none = new QTreeWidgetItem(o_TV_Files,
                                         {QStringLiteral("No files found in current directory")});
        none->setIcon(0, KeyvaleIcon(QStringLiteral("tree_empty")));
        o_TV_Files->setEnabled(false);
        return;
    }
    const QIcon fileIcon = KeyvaleIcon(QStringLiteral("tab_database"));
    for (const QString& file : files) {
        auto* item = new QTreeWidgetItem(o_TV_Files, {file});
        item->setIcon(0, fileIcon);
    }
}

bool TPageMainPassword::HasFilesToChoose() const {
    return o_TV_Files->isEnabled();
}

void TPageMainPassword::SetFileListWidth(int width) {
    o_TV_Files->setFixedWidth(width);
}

void TPageMainPassword::ChooseFile(const QString& path) {
    F_Database_File_Name->setText(path);
}

// The same file clicked twice is chosen twice: the name is emptied quietly
// first, and the list keeps no selection.
void TPageMainPassword::ChooseSelectedFile() {
    if (QTreeWidgetItem* item = o_TV_Files->currentItem(); item && item->isSelected()) {
        SetFileNameQuietly(QString());
        ChooseFile(listedFolder_ + item->text(0));
    }
    o_TV_Files->clearSelection();
    o_TV_Files->setCurrentItem(nullptr);
}

void TPageMainPassword::SetFileNameQuietly(const QString& path) {
    settingFileNameQuietly_ = true;
    F_Database_File_Name->setText(path);
    settingFileNameQuietly_ = false;
}

QString TPageMainPassword::FileName() const {
    return F_Database_File_Name->text();
}

void TPageMainPassword::ShowDatabaseLabels(const QString& path) {
    L_Database_Path->setText(DirectoryOf(path));
    L_Database_File->setText(FileNameOf(path));
}

void TPageMainPassword::ClearDatabaseLabels() {
    L_Database_Path->clear();
    L_Database_File->clear();
}

bool TPageMainPassword::DatabaseLabelsShown() const {
    return !L_Database_File->text().isEmpty();
}

void TPageMainPassword::ShowDatabaseOpen(bool open) {
    i_Change_Main_Password->setVisible(open);
    i_Main_Password_1->setVisible(!open);
}

void TPageMainPassword::o_Timer_HintTimer() {
    if (HasFilesToChoose()) {
        o_Timer_Hint.stop(); // there are files to choose from: no hint ever
        return;
    }
    if (++hintTicks_ >= 2) {
        o_Timer_Hint.stop();
        P_Hint_1();
    }
}

// The arrow rises from the "new database" mark towards the picture that
// opens a file, two pixels a step, and is gone when it arrives.
void TPageMainPassword::P_Hint_1() {
    if (hintRise_ && hintRise_->state() == QAbstractAnimation::Running) {
        return;
    }
    const int start = b_Create_Database->mapTo(this, QPoint(0, 0)).y();
    const QPoint image = i_Open_File->mapTo(this, QPoint(0, 0));
    const int steps = std::max((start - image.y() - 2 * i_Hint_1->height()) / 2, 0);
    const QPoint from(image.x() + i_Open_File->width() / 3, start);
    i_Hint_1->move(from);
    i_Hint_1->show();
    i_Hint_1->raise();
    hintRise_ = new QPropertyAnimation(i_Hint_1, "pos", i_Hint_1);
    hintRise_->setDuration(steps * kHintStepPauseMs);
    hintRise_->setStartValue(from);
    hintRise_->setEndValue(from - QPoint(0, 2 * steps));
    connect(hintRise_, &QPropertyAnimation::finished, i_Hint_1, &QWidget::hide);
    hintRise_->start(QAbstractAnimation::DeleteWhenStopped);
}

void TPageMainPassword::HideHint() {
    i_Hint_1->hide();
}

// ---- the password panel

void TPageMainPassword::ShowPanel(TPasswordMode mode, const QString& path) {
    panelMode_ = mode;
    panelFile_ = path;
    for (TPicture* picture : {i_Open_File, i_Main_Password_1, i_Change_Main_Password}) {
        picture->setEnabled(false);
    }
    L_Database_Path_2->setText(DirectoryOf(path));
    L_Database_File_2->setText(FileNameOf(path));
    HidePasswordNotices();
    for (const TPanelMode& entry : kPanelModes) {
        if (entry.mode == mode) {
            L_MP2->setVisible(entry.retypeShown);
            F_MP2->setVisible(entry.retypeShown);
            L_MP3->setText(QString::fromLatin1(entry.caption));
            L_MP_Action->setText(QString::fromLatin1(entry.title));
            i_MP_Action->SetPicture(QString::fromLatin1(entry.picture), QSize(40, 40));
        }
    }
    SlideIn();
    F_MP1->setFocus();
}

void TPageMainPassword::ClosePanel() {
    for (TPicture* picture : {i_Open_File, i_Main_Password_1, i_Change_Main_Password}) {
        picture->setEnabled(true);
    }
    HidePasswordNotices();
    // Emptied before the panel's picture slides out, so that no password
    // goes with it.
    ClearSecretField(F_MP1);
    ClearSecretField(F_MP2);
    SlideOut();
}

void TPageMainPassword::ShowWrongPassword() {
    L_Wrong_Password->setVisible(true);
    F_MP1->setFocus();
}

void TPageMainPassword::HidePasswordNotices() {
    L_Wrong_Password->setVisible(false);
    L_Short_Password->setVisible(false);
}

void TPageMainPassword::ConfirmPassword() {
    HidePasswordNotices();
    F_MP1->setFocus();
    b_M->setEnabled(false);
    F_MP1->setReadOnly(true);
    F_MP2->setReadOnly(true);
    o_Timer_Enter_Button.start();

    // The password leaves the panel here: its fields are emptied (their undo
    // history too) and the 8-bit copies are wiped once they have served.
    std::string password = SecretUtf8(F_MP1->text());
    std::string repeat = SecretUtf8(F_MP2->text());
    const bool repeated = panelMode_ != TPasswordMode::Open;
    const std::string problem =
        TKeyvaleSession::PasswordProblem(password, repeated ? &repeat : nullptr);
    KvSecureWipe(repeat);
    if (!problem.empty()) {
        const bool tooShort = TKeyvaleSession::PasswordTooShort(password);
        KvSecureWipe(password);
        emit passwordRefused(QString::fromStdString(problem));
        L_Short_Password->setVisible(tooShort);
        return;
    }
    ClearSecretField(F_MP1);
    ClearSecretField(F_MP2);
    emit passwordConfirmed(panelMode_, panelFile_, password);
    KvSecureWipe(password);
}

bool TPageMainPassword::EntryOpen() const {
    return b_M->isEnabled();
}

void TPageMainPassword::ReopenEntry() {
    o_Timer_Enter_Button.stop();
    b_M->setEnabled(true);
    F_MP1->setReadOnly(false);
    F_MP2->setReadOnly(false);
}

void TPageMainPassword::o_Timer_Enter_ButtonTimer() {
    ReopenEntry();
}

void TPageMainPassword::ShowPassword(bool shown) {
    passwordShown_ = shown;
    i_MP_View->SetPicture(shown ? QStringLiteral("eye_open") : QStringLiteral("eye_closed"),
                          QSize(34, 34));
    const QString hint = shown ? QStringLiteral("   Click here to hide your password   ")
                               : QStringLiteral("   Click here to show your password   ");
    i_MP_View->setToolTip(hint);
    i_MP_View->setAccessibleName(hint.trimmed());
    for (QLineEdit* field : {F_MP1, F_MP2}) {
        field->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    }
}

void TPageMainPassword::ClearSecrets() {
    ClearSecretField(F_MP1);
    ClearSecretField(F_MP2);
    ShowPassword(false);
}

// The panel's place in the page layout is its shown position; it comes up
// from a place SlideDistance further down, clipped by the page. Nothing
// waits for the slide: the panel is there, and takes its password, from the
// first moment.
void TPageMainPassword::SlideIn() {
    if (panelSlide_->state() == QAbstractAnimation::Running) {
        panelSlide_->stop();
        o_MP->move(panelSlide_->endValue().toPoint());
    }
    o_MP->setVisible(true);
    layout()->activate(); // the page's layout has placed the panel
    const QPoint shown = o_MP->pos();
    o_MP->move(shown.x(), shown.y() + SlideDistance);
    panelSlide_->setStartValue(o_MP->pos());
    panelSlide_->setEndValue(shown);
    panelSlide_->setDuration(kSlideInMs);
    panelSlide_->start();
}

// The panel goes at once; where it could be seen, a picture of it slides down
// and out of the page in its place.
void TPageMainPassword::SlideOut() {
    if (panelSlide_->state() == QAbstractAnimation::Running) {
        panelSlide_->stop();
        o_MP->move(panelSlide_->endValue().toPoint());
    }
    if (o_MP->isHidden()) {
        return;
    }
    if (o_MP->isVisible()) {
        SlideLeavingPicture(o_MP, "o_MP_Leaving", QPoint(0, SlideDistance), kSlideOutMs);
    }
    o_MP->setVisible(false);
}
