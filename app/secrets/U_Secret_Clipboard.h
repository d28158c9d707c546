// The clipboard as a password manager should use it: whatever Keyvale copies
// carries the hint that tells clipboard managers and history tools not to keep
// it, and is taken off the clipboard again after a delay, when the database
// closes and when the program quits, but only while the clipboard still holds
// it: text the user copied since from elsewhere is never touched.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTime>
#include <QTimer>

#include "U_Keyvale_Read_Write_Settings.h"

class QClipboard;

class TSecretClipboard : public QObject {
    Q_OBJECT
  public:
    // The MIME type and value that KDE's Klipper and other clipboard managers
    // read as "a password: do not store".
    static constexpr const char* PasswordManagerHintType = "x-kde-passwordManagerHint";
    static constexpr const char* PasswordManagerHintValue = "secret";

    explicit TSecretClipboard(QClipboard* clipboard, QObject* parent = nullptr);

    // Seconds until a copied text is cleared; 0 keeps it.
    void SetClearDelaySeconds(int seconds) { delaySeconds_ = seconds; }
    int ClearDelaySeconds() const { return delaySeconds_; }

    // Puts the text on the clipboard and starts the countdown. Returns the log
    // line saying when it will be cleared (empty when it will not).
    QString Copy(const QString& text, const QTime& now);

    // Empties the clipboard if it still holds what Copy put there.
    void ClearIfOurs();
    bool HoldsOurs() const;

  private:
    QClipboard* clipboard_;
    QTimer timer_;
    QByteArray token_; // marks our copy, so a later one from elsewhere is told apart
    int delaySeconds_ = kDefaultClipboardClearSeconds;
};
