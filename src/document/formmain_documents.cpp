#include "app/formmain.h"

void FormMain::MFNew_Click() {}
void FormMain::MFOpen_Click() {}
void FormMain::MFSave_Click() {}
void FormMain::MFSaveAs_Click() {}
void FormMain::LoadDocument() {}
