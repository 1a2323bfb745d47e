#pragma once

#include <QString>

struct StrippedRuby
{
    QString text;
    qsizetype elements = 0; // ruby elements taken out
    // Where the stretch that was asked for lies in the new text, grown to take
    // in the whole of every element it touched.
    qsizetype start = 0;
    qsizetype end = 0;
};

// Takes out every ruby element that overlaps [from, to) (to < 0: the end of the
// text), keeping the text of its base and any markup in it as they are and
// dropping the ruby and rb tags and the rt, rp and rtc parts. Only elements a
// browser reads as ruby are touched. Whole-page ruby taken out this way gives
// the page back as it was.
StrippedRuby stripRuby(const QString &html, qsizetype from = 0, qsizetype to = -1);
