#pragma once

#include "core/progress.h"

#include <QString>
#include <QStringView>

// Comparison and search over the editor's Text for the search window.
//
// Loose comparison works character by character: each UTF-16 unit is mapped to
// a key (width folded, hiragana to katakana, case folded) and two texts are equal
// when they have the same length and the same keys. A voiced kana written as one
// character (ガ) and a kana followed by a separate voiced mark (ｶﾞ, カ゛) have
// different lengths and so never compare equal; the two-character forms compare
// equal among themselves. This keeps every hit exactly as long as the search
// text, so the selected hit is always the whole occurrence and Replace, which
// compares the selection, recognises every hit it selected.
//
// A hit never begins or ends between the CR and the LF of a line end: the editor
// cannot select half a line end.
//
// Searches take time linear in the lengths of the text and the search text, in
// both modes, whatever the search text.

enum class CompareMode { Exact, Loose };

// Whether two texts are the same under the comparison.
bool textsEqual(QStringView a, QStringView b, CompareMode mode);

// 1-based position of the first occurrence of search in text that begins at or
// after the 1-based position start; 0 when there is none, when start lies beyond
// the end of text, or when search is empty.
qsizetype findText(QStringView text, QStringView search, qsizetype start, CompareMode mode);

// The outcome of replacing every occurrence from a starting selection on, as the
// search window's Replace repeated until a search finds nothing would leave it.
struct ReplaceAllResult
{
    // The span of the original text that changed and the text that takes its place;
    // nothing changed when replacements is 0.
    qsizetype changeStart = 0;
    qsizetype changeLength = 0;
    QString changeText;
    qsizetype replacements = 0;

    // The selection afterwards, in the new text (0-based, as the editor counts).
    qsizetype selStart = 0;
    qsizetype selLength = 0;

    // 1-based start of the last search, the one that found nothing, in the new text.
    qsizetype lastSearchStart = 1;
    // Searches run: one more than the number of hits found.
    qsizetype searches = 1;

    // The progress asked to stop: nothing is to change.
    bool stopped = false;
};

// Replace all, computed in one pass over text. selStart/selLength are the editor's
// selection; fromTop is the window's "from the top" tick box. Each pass of the
// repeated Replace replaces the selection when it is the search text, and then
// searches on from just after it; with fromTop the first pass only searches from
// the top. An empty search text finds nothing, so nothing is replaced. progress,
// when given, is polled as the text is read.
ReplaceAllResult replaceAll(QStringView text, qsizetype selStart, qsizetype selLength, bool fromTop,
                            QStringView search, QStringView replacement, CompareMode mode,
                            Progress *progress = nullptr);

// text with the result's change applied.
QString appliedTo(QStringView text, const ReplaceAllResult &result);
