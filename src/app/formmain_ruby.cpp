#include "app/formmain.h"
#include "core/ruby/htmlscan.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/phoneticservice.h"
#include "core/reading/readingrules.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubytext.h"
#include "core/reading/userreadings.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/formruby.h"
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

RubyForm rubyForm(const FormMain &form, const Module1 &module)
{
    RubyForm ruby;
    ruby.kanaMode = form.mKanaMode;
    ruby.withAttribute = module.gRubyAttributeOn == 1;
    ruby.attribute = module.gRubyAttribute;
    ruby.perKanji = form.MEPerKanji->isChecked();
    if (ruby.perKanji && !KanjiReadings::system().isEmpty())
        ruby.kanji = &KanjiReadings::system();
    return ruby;
}

// The dialog wrote base, attribute and reading into its element; the element
// is written again in the program's chosen form with the right base.
void rewriteInserted(EditorControl &editor, const QString &dialogBase, const QString &base,
                     RubyForm form)
{
    const QString inserted = editor.SelText();
    const QString prefix
        = QStringLiteral("<ruby><rb>") + dialogBase + QStringLiteral("</rb><rp>(</rp><rt");
    const QString suffix = QStringLiteral("</rt><rp>)</rp></ruby>");
    const qsizetype open = inserted.indexOf(u'>', prefix.size());
    if (!inserted.startsWith(prefix) || !inserted.endsWith(suffix) || open < 0)
        return;
    const QString attribute = inserted.sliced(prefix.size(), open - prefix.size());
    form.withAttribute = !attribute.isEmpty();
    form.attribute = attribute.mid(1);
    form.kanaMode = 0; // the dialog's reading stays as the user left it
    const QString reading = inserted.sliced(open + 1, inserted.size() - suffix.size() - open - 1);
    const QString element = rubyMarkup(base, reading, form);
    if (element == inserted)
        return;
    const int start = editor.SelStart();
    editor.amendSelText(element);
    editor.setSelStart(start);
    editor.setSelLength(int(element.size()));
}

} // namespace

void FormMain::MERuby_Click()
{
    const QString selected = RTB1->SelText();
    if (selected.isEmpty())
        return;

    // Where the selection lies in the page decides what the command may do.
    const HtmlScan scan = scanHtml(RTB1->Text(), false);
    const int selStart = RTB1->SelStart();
    const int selEnd = selStart + RTB1->SelLength();
    const HtmlRange existing = rubyElementAround(scan, selStart, selEnd);
    if (existing.start >= 0) {
        // Pressed on ruby: edit that element's reading instead of nesting another.
        RTB1->setSelStart(int(existing.start));
        RTB1->setSelLength(int(existing.end - existing.start));
        const QString element = RTB1->SelText();
        QString base;
        QString reading;
        if (parseRubyElement(element, &base, &reading)) {
            mRubyBase = base;
            module().gRubyReading = reading;
            FormRuby form(module(), *RTB1, this);
            if (form.exec() == QDialog::Accepted)
                rewriteInserted(*RTB1, element, base, rubyForm(*this, module()));
            activateWindow();
            return;
        }
        RTB1->setSelStart(selStart);
        RTB1->setSelLength(selEnd - selStart);
    }
    if (const QString refused = refusal(placeOf(scan, selStart, selEnd)); !refused.isEmpty()) {
        platform().showMessage(this, QMessageBox::Warning, QStringLiteral("るびぃ"), refused,
                               QMessageBox::Ok);
        return;
    }

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
    if (inserted && MEPerKanji->isChecked())
        rewriteInserted(*RTB1, base, base, rubyForm(*this, module()));
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
