// TFormMain: the KV hash calculator's entry points. The calculator is the
// Settings page's; the hash and the length rule belong to the lower layers.
#include "U_FormMain_Keyvale.h"

#include "U_FormMain_Keyvale_Page_Settings.h"

void TFormMain::P_Fill_Hash_Length_List() {
    o_Page_Settings->P_Fill_Hash_Length_List();
}

void TFormMain::P_Hash_Argument_Show(bool boolean_Show) {
    o_Page_Settings->P_Hash_Argument_Show(boolean_Show);
}
