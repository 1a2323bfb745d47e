#include "app/formmain.h"

void FormMain::connectEditKeys() {}
void FormMain::MEBack_Click() {}
void FormMain::MECut_Click() {}
void FormMain::MECopy_Click() {}
void FormMain::MEPaste_Click() {}
void FormMain::MEDel_Click() {}
void FormMain::MEAll_Click() {}
void FormMain::RTB1_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &) {}
void FormMain::MOFont_Click() {}
void FormMain::MOfColor_Click() {}
void FormMain::MObColor_Click() {}
