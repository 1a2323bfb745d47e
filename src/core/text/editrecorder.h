#pragma once

#include "core/text/edithistory.h"

#include <QString>

#include <optional>

// One edit of the user's (a key, an input method's event) made into one undo step
// from the changes the document reports while it lasts. The text around the
// selection is kept from before the edit, so each change can say what it removed.
class EditRecorder
{
public:
    // Starts an edit; before is the text from offset start on, as it is now, and
    // holds all that the edit may change.
    void begin(int start, QString before);
    bool active() const { return m_active; }
    // A reported change, in offsets of the text as it was just before it: removed
    // characters at offset gave way to added ones.
    void change(int offset, int removed, int added);
    // A change reached past the text that was kept: no step can say what it removed.
    bool reachedOutside() const { return m_outside; }
    bool changed() const { return m_from >= 0; }
    // The span of the text that the edit changed, in offsets of the text as it is now.
    int changedFrom() const { return m_from; }
    int changedTo() const { return m_to; }
    // Ends the edit; now is the text of the changed span as it is now. The step,
    // typing, trimmed to what differs; nothing when the text came back the same.
    std::optional<EditStep> finish(const QString &now);
    void cancel() { *this = EditRecorder(); }

private:
    bool m_active = false;
    bool m_outside = false;
    int m_start = 0;
    QString m_before;
    int m_from = -1; // changed span in the text as it is now
    int m_to = -1;
    int m_grown = 0; // characters now minus before
};
