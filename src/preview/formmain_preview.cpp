#include "app/formmain.h"

void FormMain::ComIE_Click() {}
void FormMain::MEIe_Click() {}
