#include "app/mainwindow.h"
#include "app/rubycommands.h"

#include "app/editorcommands.h"
#include "app/windowsettings.h"
#include "app/documentcommands.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QFontDatabase>
#include <QScreen>
#include <QStyle>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

void MainWindow::useSettings(QSettings *settings, const SettingsFileState &state)
{
    const RememberedChoices choices = m_windowSettings->attach(settings, state);
    // The former default named a Windows font; it is no choice of the user's.
    if (choices.font && choices.font->family() != QStringLiteral("ＭＳ ゴシック"))
        m_editor->setFont(*choices.font);
    if (choices.textColor) {
        // On the still empty document: the whole text and what comes later take it.
        m_editor->setSelectionStart(0);
        m_editor->setSelectionLength(0);
        m_editor->setTextColour(*choices.textColor);
    }
    if (choices.backColor)
        m_editor->setBackgroundColour(*choices.backColor);
    if (choices.kanaForm) {
        // The buttons stand in the order of the stored values; both romaji forms are the last.
        m_longVowelBox->setCurrentIndex(*choices.kanaForm == KanaForm::RomajiSpelled ? 1 : 0);
        m_kanaButtons[isRomaji(*choices.kanaForm) ? 3 : int(*choices.kanaForm)]->setChecked(true);
    }
    if (choices.omitOkurigana)
        m_omitOkuriganaCheck->setChecked(*choices.omitOkurigana);
    if (choices.htmlOnly)
        m_htmlOnlyCheck->setChecked(*choices.htmlOnly);
    if (choices.perKanji)
        m_ruby->actions().perKanji->setChecked(*choices.perKanji);
    if (choices.perWord)
        m_ruby->actions().perWord->setChecked(*choices.perWord && !m_ruby->perKanji());
    if (choices.rubyLevel)
        m_ruby->setGradeLevel(*choices.rubyLevel);
    if (choices.rubyFirst)
        m_ruby->setFirstOnly(*choices.rubyFirst);
    restoreGeometry(choices.geometry);
    fitToScreen();
    if (choices.newLineEnd)
        m_documents->setNewLineEnd(*choices.newLineEnd);
    if (choices.htmlColours)
        m_editorCommands->setHtmlColours(*choices.htmlColours);
    if (choices.lineNumbers)
        m_editorCommands->actions().lineNumbers->setChecked(*choices.lineNumbers);
    if (choices.softWrap)
        m_editorCommands->actions().softWrap->setChecked(*choices.softWrap);
    usePreviewChoices(choices);
}

void MainWindow::storeSettings()
{
    // The chosen size, not the zoom.
    // The default font is not written: the system's may change, and it has no name to keep.
    const QFont font = m_editorCommands->chosenFont();
    const bool chosen = font.toString() != defaultEditorFont().toString();
    RememberedChoices choices;
    choices.font = chosen ? std::optional(font) : std::nullopt;
    choices.textColor = m_editor->palette().color(QPalette::Text);
    choices.backColor = m_editor->backgroundColour();
    choices.kanaForm = m_ruby->kanaForm();
    choices.omitOkurigana = m_omitOkuriganaCheck->isChecked();
    choices.htmlOnly = m_htmlOnlyCheck->isChecked();
    choices.perKanji = m_ruby->perKanji();
    choices.perWord = m_ruby->perWord();
    choices.rubyLevel = m_ruby->gradeLevel();
    choices.rubyFirst = m_ruby->firstOnly();
    choices.geometry = saveGeometry();
    choices.newLineEnd = m_documents->newLineEnd();
    choices.htmlColours = m_editorCommands->htmlColours();
    choices.lineNumbers = m_editor->lineNumbersShown();
    choices.softWrap = m_editor->softWrap();
    keepPreviewChoices(choices);
    m_windowSettings->store(choices);
}

void MainWindow::fitToScreen()
{
    const QScreen *shownOn = screen();
    if (!shownOn)
        return;
    const QRect available = shownOn->availableGeometry();
    // The frame is known once the window manager has framed the window; before, a
    // title bar and thin borders are allowed for.
    const QRect inner = geometry(), outer = frameGeometry();
    QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                   outer.bottom() - inner.bottom());
    if (frame.isNull()) {
        const int border = 4;
        frame = QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border, border);
    }
    const QRect room = available.marginsRemoved(frame);
    const QSize size = this->size().boundedTo(room.size()).expandedTo(minimumSize());
    QRect wanted(geometry().topLeft(), size);
    // Moved in when it sticks out; a window that fits stays where it was put.
    wanted.moveLeft(qBound(room.left(), wanted.left(), qMax(room.left(), room.right() - size.width() + 1)));
    wanted.moveTop(qBound(room.top(), wanted.top(), qMax(room.top(), room.bottom() - size.height() + 1)));
    if (wanted != geometry())
        setGeometry(wanted);
}

QFont MainWindow::defaultEditorFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({font.family(), QStringLiteral("Noto Sans Mono CJK JP"),
                      QStringLiteral("Noto Sans CJK JP")});
    return font;
}

void MainWindow::noteRecentFile(const QString &path)
{
    m_windowSettings->noteRecentFile(path);
}

void MainWindow::openFromCommandLine(const QString &path)
{
    m_documents->load(path);
}
