// File icons and types told by the name alone. The toolkit's own provider
// reads the first kilobytes of a file whose name leaves its type open, to
// look for magic numbers, and frees that buffer as it is; in the import's
// file dialog those kilobytes are a plain-text export full of passwords.
#pragma once

#include <QFileIconProvider>

class TNameOnlyIconProvider : public QFileIconProvider {
  public:
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
    using QFileIconProvider::icon;
};

// The one instance the dialogs share (a dialog does not own its provider).
TNameOnlyIconProvider* NameOnlyIconProvider();
