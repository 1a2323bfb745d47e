#include "app/formmain.h"
#include "app/rubycommands.h"

#include "app/editorcommands.h"
#include "app/windowsettings.h"
#include "app/documentcommands.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

void FormMain::useSettings(QSettings *settings, const SettingsFileState &state)
{
    const RememberedChoices choices = m_windowSettings->attach(settings, state);
    if (choices.font)
        RTB1->setFont(*choices.font);
    if (choices.textColor) {
        // On the still empty document: the whole text and what comes later take it.
        RTB1->setSelStart(0);
        RTB1->setSelLength(0);
        RTB1->setSelColor(*choices.textColor);
    }
    if (choices.backColor)
        RTB1->setBackColor(*choices.backColor);
    if (choices.kanaForm) {
        // The buttons stand in the order of the stored values.
        OptionKana[int(*choices.kanaForm)]->setChecked(true);
    }
    if (choices.omitOkurigana)
        CheckSentKana->setChecked(*choices.omitOkurigana);
    if (choices.htmlOnly)
        CheckHTML->setChecked(*choices.htmlOnly);
    if (choices.perKanji)
        MEPerKanji->setChecked(*choices.perKanji);
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

void FormMain::storeSettings()
{
    // The chosen size, not the zoom.
    m_windowSettings->store({m_editorCommands->chosenFont(), RTB1->palette().color(QPalette::Text), RTB1->BackColor(),
                             m_ruby->kanaForm(), CheckSentKana->isChecked(), CheckHTML->isChecked(),
                             MEPerKanji->isChecked(), m_ruby->gradeLevel(), m_ruby->firstOnly(), saveGeometry(),
                             mNewLineEnd, m_editorCommands->htmlColours()});
}

void FormMain::noteRecentFile(const QString &path)
{
    m_windowSettings->noteRecentFile(path);
}

void FormMain::openFromCommandLine(const QString &path)
{
    m_documents->load(path);
}
