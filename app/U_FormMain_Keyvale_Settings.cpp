// TFormMain: loading the user's choices at start-up and saving them at
// shutdown. The file format and the rules live in the storage layer; the
// window only hands over what its controls hold.
#include "U_FormMain_Keyvale.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSpinBox>

#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Keyvale_Themes.h"

void TFormMain::P_Load_Settings_from_ini_File() {
    const TLoadedSettings settings =
        LoadSettingsFromIni(services_.iniPath, static_cast<int>(KeyvaleThemeCount()));
    {
        const QSignalBlocker quiet(o_List_Skin_2); // applied here, without the pause
        o_List_Skin_2->setCurrentRow(settings.skinIndex);
    }
    P_Apply_Skin(settings.skinIndex);
    F_Hash_Length->setEditText(QString::fromUtf8(settings.hashLengthText));
    s_Hash_Length_Accepted = F_Hash_Length->currentText();
    F_Clipboard_Clear_Seconds->setValue(settings.clipboardClearSeconds);
    F_Lock_After_Idle->setCurrentIndex(F_Lock_After_Idle->findData(settings.lockAfterIdleMinutes));
}

void TFormMain::P_Save_Settings_to_ini_File() {
    TLoadedSettings settings;
    settings.skinIndex = o_List_Skin_2->currentRow();
    // A valid length still being typed is taken; one that is not is dropped
    // for the last length taken.
    settings.hashLengthText = HashLengthInUse(F_Hash_Length->currentText().toUtf8().toStdString(),
                                              s_Hash_Length_Accepted.toUtf8().toStdString());
    settings.clipboardClearSeconds = F_Clipboard_Clear_Seconds->value();
    settings.lockAfterIdleMinutes = F_Lock_After_Idle->currentData().toInt();
    SaveSettingsToIni(services_.iniPath, settings);
}
