// The window's widgets, found by their object names as a user's tools find
// them (each page keeps its widgets private). A widget that is missing fails
// the test program at once instead of crashing somewhere later.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QWidget>

#include "U_Picture.h"

template <typename T> T* FindWidget(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("The window has no %s named %s", T::staticMetaObject.className(), name);
    }
    return found;
}

#define KEYVALE_WIDGET(Type, name)                                                                 \
    inline Type* name(const QObject& window) {                                                     \
        return FindWidget<Type>(window, #name);                                                    \
    }

// Settings page
KEYVALE_WIDGET(QLabel, L_Skins)
KEYVALE_WIDGET(QListWidget, o_List_Skin_1)
KEYVALE_WIDGET(QListWidget, o_List_Skin_2)
KEYVALE_WIDGET(QLabel, L_Clipboard_Clear)
KEYVALE_WIDGET(QSpinBox, F_Clipboard_Clear_Seconds)
KEYVALE_WIDGET(QLabel, L_Lock_After_Idle)
KEYVALE_WIDGET(QComboBox, F_Lock_After_Idle)
KEYVALE_WIDGET(QLabel, LFX_Hash_Calculator)
KEYVALE_WIDGET(TPicture, i_Hash_Calculator)
KEYVALE_WIDGET(QLineEdit, F_Hash_Argument)
KEYVALE_WIDGET(TPicture, i_Hash_Argument)
KEYVALE_WIDGET(QFrame, o_Shape_HA)
KEYVALE_WIDGET(QLabel, L_Hash_Length)
KEYVALE_WIDGET(QComboBox, F_Hash_Length)
KEYVALE_WIDGET(QLabel, L_KV_Hash_62)
KEYVALE_WIDGET(QPlainTextEdit, F_KV_Hash_62)
KEYVALE_WIDGET(QLabel, L_KV_Hash_64)
KEYVALE_WIDGET(QPlainTextEdit, F_KV_Hash_64)
KEYVALE_WIDGET(QLabel, L_KV_Hash_90)
KEYVALE_WIDGET(QPlainTextEdit, F_KV_Hash_90)

// Main password page

// Database page
