#include "app/formmain.h"

void FormMain::MERuby_Click() {}
void FormMain::OptionKana_Click(int) {}
