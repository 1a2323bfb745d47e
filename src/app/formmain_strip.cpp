#include "app/formmain.h"
#include "core/ruby/rubystrip.h"
#include "ui/editorcontrol.h"
#include "ui/platform.h"

#include <QMessageBox>

void FormMain::MEStrip_Click()
{
    const QString text = RTB1->Text();
    const qsizetype selStart = RTB1->SelStart();
    const qsizetype selLength = RTB1->SelLength();
    const StrippedRuby result
        = selLength > 0 ? stripRuby(text, selStart, selStart + selLength) : stripRuby(text);
    if (result.elements == 0) {
        platform().showMessage(this, QMessageBox::Information, QStringLiteral("ルビを外す"),
                               selLength > 0 ? QStringLiteral("選択範囲にルビがありません。")
                                             : QStringLiteral("ルビがありません。"),
                               QMessageBox::Ok);
        return;
    }
    // One step of the history, which a whole-text write would clear.
    RTB1->setSelStart(0);
    RTB1->setSelLength(int(text.size()));
    RTB1->setSelText(result.text);
    if (selLength > 0) {
        RTB1->setSelStart(int(result.start));
        RTB1->setSelLength(int(result.end - result.start));
    } else {
        RTB1->setSelStart(int(std::min(selStart, result.text.size())));
    }
    activateWindow();
}
