#include "app/formmain.h"

void FormMain::MSSearch_Click() {}
