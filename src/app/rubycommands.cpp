#include "app/rubycommands.h"

#include "app/commandaction.h"
#include "core/errortext.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/readingengine.h"
#include "core/reading/userreadings.h"
#include "core/reading/wordlist.h"
#include "core/ruby/blocktext.h"
#include "core/ruby/htmlscan.h"
#include "core/ruby/rubystrip.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"
#include "ui/progresswindow.h"
#include "ui/rubydialog.h"
#include "ui/rubyreview.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <cerrno>

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");

// Where a ruby element would break the page, said in a few words.
QString refusal(HtmlPlace place)
{
    QString where;
    switch (place) {
    case HtmlPlace::Tag:
        where = QCoreApplication::translate("RubyCommands", "タグの中 (またはタグをまたぐ範囲)");
        break;
    case HtmlPlace::AttributeValue:
        where = QCoreApplication::translate("RubyCommands", "属性値の中");
        break;
    case HtmlPlace::Comment:
        where = QCoreApplication::translate("RubyCommands", "コメントの中");
        break;
    case HtmlPlace::Declaration:
    case HtmlPlace::CData:
        where = QCoreApplication::translate("RubyCommands", "<!...> の中");
        break;
    case HtmlPlace::Script:
        where = QCoreApplication::translate("RubyCommands", "<script> の中");
        break;
    case HtmlPlace::Style:
        where = QCoreApplication::translate("RubyCommands", "<style> の中");
        break;
    case HtmlPlace::Title:
        where = QCoreApplication::translate("RubyCommands", "<title> の中");
        break;
    case HtmlPlace::Textarea:
        where = QCoreApplication::translate("RubyCommands", "<textarea> の中");
        break;
    case HtmlPlace::RawText:
        where = QCoreApplication::translate("RubyCommands", "<xmp> <iframe> <noscript> など、中がタグとして読まれない要素の中");
        break;
    case HtmlPlace::Foreign:
        where = QCoreApplication::translate("RubyCommands", "SVG か MathML の中");
        break;
    case HtmlPlace::Select:
        where = QCoreApplication::translate("RubyCommands", "<select> か <datalist> の中");
        break;
    case HtmlPlace::Table:
        where = QCoreApplication::translate("RubyCommands", "表の中のセルの外");
        break;
    default:
        return {};
    }
    return QCoreApplication::translate("RubyCommands", "選択範囲は%1です。ここにルビを入れるとページが壊れるので、"
                          "ルビを振りません。")
        .arg(where);
}

} // namespace

RubyCommands::RubyCommands(EditorControl *editor, PlatformServices &platform, QWidget *window)
    : QObject(window)
    , m_editor(editor)
    , m_platform(platform)
    , m_window(window)
{
    createActions();
    // The list of names and rare words, and the readings of the rarer kanji, are
    // read on a worker thread once the window is up, so that neither start-up nor
    // the first F5 waits for them.
    QTimer::singleShot(1000, this, [] {
        RareWordList::prepareSystem();
        KanjiReadings::prepareSystem();
    });
}

RubyCommands::~RubyCommands() = default;

RubyForm RubyCommands::rubyForm() const
{
    RubyForm ruby;
    ruby.kana = m_kanaForm;
    ruby.withAttribute = m_attributeOn;
    ruby.attribute = m_attribute;
    ruby.perKanji = m_perKanji;
    ruby.perWord = m_perWord;
    if (ruby.perKanji && !KanjiReadings::system().isEmpty())
        ruby.kanji = &KanjiReadings::system();
    return ruby;
}

void RubyCommands::showError(const Error &error)
{
    showErrorMessage(m_platform, m_window, error);
}

void RubyCommands::showInformation(const QString &title, const QString &text)
{
    m_platform.showMessage(m_window, QMessageBox::Information, title, text, QMessageBox::Ok);
}

void RubyCommands::returnToWindow()
{
    if (m_window)
        m_window->activateWindow();
}

