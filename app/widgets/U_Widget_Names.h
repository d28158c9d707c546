// Small helpers for building the window's controls: every control carries
// its component name as objectName and a readable name for screen readers.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

template <typename T> T* Named(T* control, const char* name, const QString& accessibleName) {
    control->setObjectName(QString::fromLatin1(name));
    control->setAccessibleName(accessibleName.trimmed().isEmpty() ? QString::fromLatin1(name)
                                                                  : accessibleName.trimmed());
    return control;
}

// A hint is both the tooltip and the accessible description.
template <typename T> T* Hinted(T* control, const QString& hint) {
    control->setToolTip(hint);
    control->setAccessibleDescription(hint.trimmed());
    return control;
}

inline QLabel* Caption(QLabel* label) {
    label->setProperty("caption", true);
    return label;
}
