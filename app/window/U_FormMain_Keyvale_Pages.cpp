// TFormMain: the page control and its five pages.
#include "U_FormMain_Keyvale.h"

#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "U_FormMain_Keyvale_Page_About.h"
#include "U_FormMain_Keyvale_Page_Database.h"
#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Picture.h"
#include "U_Widget_Names.h"

namespace {

constexpr int kTabIconSize = 26;

} // namespace

void TFormMain::CreatePages() {
    o_Page_Control = Named(new QTabWidget(this), "o_Page_Control", QStringLiteral("Pages"));
    o_Page_Control->setDocumentMode(false);
    o_Page_Control->setIconSize(QSize(kTabIconSize, kTabIconSize));
    o_Page_Control->tabBar()->setExpanding(false);
    o_Page_Control->tabBar()->setDrawBase(false);
    o_Page_Control->tabBar()->setAccessibleName(QStringLiteral("Pages"));
    setCentralWidget(o_Page_Control);

    o_Page_Main_Password = new TPageMainPassword;
    page_Main_Password =
        ScrollingPage(o_Page_Main_Password, "page_Main_Password", QStringLiteral("Main password"));
    page_Database =
        ScrollingPage(CreatePageDatabase(), "page_Database", QStringLiteral("Database"));
    o_Page_Settings = new TPageSettings;
    page_Settings = ScrollingPage(o_Page_Settings, "page_Settings", QStringLiteral("Settings"));
    connect(o_Page_Settings, &TPageSettings::themeChosen, this, &TFormMain::o_List_Skin_2Click);
    connect(o_Page_Settings, &TPageSettings::hashLengthRefused, this, [this](const QString& text) {
        P_Print_Message_Settings(text, true);
        PlaySoundResource(QStringLiteral("S_W_2"));
    });
    QWidget* page_About_Program =
        ScrollingPage(new TPageAbout, "page_About_Program", QStringLiteral("About program"));
    page_Exit = Named(new QWidget, "page_Exit", QStringLiteral("Exit"));

    // The captions are the program's own; screen readers get them as words.
    struct TPageEntry {
        QWidget* page;
        const char* caption;
        const char* spoken;
        const char* icon;
    };
    const TPageEntry pages[] = {
        {page_Main_Password, "Main password", "Main password", "tab_main_password"},
        {page_Database, "Database", "Database", "tab_database"},
        {page_Settings, "Settings", "Settings", "tab_settings"},
        {page_About_Program, "About program", "About program", "tab_about"},
        {page_Exit, "E x i t", "Exit", "tab_exit"},
    };
    for (const TPageEntry& entry : pages) {
        const int index =
            o_Page_Control->addTab(entry.page, KeyvaleIcon(QString::fromLatin1(entry.icon)),
                                   QString::fromLatin1(entry.caption));
        o_Page_Control->tabBar()->setAccessibleTabName(index, QString::fromLatin1(entry.spoken));
    }
}

// A page whose content scrolls when the window is smaller than the content
// needs (a screen below the smallest supported size); otherwise the content
// fills the page and no scroll bar shows.
QWidget* TFormMain::ScrollingPage(QWidget* content, const char* name,
                                  const QString& accessibleName) {
    auto* page = Named(new QWidget, name, accessibleName);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroller = new QScrollArea(page);
    scroller->setObjectName(QString::fromLatin1(name) + QStringLiteral("_Scroll"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setFocusPolicy(Qt::NoFocus); // the controls inside take the focus
    scroller->setWidget(content);
    layout->addWidget(scroller);
    return page;
}
