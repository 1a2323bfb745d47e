#include "core/text/edithistory.h"

void EditHistory::clear()
{
    m_steps.clear();
    m_next = 0;
    m_chars = 0;
    m_sealed = true;
    m_clean = kNoClean;
}

void EditHistory::setClean()
{
    m_clean = m_next;
    m_sealed = true;
}

bool EditHistory::join(const EditStep &step)
{
    if (step.amends && m_next > 0 && m_next == m_steps.size()) {
        EditStep &last = m_steps.back();
        if (step.offset == last.offset && step.removed == last.inserted) {
            m_chars += step.inserted.size() - last.inserted.size();
            last.inserted = step.inserted;
            return true;
        }
    }
    if (m_sealed || !step.typing || m_next == 0 || m_next != m_steps.size())
        return false;
    EditStep &last = m_steps.back();
    if (!last.typing)
        return false;
    // A line end closes a group, as words do in other editors.
    if (step.inserted.contains(u'\n') || step.inserted.contains(u'\r'))
        return false;
    if (step.removed.isEmpty() && !step.inserted.isEmpty()
        && step.offset == last.offset + last.inserted.size()) {
        last.inserted += step.inserted;
    } else if (step.inserted.isEmpty() && last.inserted.isEmpty() && !step.removed.isEmpty()
               && step.offset + step.removed.size() == last.offset) {
        last.offset = step.offset; // Backspace
        last.removed.prepend(step.removed);
    } else if (step.inserted.isEmpty() && last.inserted.isEmpty() && !step.removed.isEmpty()
               && step.offset == last.offset) {
        last.removed += step.removed; // Delete
    } else {
        return false;
    }
    m_chars += charsOf(step);
    return true;
}

quint64 EditHistory::record(EditStep step)
{
    while (m_steps.size() > m_next) {
        m_chars -= charsOf(m_steps.back());
        m_steps.pop_back();
    }
    // The file's text was among the steps dropped, or the step joined alters it.
    if (m_clean > m_next)
        m_clean = kNoClean;
    const bool typing = step.typing;
    quint64 serial = 0;
    if (join(step)) {
        if (m_clean == m_next)
            m_clean = kNoClean;
    } else {
        serial = step.serial = ++m_lastSerial;
        m_chars += charsOf(step);
        m_steps.push_back(std::move(step));
        m_next = m_steps.size();
    }
    m_sealed = !typing;
    // Oldest first; the newest step stays even alone over the bound.
    while (m_steps.size() > 1 && (int(m_steps.size()) > kMaxSteps || m_chars > kMaxChars)) {
        m_chars -= charsOf(m_steps.front());
        m_steps.pop_front();
        --m_next;
        if (m_clean != kNoClean)
            m_clean = m_clean == 0 ? kNoClean : m_clean - 1;
    }
    return serial;
}

const EditStep *EditHistory::undo()
{
    if (!canUndo())
        return nullptr;
    m_sealed = true;
    return &m_steps[--m_next];
}

const EditStep *EditHistory::redo()
{
    if (!canRedo())
        return nullptr;
    m_sealed = true;
    return &m_steps[m_next++];
}
