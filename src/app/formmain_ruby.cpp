#include "app/formmain.h"
#include "core/phoneticservice.h"
#include "core/rubytext.h"
#include "core/userreadings.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/formruby.h"
#include "ui/platform.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
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
    // The selection is read inside its sentence; Text is built once for that.
    const QString text = RTB1->Text();
    const ReadingContext context = readingContext(text, RTB1->SelStart(), selected.size());
    const ReadingCandidates found = platform().phoneticService().candidates(context);
    if (!found.ok()) {
        showErrorBox(platform(), this, {found.errorNumber ? found.errorNumber : EIO, found.error});
        return;
    }
    QString reading = found.proposed();
    QStringList others = found.readings.mid(1);

    if (omitKana) {
        const OkuriganaOmission omission = omitOkurigana(mRubyBase, reading);
        mRubyBase = katakanaForm(mRubyBase);
        // The other readings lose the same ending where they have it.
        const QString ending = reading.right(omission.omitted);
        for (QString &other : others) {
            if (omission.omitted > 0 && other.endsWith(ending) && other.size() > ending.size())
                other.chop(omission.omitted);
        }
        reading = omission.reading;
        RTB1->setSelLength(omission.baseLength);
    }

    // A reading the user chose before for this base comes first.
    const QString base = RTB1->SelText();
    const QString remembered = userReadings().lookup(base);
    if (!remembered.isEmpty() && remembered != reading) {
        others.prepend(reading);
        reading = remembered;
    }

    module().gRubyReading = kanaForm(reading, mKanaMode);
    QStringList shown {module().gRubyReading};
    for (const QString &other : std::as_const(others)) {
        const QString form = kanaForm(other, mKanaMode);
        if (!shown.contains(form))
            shown.append(form);
    }

    FormRuby form(module(), *RTB1, this);
    form.setCandidates(shown);
    const bool inserted = form.exec() == QDialog::Accepted;
    // Without a window manager nobody hands the keyboard back to the main window.
    activateWindow();

    if (inserted) {
        const QString chosen = fullwidthKatakana(form.TextRuby->text());
        if (chosen != reading) {
            const ErrorReport failed = userReadings().remember(base, chosen);
            if (failed.isError())
                showErrorBox(platform(), this, failed);
        }
    }
}

UserReadings &FormMain::userReadings()
{
    if (!m_userReadings) {
        m_userReadings = std::make_unique<UserReadings>(platform().userReadingsFile());
        // A damaged file is reported once and then left alone.
        if (!platform().userReadingsFile().isEmpty()) {
            const ErrorReport damaged = m_userReadings->load();
            if (damaged.isError())
                showErrorBox(platform(), this, damaged);
        }
    }
    return *m_userReadings;
}

void FormMain::MOReadings_Click()
{
    const QString file = platform().userReadingsFile();
    if (file.isEmpty())
        return;
    const QString folder = QFileInfo(file).absolutePath();
    QDir().mkpath(folder);
    platform().openWithDesktop(folder);
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
