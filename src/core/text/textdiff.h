#pragma once

#include <QList>
#include <QStringView>

// A stretch of a new text that is the same as a stretch of an old one.
struct KeptSpan
{
    qsizetype oldStart = 0;
    qsizetype newStart = 0;
    qsizetype length = 0;
};

// Stretches of newText that are unchanged from oldText, in the order of both texts,
// not overlapping. Lines are matched first, then characters inside changed lines;
// when the changes are too many to align exactly, lines are paired by position, or
// only what the texts share at their ends is kept. Time stays near linear in the
// lengths for one edit, for scattered edits, and for only insertions or only deletions.
QList<KeptSpan> unchangedSpans(QStringView oldText, QStringView newText);
