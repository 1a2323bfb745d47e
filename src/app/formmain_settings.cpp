#include "app/formmain.h"

#include "app/editorcommands.h"
#include "app/windowsettings.h"
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
    if (choices.kanaMode) {
        OptionKana[*choices.kanaMode]->setChecked(true);
        mKanaMode = quint8(*choices.kanaMode);
    }
    if (choices.omitOkurigana)
        CheckSentKana->setChecked(*choices.omitOkurigana);
    if (choices.htmlOnly)
        CheckHTML->setChecked(*choices.htmlOnly);
    if (choices.perKanji)
        MEPerKanji->setChecked(*choices.perKanji);
    mRubyLevel = choices.rubyLevel.value_or(mRubyLevel);
    mRubyFirst = choices.rubyFirst.value_or(mRubyFirst);
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
                             int(mKanaMode), CheckSentKana->isChecked(), CheckHTML->isChecked(),
                             MEPerKanji->isChecked(), mRubyLevel, mRubyFirst, saveGeometry(),
                             mNewLineEnd, m_editorCommands->htmlColours()});
}

void FormMain::noteRecentFile(const QString &path)
{
    m_windowSettings->noteRecentFile(path);
}

void FormMain::openFromCommandLine(const QString &path)
{
    mFilePath = path;
    LoadDocument();
}
