// TFormMain: the two message logs, the desktop alert and the sounds.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include "U_Desktop_Alert.h"
#include "U_FormMain_Keyvale_Page_Main_Password.h"
#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Log_Time_Format.h"

QString TFormMain::LogHeader() {
    return QLatin1Char('[') + FormatLogTime(*timeFormat_, services_.clock()) + QLatin1Char(']');
}

void TFormMain::P_Print_Message(const QString& s_Message, bool boolean_Desktop_Alert) {
    const QString header = LogHeader();
    o_Page_Database->AppendToLog(header + QStringLiteral(" --- ") + s_Message);
    if (boolean_Desktop_Alert) {
        ShowDesktopAlert(header, s_Message);
    }
}

void TFormMain::P_Print_Message_2(const QString& s_Message, bool boolean_Desktop_Alert) {
    const QString header = LogHeader();
    o_Page_Main_Password->AppendToLog(header + QStringLiteral(" --- ") + s_Message);
    if (boolean_Desktop_Alert) {
        ShowDesktopAlert(header, s_Message);
    }
}

void TFormMain::P_Print_Message_Settings(const QString& s_Message, bool boolean_Desktop_Alert) {
    o_Page_Settings->ShowMessage(LogHeader() + QLatin1Char(' ') + s_Message);
    P_Print_Message(s_Message, boolean_Desktop_Alert);
}

void TFormMain::P_Print_Message_For(const QWidget* source, const QString& s_Message,
                                    bool boolean_Desktop_Alert) {
    if (page_Main_Password->isAncestorOf(source)) {
        P_Print_Message_2(s_Message, boolean_Desktop_Alert);
    } else if (page_Settings->isAncestorOf(source)) {
        P_Print_Message_Settings(s_Message, boolean_Desktop_Alert);
    } else {
        P_Print_Message(s_Message, boolean_Desktop_Alert);
    }
}

void TFormMain::ShowDesktopAlert(const QString& header, const QString& message) {
    // Over the message window of the Main password page, whichever page is shown.
    const QPoint topLeft = frameGeometry().topLeft() + QPoint(6, 78);
    JvDesktopAlert1->setPalette(palette());
    JvDesktopAlert1->ShowAlert(QRect(topLeft, o_Page_Main_Password->LogSize()), header,
                               QLatin1Char('\n') + message);
}

void TFormMain::PlaySoundResource(const QString& name) {
    const QString url = SoundResourceUrl(name);
    if (!url.isEmpty() && services_.soundPlayer) {
        services_.soundPlayer->Play(url);
    }
}
