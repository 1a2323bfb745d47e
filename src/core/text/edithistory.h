#pragma once

#include <QString>

#include <deque>

// One change of the text: at offset, removed was replaced by inserted.
struct EditStep
{
    int offset = 0;
    QString removed;
    QString inserted;
    bool typing = false; // typed keys, which join the typing step before them
    // Rewrites exactly what the step before inserted: one command, one step.
    bool amends = false;
    // Names the step while the history holds it; given by record, never 0.
    quint64 serial = 0;
};

// The undo history: steps in order, an undo position, and a bound on memory.
// The newest step is always kept, however large.
class EditHistory
{
public:
    static constexpr int kMaxSteps = 100;
    static constexpr qint64 kMaxChars = qint64(32) * 1024 * 1024; // 64 MB of UTF-16

    void clear();
    // Drops the steps that were undone; typing joins the typing step before it.
    // The serial of the step recorded, 0 when it joined the step before.
    quint64 record(EditStep step);
    // The next typing starts a step of its own.
    void seal() { m_sealed = true; }
    // The text as it is now is the document's file (loaded or saved); undoing or
    // redoing back to here makes it so again.
    void setClean();
    bool isClean() const { return m_clean == m_next; }

    bool canUndo() const { return m_next > 0; }
    bool canRedo() const { return m_next < m_steps.size(); }
    // The step to take back or to do again; nullptr when there is none.
    const EditStep *undo();
    const EditStep *redo();

    int size() const { return int(m_steps.size()); }
    qint64 chars() const { return m_chars; }

private:
    static qint64 charsOf(const EditStep &step)
    {
        return step.removed.size() + step.inserted.size();
    }
    bool join(const EditStep &step);

    std::deque<EditStep> m_steps;
    static constexpr size_t kNoClean = size_t(-1);
    size_t m_next = 0; // steps before this one are done
    size_t m_clean = kNoClean; // where m_next stood at the last setClean; kNoClean: gone
    qint64 m_chars = 0;
    quint64 m_lastSerial = 0; // never reset: a serial names one step for good
    bool m_sealed = true;
};
