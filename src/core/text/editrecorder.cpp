#include "core/text/editrecorder.h"

#include <algorithm>

void EditRecorder::begin(int start, QString before)
{
    cancel();
    m_active = true;
    m_start = start;
    m_before = std::move(before);
}

void EditRecorder::change(int offset, int removed, int added)
{
    if (!m_active || (removed == 0 && added == 0))
        return;
    // Outside the changed span the text is as it was, shifted by what it grew.
    if (offset < m_start || offset + removed > m_start + int(m_before.size()) + m_grown)
        m_outside = true;
    const int grown = added - removed;
    if (m_from < 0) {
        m_from = offset;
        m_to = offset + added;
    } else {
        m_from = std::min(m_from, offset);
        m_to = std::max(m_to, offset + removed) + grown;
    }
    m_grown += grown;
}

std::optional<EditStep> EditRecorder::finish(const QString &now)
{
    if (m_outside) {
        cancel();
        return std::nullopt;
    }
    const int from = m_from;
    const QString before
        = changed() ? m_before.sliced(from - m_start, m_to - m_grown - from) : QString();
    cancel();
    const qsizetype common = std::min(before.size(), now.size());
    qsizetype prefix = 0;
    while (prefix < common && before.at(prefix) == now.at(prefix))
        ++prefix;
    if (prefix > 0 && before.at(prefix - 1) == u'\r')
        --prefix; // a line end stays whole
    qsizetype suffix = 0;
    while (suffix < common - prefix
           && before.at(before.size() - 1 - suffix) == now.at(now.size() - 1 - suffix))
        ++suffix;
    if (suffix > 0 && before.at(before.size() - suffix) == u'\n')
        --suffix;
    EditStep step;
    step.offset = from + int(prefix);
    step.removed = before.sliced(prefix, before.size() - prefix - suffix);
    step.inserted = now.sliced(prefix, now.size() - prefix - suffix);
    step.typing = true;
    if (step.removed.isEmpty() && step.inserted.isEmpty())
        return std::nullopt;
    return step;
}
