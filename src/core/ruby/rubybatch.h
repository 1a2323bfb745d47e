#pragma once

#include "core/error.h"
#include "core/reading/readingstage.h"
#include "core/reading/readingtoken.h"
#include "core/ruby/rubytext.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class KanjiReadings;
class ReadingEngine;

// How ruby elements are written, the same for the F5 command and the batch.
struct RubyForm
{
    KanaForm kana = KanaForm::Hiragana;
    bool withAttribute = false;
    QString attribute;
    bool perKanji = false; // one element per kanji where the reading divides cleanly
    // One element over the whole word, kana inside it too; otherwise each kanji
    // run gets its own and the kana between stay outside: 書(か)き方(かた).
    bool perWord = false;
    const KanjiReadings *kanji = nullptr; // needed for perKanji
};

struct RubyOptions
{
    RubyForm form;
    bool omitOkurigana = true;
    bool skipCodeAndPre = true;
    QSet<char32_t> knownKanji; // words made only of these get no ruby
};

// Which occurrences of a word get ruby: all, or only the first of the page or
// of each section (a heading h1-h6 starts one).
enum class FirstOnly { Every, Page, Section };

// A word the batch would annotate: where, its base (okurigana already left
// out) and its reading in katakana.
struct RubyCandidate
{
    qsizetype offset; // in the source text
    QString base;
    QString reading;
    bool guessed = false; // the analyzer did not know the word
    QStringList candidates = {}; // other readings, best first
    ReadingConfidence confidence = ReadingConfidence::Sure;
};

struct AnnotatedText
{
    QString text;
    QList<RubyCandidate> done; // what was annotated, offsets in the source
};

// Called now and then with the characters done so far; false cancels.
using RubyProgress = std::function<bool(qsizetype done, qsizetype total)>;

// Whether a word has a kanji (other than 々) that is not among the known ones.
bool needsRuby(QStringView word, const QSet<char32_t> &known);

// The markup for one word: one element per kanji run with the kana between them
// outside, or one for the whole word, or one per kanji, as the form asks and the
// reading divides. The reading is put in the form's kana form.
QString rubyMarkup(const QString &base, const QString &reading, const RubyForm &form);

// The words of the text content that would get ruby; nothing on cancel.
std::optional<QList<RubyCandidate>> findRubyCandidates(const QString &html,
                                                       const TextTokenizer &tokenize,
                                                       const RubyOptions &options,
                                                       const RubyProgress &progress = {});

// The same with the reading engine's words: guesses and candidates come along.
// An analyzer that cannot start is an error; a cancel gives nothing.
Result<std::optional<QList<RubyCandidate>>> findRubyCandidates(const QString &html,
                                                               ReadingEngine &engine,
                                                               const RubyOptions &options,
                                                               const RubyProgress &progress = {});

// Only the first candidate of each base, per page or per section. Ruby the
// page already has counts as that first one, so a second run adds nothing.
QList<RubyCandidate> firstOccurrences(const QString &html, const QList<RubyCandidate> &candidates,
                                      FirstOnly scope, bool skipCodeAndPre = true);

// Writes the candidates into the text (in offset order, each once; an empty
// reading leaves that word alone).
AnnotatedText applyRuby(const QString &html, const QList<RubyCandidate> &candidates,
                        const RubyForm &form);

// Both steps at once.
AnnotatedText annotateHtml(const QString &html, const TextTokenizer &tokenize,
                           const RubyOptions &options);
// Both steps with the reading engine's words; an analyzer that cannot start is an error.
Result<AnnotatedText> annotateHtml(const QString &html, ReadingEngine &engine,
                                   const RubyOptions &options);

// The kanji of a plain text list (any other characters are ignored).
QSet<char32_t> kanjiSet(const QString &text);
