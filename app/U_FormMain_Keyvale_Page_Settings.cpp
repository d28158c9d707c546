// TFormMain: the Settings page: the list of appearances and the KV hash
// calculator.
#include "U_FormMain_Keyvale.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "U_FormMain_Keyvale_Layout.h"
#include "U_Picture.h"
#include "U_Widget_Names.h"

using namespace keyvale_layout;

QWidget* TFormMain::CreatePageSettings() {
    auto* page = Named(new QWidget, "page_Settings_Content", QStringLiteral("Settings"));
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    layout->setSpacing(12);

    // ---- appearance
    auto* skins = Named(new QFrame(page), "o_Panel_Skins", QStringLiteral("Appearance"));
    skins->setFixedWidth(440);
    auto* skinsLayout = new QVBoxLayout(skins);
    skinsLayout->setContentsMargins(14, 12, 14, 12);
    L_Skins =
        Caption(Named(new QLabel(QStringLiteral("Choose an appearance of the program"), skins),
                      "L_Skins", QStringLiteral("Choose an appearance of the program")));
    o_List_Skin_1 = Named(new QListWidget(skins), "o_List_Skin_1", QStringLiteral("Theme names"));
    o_List_Skin_1->setVisible(false);
    o_List_Skin_2 = Named(new QListWidget(skins), "o_List_Skin_2",
                          QStringLiteral("Choose an appearance of the program"));
    o_List_Skin_2->setUniformItemSizes(true);
    o_List_Skin_2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont listFont = o_List_Skin_2->font();
    listFont.setFamily(QStringLiteral("DejaVu Sans Mono")); // keeps the numbers aligned
    o_List_Skin_2->setFont(listFont);
    L_Skins->setBuddy(o_List_Skin_2);
    skinsLayout->addWidget(L_Skins);
    skinsLayout->addWidget(o_List_Skin_2, 1);
    skinsLayout->addWidget(CreatePrivacySettings(skins));
    layout->addWidget(skins);
    // A new entry chosen with the mouse or the arrow keys applies its theme.
    connect(o_List_Skin_2, &QListWidget::currentRowChanged, this, [this] { o_List_Skin_2Click(); });

    // ---- hash calculator
    auto* calc =
        Named(new QFrame(page), "o_Panel_Calculator", QStringLiteral("KV hash calculator"));
    auto* grid = new QGridLayout(calc);
    grid->setContentsMargins(18, 14, 18, 14);
    grid->setVerticalSpacing(6);

    i_Hash_Calculator =
        Named(new TPicture(calc), "i_Hash_Calculator", QStringLiteral("KV hash calculator"));
    i_Hash_Calculator->SetPicture(QStringLiteral("calculator"), QSize(48, 48));
    LFX_Hash_Calculator =
        Caption(Named(new QLabel(QStringLiteral("KV hash calculator"), calc), "LFX_Hash_Calculator",
                      QStringLiteral("KV hash calculator")));
    LFX_Hash_Calculator->setStyleSheet(QStringLiteral("font-size: 18pt;"));
    auto* title = new QHBoxLayout;
    title->addWidget(i_Hash_Calculator);
    title->addWidget(LFX_Hash_Calculator, 1);
    grid->addLayout(title, 0, 0, 1, 4);

    const QString argumentHint = QStringLiteral(" Type string (or passphrase) here ");
    F_Hash_Argument = Hinted(Named(new QLineEdit(calc), "F_Hash_Argument",
                                   QStringLiteral("Type string (or passphrase) here")),
                             argumentHint);
    F_Hash_Argument->setPlaceholderText(argumentHint.trimmed());
    F_Hash_Argument->setMaxLength(1024);
    i_Hash_Argument = Named(new TPicture(calc), "i_Hash_Argument", QStringLiteral("Show string"));
    i_Hash_Argument->SetClickable(true);
    i_Hash_Argument->setFixedSize(40, 40);
    o_Shape_HA = Named(new QFrame(calc), "o_Shape_HA", QStringLiteral("Hover frame"));
    o_Shape_HA->setAttribute(Qt::WA_TransparentForMouseEvents);
    o_Shape_HA->setVisible(false);

    L_Hash_Length = Named(new QLabel(QStringLiteral("Hash length"), calc), "L_Hash_Length",
                          QStringLiteral("Hash length"));
    F_Hash_Length =
        Hinted(Named(new QComboBox(calc), "F_Hash_Length", QStringLiteral("Hash length")),
               QStringLiteral(" Hash length "));
    F_Hash_Length->setEditable(true);
    F_Hash_Length->setInsertPolicy(QComboBox::NoInsert);
    F_Hash_Length->lineEdit()->setMaxLength(4);
    F_Hash_Length->lineEdit()->setAccessibleName(QStringLiteral("Hash length"));
    F_Hash_Length->view()->setAccessibleName(QStringLiteral("Hash lengths"));
    F_Hash_Length->lineEdit()->setAlignment(Qt::AlignRight);
    F_Hash_Length->setMaxVisibleItems(20);
    F_Hash_Length->setFixedWidth(110);
    L_Hash_Length->setBuddy(F_Hash_Length);

    grid->addWidget(F_Hash_Argument, 1, 0);
    grid->addWidget(i_Hash_Argument, 1, 1);
    grid->addWidget(L_Hash_Length, 1, 2, Qt::AlignRight);
    grid->addWidget(F_Hash_Length, 1, 3);

    struct TResult {
        QLabel** label;
        const char* labelName;
        QPlainTextEdit** box;
        const char* boxName;
        const char* caption;
    };
    const TResult results[] = {
        {&L_KV_Hash_62, "L_KV_Hash_62", &F_KV_Hash_62, "F_KV_Hash_62", "KV hash 62"},
        {&L_KV_Hash_64, "L_KV_Hash_64", &F_KV_Hash_64, "F_KV_Hash_64", "KV hash 64"},
        {&L_KV_Hash_90, "L_KV_Hash_90", &F_KV_Hash_90, "F_KV_Hash_90", "KV hash 90"},
    };
    int row = 2;
    for (const TResult& r : results) {
        const QString caption = QString::fromLatin1(r.caption);
        *r.label = Caption(Named(new QLabel(caption, calc), r.labelName, caption));
        *r.box = Hinted(Named(new QPlainTextEdit(calc), r.boxName, caption),
                        QStringLiteral(" Click to copy to the clipboard "));
        QPlainTextEdit* box = *r.box;
        box->setReadOnly(true);
        box->setTabChangesFocus(true);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->setWordWrapMode(QTextOption::WrapAnywhere);
        QFont mono = box->font();
        mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
        box->setFont(mono);
        box->viewport()->installEventFilter(this);
        (*r.label)->setBuddy(box);
        grid->addWidget(*r.label, row++, 0, 1, 4);
        grid->addWidget(box, row, 0, 1, 4);
        grid->setRowStretch(row++, 1);
    }
    grid->setColumnStretch(0, 1);
    layout->addWidget(calc, 1);

    connect(F_Hash_Argument, &QLineEdit::textChanged, this, [this] { F_Hash_ArgumentChange(); });
    connect(F_Hash_Length, &QComboBox::editTextChanged, this, [this] { F_Hash_LengthChange(); });
    // What was typed is taken: no completion from the list ("5" is not 50).
    F_Hash_Length->setCompleter(nullptr);
    connect(F_Hash_Length->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { F_Hash_LengthComplete(); });
    connect(F_Hash_Length, &QComboBox::textActivated, this, [this] { F_Hash_LengthComplete(); });
    connect(i_Hash_Argument, &TPicture::clicked, this, &TFormMain::i_Hash_ArgumentClick);
    connect(i_Hash_Argument, &TPicture::entered, this, [this] {
        o_Shape_HA->setGeometry(i_Hash_Argument->geometry());
        o_Shape_HA->raise();
        o_Shape_HA->show();
    });
    connect(i_Hash_Argument, &TPicture::left, o_Shape_HA, &QWidget::hide);

    return page;
}
