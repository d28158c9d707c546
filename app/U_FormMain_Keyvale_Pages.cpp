// TFormMain: the page control and its five pages.
#include "U_FormMain_Keyvale.h"

#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

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

    page_Main_Password = CreatePageMainPassword();
    page_Database = CreatePageDatabase();
    page_Settings = CreatePageSettings();
    page_About_Program = CreatePageAbout();
    page_Exit = Named(new QWidget, "page_Exit", QStringLiteral("E x i t"));

    struct TPageEntry {
        QWidget* page;
        const char* caption;
        const char* icon;
    };
    const TPageEntry pages[] = {
        {page_Main_Password, "Main password", "tab_main_password"},
        {page_Database, "Database", "tab_database"},
        {page_Settings, "Settings", "tab_settings"},
        {page_About_Program, "About program", "tab_about"},
        {page_Exit, "E x i t", "tab_exit"},
    };
    for (const TPageEntry& entry : pages) {
        o_Page_Control->addTab(entry.page, KeyvaleIcon(QString::fromLatin1(entry.icon)),
                               QString::fromLatin1(entry.caption));
    }
}
