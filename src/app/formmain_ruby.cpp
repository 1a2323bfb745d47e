#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "app/formmain.h"
#include "ui/platform.h"
#include "ui/formruby.h"
#include "core/phoneticservice.h"
#include "core/rubytext.h"

#include <QCheckBox>
#include <QRadioButton>

#include <cerrno>

void FormMain::MERuby_Click()
{
    const QString selected = RTB1->SelText();
    if (selected.isEmpty())
        return;

    // The okurigana step counts in 16 bits; refuse before anything changes.
    const bool omitKana = CheckSentKana->isChecked();
    if (omitKana && selected.size() > kMaxOkuriganaSelection) {
        showErrorBox(platform(), this,
                     {EOVERFLOW,
                      QStringLiteral("選択範囲が長すぎます (%1 文字)。送り仮名を省略する"
                                     "ときは %2 文字までを選択してください。")
                          .arg(selected.size())
                          .arg(kMaxOkuriganaSelection)});
        return;
    }

    mRubyBase = selected;
    const PhoneticResult found = platform().phoneticService().reading(mRubyBase);
    if (!found.ok()) {
        showErrorBox(platform(), this, {found.errorNumber ? found.errorNumber : EIO, found.error});
        return;
    }
    QString reading = found.reading;

    if (omitKana) {
        const OkuriganaOmission omission = omitOkurigana(mRubyBase, reading);
        mRubyBase = katakanaForm(mRubyBase);
        reading = omission.reading;
        RTB1->setSelLength(omission.baseLength);
    }

    module().gRubyReading = kanaForm(reading, mKanaMode);

    FormRuby form(module(), *RTB1, this);
    form.exec();
    // Without a window manager nobody hands the keyboard back to the main window.
    activateWindow();
}

void FormMain::OptionKana_Click(int)
{
    for (quint8 index = 0; index < 3; ++index) {
        if (OptionKana[index]->isChecked()) {
            mKanaMode = index;
            return;
        }
    }
}
