#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "app/formmain.h"
#include "ui/platform.h"
#include "ui/clipboardtext.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QMenu>

void FormMain::connectEditKeys()
{
    // Shift+Insert, Ctrl+Insert, Shift+Delete and the like: the same commands as the menu.
    connect(RTB1, &EditorControl::clipboardKey, this, [this](QKeySequence::StandardKey key) {
        switch (key) {
        case QKeySequence::Cut:
            MECut_Click();
            break;
        case QKeySequence::Copy:
            MECopy_Click();
            break;
        case QKeySequence::Paste:
            MEPaste_Click();
            break;
        case QKeySequence::SelectAll:
            MEAll_Click();
            break;
        default:
            break;
        }
    });
}

void FormMain::MEBack_Click()
{
    RTB1->undo();
}

void FormMain::MERedo_Click()
{
    RTB1->redo();
}

void FormMain::MECut_Click()
{
    const ErrorReport error = writeClipboardText(QGuiApplication::clipboard(), RTB1->SelText());
    if (error.isError()) {
        // The selection stays: deleting it now would lose it.
        showErrorBox(platform(), this, error);
        return;
    }
    RTB1->setSelText(QString());
}

void FormMain::MECopy_Click()
{
    // The clipboard is emptied even when nothing is selected.
    const ErrorReport error = writeClipboardText(QGuiApplication::clipboard(), RTB1->SelText());
    if (error.isError())
        showErrorBox(platform(), this, error);
}

void FormMain::MEPaste_Click()
{
    const QString text = readClipboardText(QGuiApplication::clipboard());
    if (text.isEmpty())
        return;
    RTB1->setSelText(RTB1->withLineEnds(text));
}

void FormMain::MEDel_Click()
{
    RTB1->setSelText(QString());
}

void FormMain::MEAll_Click()
{
    RTB1->setSelStart(0);
    RTB1->setSelLength(RTB1->textLength());
}

void FormMain::RTB1_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &position)
{
    if (button != Qt::RightButton)
        return;
    MEdit->popup(RTB1->viewport()->mapToGlobal(position));
}

void FormMain::MOFont_Click()
{
    QFont font = RTB1->font();
    const QFontInfo shown(font);
    // The family actually shown, so the dialog can find it in its list.
    CDlg.FontName = shown.family();
    CDlg.FontSize = float(font.pointSizeF() > 0 ? font.pointSizeF() : shown.pointSizeF());
    CDlg.FontBold = font.bold();
    CDlg.FontItalic = font.italic();
    const CommonDialogResult result = CDlg.ShowFont();
    if (result.outcome == CommonDialogResult::Cancelled)
        return;
    if (result.outcome == CommonDialogResult::Failed) {
        showErrorBox(platform(), this, {result.errorNumber, result.errorDescription});
        return;
    }
    // Only name, size, bold and italic pass; underline, strikeout and the rest stay.
    font.setFamily(CDlg.FontName);
    const float size = float(CDlg.FontSize);
    if (size > 0)
        font.setPointSizeF(size);
    if (font.bold() != CDlg.FontBold)
        font.setBold(CDlg.FontBold);
    if (font.italic() != CDlg.FontItalic)
        font.setItalic(CDlg.FontItalic);
    RTB1->setFont(font);
}

void FormMain::MOfColor_Click()
{
    MEAll_Click();
    CDlg.Color = RTB1->SelColor().rgb();
    const CommonDialogResult result = CDlg.ShowColor();
    if (result.outcome == CommonDialogResult::Cancelled)
        return;
    if (result.outcome == CommonDialogResult::Failed) {
        platform().showMessage(this, QMessageBox::Warning, QStringLiteral("不明なエラー"),
                               errorBoxTitle(result.errorNumber), QMessageBox::Ok);
        return;
    }
    RTB1->setSelColor(QColor::fromRgb(CDlg.Color));
    RTB1->setSelLength(0);
}

void FormMain::MObColor_Click()
{
    CDlg.Color = RTB1->BackColor().rgb();
    const CommonDialogResult result = CDlg.ShowColor();
    if (result.outcome == CommonDialogResult::Cancelled)
        return;
    if (result.outcome == CommonDialogResult::Failed) {
        showErrorBox(platform(), this, {result.errorNumber, result.errorDescription});
        return;
    }
    RTB1->setBackColor(QColor::fromRgb(CDlg.Color));
}
