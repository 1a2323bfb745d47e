#include "app/formmain.h"
#include "core/ruby/htmlscan.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/phoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/readingrules.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubytext.h"
#include "core/reading/userreadings.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/rubydialog.h"
#include "ui/platform.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRadioButton>

#include <cerrno>
#include <memory>

namespace {

// Where a ruby element would break the page, said in a few words.
QString refusal(HtmlPlace place)
{
    QString where;
    switch (place) {
    case HtmlPlace::Tag:
        where = QStringLiteral("タグの中 (またはタグをまたぐ範囲)");
        break;
    case HtmlPlace::AttributeValue:
        where = QStringLiteral("属性値の中");
        break;
    case HtmlPlace::Comment:
        where = QStringLiteral("コメントの中");
        break;
    case HtmlPlace::Declaration:
    case HtmlPlace::CData:
        where = QStringLiteral("<!...> の中");
        break;
    case HtmlPlace::Script:
        where = QStringLiteral("<script> の中");
        break;
    case HtmlPlace::Style:
        where = QStringLiteral("<style> の中");
        break;
    case HtmlPlace::Title:
        where = QStringLiteral("<title> の中");
        break;
    case HtmlPlace::Textarea:
        where = QStringLiteral("<textarea> の中");
        break;
    case HtmlPlace::RawText:
        where = QStringLiteral("<xmp> <iframe> <noscript> など、中がタグとして読まれない要素の中");
        break;
    case HtmlPlace::Foreign:
        where = QStringLiteral("SVG か MathML の中");
        break;
    case HtmlPlace::Select:
        where = QStringLiteral("<select> か <datalist> の中");
        break;
    case HtmlPlace::Table:
        where = QStringLiteral("表の中のセルの外");
        break;
    default:
        return {};
    }
    return QStringLiteral("選択範囲は%1です。ここにルビを入れるとページが壊れるので、"
                          "ルビを振りません。")
        .arg(where);
}

} // namespace

RubyForm FormMain::rubyForm() const
{
    RubyForm ruby;
    ruby.kanaMode = mKanaMode;
    ruby.withAttribute = m_rubyAttribute.on;
    ruby.attribute = m_rubyAttribute.text;
    ruby.perKanji = MEPerKanji->isChecked();
    if (ruby.perKanji && !KanjiReadings::system().isEmpty())
        ruby.kanji = &KanjiReadings::system();
    return ruby;
}

void FormMain::MERuby_Click()
{
    const QString selected = RTB1->SelText();
    if (selected.isEmpty())
        return;

    // Where the selection lies in the page decides what the command may do.
    const QString text = RTB1->Text();
    const HtmlScan scan = scanHtml(text, false);
    const int selStart = RTB1->SelStart();
    const int selEnd = selStart + RTB1->SelLength();
    const HtmlRange existing = rubyElementAround(scan, selStart, selEnd);
    QString base;
    QString reading;
    if (existing.start >= 0
        && parseRubyElement(text.sliced(existing.start, existing.end - existing.start), &base,
                            &reading)) {
        // Pressed on ruby: edit that element's reading instead of nesting another.
        RTB1->setSelStart(int(existing.start));
        RTB1->setSelLength(int(existing.end - existing.start));
        const auto choice = RubyDialog::ask({reading, {}, false, m_rubyAttribute.text,
                                             m_rubyAttribute.on},
                                            this);
        // Without a window manager nobody hands the keyboard back to the main window.
        activateWindow();
        if (choice)
            insertRuby(base, *choice);
        return;
    }
    if (const QString refused = refusal(placeOf(scan, selStart, selEnd)); !refused.isEmpty()) {
        platform().showMessage(this, QMessageBox::Information, programTitle(), refused,
                               QMessageBox::Ok);
        return;
    }

    // The selection is read inside its sentence.
    ReadingEngine &engine = readingEngine();
    const Result<ReadingRun> run = engine.readSpan(text, selStart, selected.size());
    if (!run) {
        showError(run.error());
        return;
    }
    reading = run->reading;
    QStringList others = run->candidates;
    others.removeOne(reading);
    bool guessed = run->guessed();
    base = selected;

    // Omitting everything would leave no base: then the whole stays.
    const OkuriganaOmission omission = omitOkurigana(selected, reading);
    if (CheckSentKana->isChecked() && omission.baseLength > 0) {
        // The other readings lose the same ending where they have it.
        const QString ending = reading.right(omission.omitted);
        for (QString &other : others) {
            if (omission.omitted > 0 && other.endsWith(ending) && other.size() > ending.size())
                other.chop(omission.omitted);
        }
        reading = omission.reading;
        base = selected.left(omission.baseLength);
        RTB1->setSelLength(int(omission.baseLength));
        // A reading the user chose before for the shorter base comes first.
        if (omission.omitted > 0 && run->source != ReadingSource::User) {
            const Result<ReadingRun> own = engine.readSpan(text, selStart, base.size());
            if (own && own->source == ReadingSource::User && own->reading != reading) {
                others.prepend(reading);
                reading = own->reading;
                guessed = false;
            }
        }
    }

    RubyProposal proposal {kanaForm(reading, mKanaMode), {}, guessed, m_rubyAttribute.text,
                           m_rubyAttribute.on};
    proposal.candidates.append(proposal.reading);
    for (const QString &other : std::as_const(others)) {
        const QString form = kanaForm(other, mKanaMode);
        if (!proposal.candidates.contains(form))
            proposal.candidates.append(form);
    }

    const auto choice = RubyDialog::ask(proposal, this);
    activateWindow();
    if (!choice)
        return;
    insertRuby(base, *choice);
    const QString chosen = fullwidthKatakana(choice->reading);
    if (chosen != reading) {
        if (const Result<void> kept = engine.remember(text, selStart, base.size(), chosen); !kept)
            showError(kept.error());
    }
}

void FormMain::insertRuby(const QString &base, const RubyChoice &choice)
{
    m_rubyAttribute = {choice.attribute, choice.attributeOn};
    RubyForm form = rubyForm();
    form.kanaMode = 0; // the reading stays as the user left it
    form.attribute = RTB1->withLineEnds(choice.attribute);
    const QString element = rubyMarkup(base, RTB1->withLineEnds(choice.reading), form);
    const int start = RTB1->SelStart();
    RTB1->setSelText(element);
    RTB1->setSelStart(start);
    RTB1->setSelLength(int(element.size()));
}

ReadingEngine &FormMain::readingEngine()
{
    if (!m_readingEngine)
        m_readingEngine = platform().readingEngine(&userReadings());
    return *m_readingEngine;
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
