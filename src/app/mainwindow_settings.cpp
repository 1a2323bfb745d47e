#include "app/mainwindow.h"
#include "app/rubycommands.h"

#include "app/editorcommands.h"
#include "app/windowsettings.h"
#include "app/documentcommands.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

void MainWindow::useSettings(QSettings *settings, const SettingsFileState &state)
{
    const RememberedChoices choices = m_windowSettings->attach(settings, state);
    if (choices.font)
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
        m_perKanjiAction->setChecked(*choices.perKanji);
    if (choices.rubyLevel)
        m_ruby->setGradeLevel(*choices.rubyLevel);
    if (choices.rubyFirst)
        m_ruby->setFirstOnly(*choices.rubyFirst);
    restoreGeometry(choices.geometry);
    if (choices.newLineEnd)
        setNewLineEnd(*choices.newLineEnd);
    if (choices.htmlColours)
        m_editorCommands->setHtmlColours(*choices.htmlColours);
}

void MainWindow::storeSettings()
{
    // The chosen size, not the zoom.
    m_windowSettings->store({m_editorCommands->chosenFont(), m_editor->palette().color(QPalette::Text), m_editor->backgroundColour(),
                             m_ruby->kanaForm(), m_omitOkuriganaCheck->isChecked(), m_htmlOnlyCheck->isChecked(),
                             m_perKanjiAction->isChecked(), m_ruby->gradeLevel(), m_ruby->firstOnly(), saveGeometry(),
                             m_newLineEnd, m_editorCommands->htmlColours()});
}

void MainWindow::noteRecentFile(const QString &path)
{
    m_windowSettings->noteRecentFile(path);
}

void MainWindow::openFromCommandLine(const QString &path)
{
    m_documents->load(path);
}
