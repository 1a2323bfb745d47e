#include "app/formmain.h"

void FormMain::connectFilePanel() {}
void FormMain::Drive1_Change() {}
void FormMain::Dir1_Change() {}
void FormMain::File1_DblClick() {}
void FormMain::CheckHTML_Click() {}
void FormMain::RTB1_OLEDragDrop(const QStringList &) {}
void FormMain::showFolderInPanel(const QString &) {}