void RubyCommands::insertRuby()
{
    const QString selected = m_editor->selectedText();
    if (selected.isEmpty()) {
        emit statusMessage(QCoreApplication::translate("RubyCommands", "ルビを振る漢字を選択してから F5 を押してください。"));
        return;
    }

    // Where the selection lies in the page decides what the command may do.
    const QString text = m_editor->text();
    const HtmlScan scan = scanHtml(text, false);
    const int selStart = m_editor->selectionStart();
    const int selEnd = selStart + m_editor->selectionLength();
    const HtmlRange existing = rubyElementAround(scan, selStart, selEnd);
    QString base;
    QString reading;
    if (existing.start >= 0
        && parseRubyElement(text.sliced(existing.start, existing.end - existing.start), &base,
                            &reading)) {
        // Pressed on ruby: edit that element's reading instead of nesting another.
        m_editor->setSelectionStart(int(existing.start));
        m_editor->setSelectionLength(int(existing.end - existing.start));
        const auto choice
            = RubyDialog::ask({reading, {}, false, m_attribute, m_attributeOn}, m_window);
        returnToWindow();
        if (choice)
            insertElement(base, *choice);
        return;
    }
    if (const QString refused = refusal(placeOf(scan, selStart, selEnd)); !refused.isEmpty()) {
        showInformation(kProgramTitle, refused);
        return;
    }

    // The selection is read inside its sentence, as the block shows it: across
    // inline tags and line breaks. A selection the block does not hold whole is
    // read in the source.
    ReadingEngine &engine = readingEngine();
    const auto block = blockAround(text, scan, selStart, selEnd);
    const QString &sentence = block ? block->first.text : text;
    const qsizetype at = block ? block->second : selStart;
    const Result<ReadingRun> run = engine.readSpan(sentence, at, selected.size());
    if (!run) {
        showError(run.error());
        return;
    }
    tellWordList(engine);
    reading = run->reading;
    QStringList others = run->candidates;
    others.removeOne(reading);
    bool guessed = run->guessed();
    bool unsure = run->confidence == ReadingConfidence::Unsure;
    base = selected;

    // Omitting everything would leave no base: then the whole stays.
    const OkuriganaOmission omission = ::omitOkurigana(selected, reading);
    if (m_omitOkurigana && omission.baseLength > 0) {
        // The other readings lose the same ending where they have it.
        const QString ending = reading.right(omission.omitted);
        for (QString &other : others) {
            if (omission.omitted > 0 && other.endsWith(ending) && other.size() > ending.size())
                other.chop(omission.omitted);
        }
        reading = omission.reading;
        base = selected.left(omission.baseLength);
        m_editor->setSelectionLength(int(omission.baseLength));
        // The shorter base read in its place: a reading the user chose for it comes first.
        if (omission.omitted > 0 && run->source != ReadingSource::User) {
            const Result<ReadingRun> own = engine.readSpan(sentence, at, base.size());
            if (own && !own->guessed() && !own->reading.isEmpty() && own->reading != reading) {
                others.prepend(reading);
                reading = own->reading;
                guessed = false;
                unsure = own->confidence == ReadingConfidence::Unsure;
            }
        }
    }

    const auto choice = RubyDialog::ask(proposalOf(reading, others, guessed, unsure), m_window);
    returnToWindow();
    if (!choice)
        return;
    insertElement(base, *choice);
    // Romaji is kept as the reading it was made from; one of the user's own is not kept.
    const QString chosen = isRomaji(m_kanaForm)
        ? readingOfShown(choice->reading, m_kanaForm, QStringList {reading} + others)
        : fullwidthKatakana(choice->reading);
    if (chosen != reading && !(isRomaji(m_kanaForm) && chosen == choice->reading)) {
        if (const Result<void> kept = engine.remember(text, selStart, base.size(), chosen); !kept)
            tellNotRemembered(kept.error());
    }
}

// What the dialog offers: the reading and the others in the chosen kana, each once.
RubyProposal RubyCommands::proposalOf(const QString &reading, const QStringList &others, bool guessed,
                                      bool unsure) const
{
    RubyProposal proposal {
        ::kanaForm(reading, m_kanaForm), {}, guessed, m_attribute, m_attributeOn};
    proposal.unsure = unsure && !guessed;
    proposal.candidates.append(proposal.reading);
    for (const QString &other : others) {
        const QString form = ::kanaForm(other, m_kanaForm);
        if (!proposal.candidates.contains(form))
            proposal.candidates.append(form);
    }
    return proposal;
}

