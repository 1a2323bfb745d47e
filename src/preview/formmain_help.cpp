#include "app/formmain.h"

void FormMain::MHHelp_Click() {}
void FormMain::MHVersion_Click() {}
