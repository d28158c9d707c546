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

void TFormMain::i_Hash_ArgumentClick() {
    o_Page_Settings->i_Hash_ArgumentClick();
}

void TFormMain::F_Hash_ArgumentChange() {
    o_Page_Settings->F_Hash_ArgumentChange();
}

void TFormMain::F_Hash_LengthChange() {
    o_Page_Settings->F_Hash_LengthChange();
}

void TFormMain::F_Hash_LengthComplete() {
    o_Page_Settings->F_Hash_LengthComplete();
}