void RubyCommands::insertElement(const QString &base, const RubyChoice &choice)
{
    m_attribute = choice.attribute;
    m_attributeOn = choice.attributeOn;
    RubyForm form = rubyForm();
    form.kana = KanaForm::Katakana; // the reading stays as the user left it
    form.attribute = m_editor->withLineEnds(choice.attribute);
    const QString element = rubyMarkup(base, m_editor->withLineEnds(choice.reading), form);
    const int start = m_editor->selectionStart();
    m_editor->replaceSelection(element);
    m_editor->setSelectionStart(start);
    m_editor->setSelectionLength(int(element.size()));
}

void RubyCommands::annotatePage()
{
    const QString text = m_editor->text();
    const qsizetype selStart = m_editor->selectionStart();
    const qsizetype selLength = m_editor->selectionLength();

    const RubyForm form = rubyForm();
    if (form.perKanji && !form.kanji) {
        showError(KanjiReadings::system().loadError().value_or(
            Error {.kind = ErrorKind::KanjiDictionaryEmpty, .path = KanjiReadings::systemFile()}));
        return;
    }

    // The whole page is read, so a selection is judged in its place in the page.
    RubyOptions options;
    options.form = form;
    options.omitOkurigana = m_omitOkurigana;
    Result<std::optional<QList<RubyCandidate>>> found;
    {
        ProgressWindow progress(m_window, QCoreApplication::translate("RubyCommands", "ルビを振る語を探しています..."));
        found
            = findRubyCandidates(text, pageEngine(), options, [&](qsizetype done, qsizetype total) {
                  return progress.advance(done, total);
              });
    }
    if (!found) {
        showError(found.error());
        return;
    }
    tellWordList(pageEngine());
    if (!*found)
        return;

    QList<RubyCandidate> candidates;
    for (const RubyCandidate &c : **found) {
        if (selLength == 0
            || (c.offset >= selStart && c.offset + c.base.size() <= selStart + selLength))
            candidates.append(c);
    }
    if (candidates.isEmpty()) {
        showInformation(QCoreApplication::translate("RubyCommands", "ページ全体にルビ"),
                        QCoreApplication::translate("RubyCommands", "ルビを振る語がありません。"));
        return;
    }

    RubyReviewDialog dialog(text, candidates, form.kana, m_gradeLevel, m_firstOnly, m_window);
    connect(&dialog, &RubyReviewDialog::showOccurrence, this,
            [this](qsizetype offset, qsizetype length) {
                m_editor->setSelectionStart(int(offset));
                m_editor->setSelectionLength(int(length));
            });
    const bool accepted = dialog.exec() == QDialog::Accepted;
    returnToWindow();
    // The choice of kanji is kept even when nothing is written.
    m_gradeLevel = dialog.level();
    m_firstOnly = dialog.first();
    if (!accepted) {
        m_editor->setSelectionStart(int(selStart));
        m_editor->setSelectionLength(int(selLength));
        return;
    }
    if (dialog.rememberCorrections()) {
        // Each is read in its block, so the kanji of a longer word (送 of 送る)
        // is remembered for that word only.
        const HtmlScan scan = scanHtml(text, false);
        const QList<qsizetype> places = dialog.model()->correctionPlaces();
        qsizetype n = 0;
        for (const auto &[base, reading] : dialog.model()->corrections()) {
            const qsizetype at = places.value(n++);
            const auto block = blockAround(text, scan, at, at + base.size());
            const auto remembered = block
                ? pageEngine().remember(block->first.text, block->second, base.size(), reading, false)
                : pageEngine().remember(base, reading);
            if (!remembered)
                tellNotRemembered(remembered.error());
        }
    }
    const AnnotatedText result = applyRuby(text, dialog.model()->choice(), form);

    // One step of the history; the view stays where the user was.
    m_editor->rewriteText(result.text);
    if (selLength > 0) {
        m_editor->setSelectionStart(int(selStart));
        m_editor->setSelectionLength(int(selLength + result.text.size() - text.size()));
    }
}

