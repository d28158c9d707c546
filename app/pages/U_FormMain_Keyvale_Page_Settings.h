// The Settings page: the list of appearances, the clipboard and locking
// choices, and the KV hash calculator. The page keeps its widgets to itself;
// the window learns what the user chose through the signals and methods
// below, and applies themes, copies and messages itself.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class TPicture;

class TPageSettings : public QWidget {
    Q_OBJECT
  public:
    explicit TPageSettings(QWidget* parent = nullptr);

    // ---- appearance
    // The themes by name, and the text each shows in the list.
    void ListThemes(const QStringList& names, const QStringList& shownTexts);
    int ChosenTheme() const;
    // Marks a theme as chosen without announcing it (it is applied already).
    void ShowChosenTheme(int row);

    // ---- clipboard and locking
    int ClipboardClearSeconds() const;
    void SetClipboardClearSeconds(int seconds);
    int LockAfterIdleMinutes() const;
    void SetLockAfterIdleMinutes(int minutes);
    // "2 minutes" of "2 minutes of desktop idle", for the lock's message.
    QString LockAfterIdleSpan() const;

    // ---- KV hash calculator
    // The length typed, or the last one taken while the typed one is no length.
    QString HashLengthInUse() const;
    void SetHashLength(const QString& length);
    void P_Fill_Hash_Length_List();
    void P_Hash_Argument_Show(bool boolean_Show);
    void i_Hash_ArgumentClick();
    void F_Hash_ArgumentChange();
    void F_Hash_LengthChange();
    // Enter, the focus leaving or a choice from the list: the typed length
    // is taken, or refused (hashLengthRefused) and the previous one put back.
    void F_Hash_LengthComplete();
    // The passphrase, its hashes and the eye go back to empty and hidden.
    void ClearSecrets();

    // ---- messages
    // The page's answer to what the user just did here (a refused length, a
    // copy and when the clipboard is cleared, a paste cut to its limit),
    // shown on the page's message line until the next one.
    void ShowMessage(const QString& line);

  signals:
    // The user chose another entry of the list of appearances.
    void themeChosen(int row);
    void clipboardClearSecondsChanged(int seconds);
    // A hash to go on the clipboard as a secret.
    void hashCopyRequested(const QString& hash);
    void hashLengthRefused(const QString& message);
    // A paste into the passphrase was cut to its limit.
    void pasteCut(const QWidget* field, int kept, int pasted);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* CreateAppearance();
    QWidget* CreatePrivacy(QWidget* parent);
    QWidget* CreateCalculator();
    void CreateCalculatorTitle(QFrame* calc, QGridLayout* grid);
    void CreateCalculatorInput(QFrame* calc, QGridLayout* grid);
    void CreateMessageLine(QFrame* calc, QGridLayout* grid);
    void CreateCalculatorResults(QFrame* calc, QGridLayout* grid);
    void ConnectCalculator();
    void F_KV_Hash_Click(QPlainTextEdit* box);

    bool argumentShown_ = false;
    QString s_Hash_Length_Accepted = QStringLiteral("30");

    QLabel* L_Skins = nullptr;
    QListWidget* o_List_Skin_1 = nullptr;
    QListWidget* o_List_Skin_2 = nullptr;

    QLabel* L_Clipboard_Clear = nullptr;
    QSpinBox* F_Clipboard_Clear_Seconds = nullptr;
    QLabel* L_Lock_After_Idle = nullptr;
    QComboBox* F_Lock_After_Idle = nullptr;

    QLabel* LFX_Hash_Calculator = nullptr;
    TPicture* i_Hash_Calculator = nullptr;
    QLineEdit* F_Hash_Argument = nullptr;
    TPicture* i_Hash_Argument = nullptr;
    QFrame* o_Shape_HA = nullptr;
    QLabel* L_Hash_Length = nullptr;
    QComboBox* F_Hash_Length = nullptr;
    QLabel* L_KV_Hash_62 = nullptr;
    QPlainTextEdit* F_KV_Hash_62 = nullptr;
    QLabel* L_KV_Hash_64 = nullptr;
    QPlainTextEdit* F_KV_Hash_64 = nullptr;
    QLabel* L_KV_Hash_90 = nullptr;
    QPlainTextEdit* F_KV_Hash_90 = nullptr;
    QLabel* L_Settings_Message = nullptr;
};
