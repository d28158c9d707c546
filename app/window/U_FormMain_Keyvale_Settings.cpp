// TFormMain: loading the user's choices at start-up and saving them at
// shutdown. The file format and the rules live in the storage layer; the
// window only hands over what its controls hold.
#include "U_FormMain_Keyvale.h"

#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Keyvale_Themes.h"

void TFormMain::P_Load_Settings_from_ini_File() {
    const TLoadedSettings settings =
        LoadSettingsFromIni(services_.iniPath, static_cast<int>(KeyvaleThemeCount()));
    o_Page_Settings->ShowChosenTheme(settings.skinIndex); // applied here, without the pause
    P_Apply_Skin(settings.skinIndex);
    o_Page_Settings->SetHashLength(QString::fromUtf8(settings.hashLengthText));
    o_Page_Settings->SetClipboardClearSeconds(settings.clipboardClearSeconds);
    o_Page_Settings->SetLockAfterIdleMinutes(settings.lockAfterIdleMinutes);
}

void TFormMain::P_Save_Settings_to_ini_File() {
    TLoadedSettings settings;
    settings.skinIndex = o_Page_Settings->ChosenTheme();
    // A valid length still being typed is taken; one that is not is dropped
    // for the last length taken.
    settings.hashLengthText = o_Page_Settings->HashLengthInUse().toUtf8().toStdString();
    settings.clipboardClearSeconds = o_Page_Settings->ClipboardClearSeconds();
    settings.lockAfterIdleMinutes = o_Page_Settings->LockAfterIdleMinutes();
    SaveSettingsToIni(services_.iniPath, settings);
}