void RubyCommands::stripRuby()
{
    const QString text = m_editor->text();
    const qsizetype selStart = m_editor->selectionStart();
    const qsizetype selLength = m_editor->selectionLength();
    const StrippedRuby result
        = selLength > 0 ? ::stripRuby(text, selStart, selStart + selLength) : ::stripRuby(text);
    if (result.elements == 0) {
        showInformation(QCoreApplication::translate("RubyCommands", "ルビを外す"),
                        selLength > 0 ? QCoreApplication::translate("RubyCommands", "選択範囲にルビがありません。")
                                      : QCoreApplication::translate("RubyCommands", "ルビがありません。"));
        return;
    }
    // One step of the history; the view stays where the user was.
    m_editor->rewriteText(result.text);
    if (selLength > 0) {
        m_editor->setSelectionStart(int(result.start));
        m_editor->setSelectionLength(int(result.end - result.start));
    } else {
        m_editor->setSelectionStart(int(std::min(selStart, result.text.size())));
    }
    returnToWindow();
}

void RubyCommands::editReadings()
{
    const QString file = m_platform.userReadingsFile();
    if (file.isEmpty())
        return;
    const QString folder = QFileInfo(file).absolutePath();
    QDir().mkpath(folder);
    m_platform.openWithDesktop(folder);
}

ReadingEngine &RubyCommands::readingEngine()
{
    if (!m_readingEngine)
        m_readingEngine = m_platform.readingEngine(userReadings());
    return *m_readingEngine;
}

void RubyCommands::tellWordList(const ReadingEngine &engine)
{
    if (m_toldWordList)
        return;
    if (const std::optional<Error> error = engine.wordListError()) {
        m_toldWordList = true;
        emit statusMessage(errorMessage(*error));
    }
}

ReadingEngine &RubyCommands::pageEngine()
{
    if (!m_pageEngine)
        m_pageEngine = m_platform.readingEngine(userReadings());
    return *m_pageEngine;
}

void RubyCommands::tellNotRemembered(const Error &error)
{
    // Corrections kept only in memory are said once, not at every word.
    const bool unsaved = error.kind == ErrorKind::Damaged && error.writing;
    if (unsaved && m_toldUnsaved)
        return;
    m_toldUnsaved = m_toldUnsaved || unsaved;
    showUserReadingsError(m_platform, m_window, error);
}

UserReadings *RubyCommands::userReadings()
{
    if (!m_userReadings) {
        m_userReadings = std::make_unique<UserReadings>(m_platform.userReadingsFile());
        // A damaged file is reported once and never written; corrections made
        // now are kept in memory for this run.
        if (const Result<void> loaded = m_userReadings->load(); !loaded)
            showUserReadingsError(m_platform, m_window, loaded.error());
    }
    return m_userReadings.get();
}

void RubyCommands::createActions()
{
    Actions &a = m_actions;
    a.insertRuby = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "るびぃ (&R)"), {QKeySequence(Qt::Key_F5)});
    a.annotatePage = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "ページ全体にルビ (&B)..."));
    a.perKanji = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "漢字ごとに振る (&K)"));
    a.perKanji->setCheckable(true);
    a.perWord = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "語全体に振る (&W)"));
    a.perWord->setCheckable(true);
    // Per kanji and per word exclude each other; with neither, kanji runs get their own.
    auto *rubyUnits = new QActionGroup(this);
    rubyUnits->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    rubyUnits->addAction(a.perKanji);
    rubyUnits->addAction(a.perWord);
    a.stripRuby = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "ルビを外す (&H)"));
    a.editReadings = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "読みの修正のフォルダーを開く (&Y)"));
    connect(a.insertRuby, &QAction::triggered, this, &RubyCommands::insertRuby);
    connect(a.annotatePage, &QAction::triggered, this, &RubyCommands::annotatePage);
    connect(a.perKanji, &QAction::toggled, this, &RubyCommands::setPerKanji);
    connect(a.perWord, &QAction::toggled, this, &RubyCommands::setPerWord);
    connect(a.stripRuby, &QAction::triggered, this, &RubyCommands::stripRuby);
    connect(a.editReadings, &QAction::triggered, this, &RubyCommands::editReadings);
}
