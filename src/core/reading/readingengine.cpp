#include "core/reading/readingengine.h"

#include "core/reading/phoneticservice.h"
#include "core/reading/readingrules.h"
#include "core/reading/userreadings.h"

ReadingEngine::ReadingEngine(PhoneticService &analyzer, UserReadings *userReadings)
    : m_analyzer(analyzer)
    , m_userReadings(userReadings)
{
}

ReadingEngine::~ReadingEngine() = default;

Result<ReadingRun> ReadingEngine::readSpan(const QString &text, qsizetype start, qsizetype length)
{
    const ReadingCandidates found = m_analyzer.candidates(readingContext(text, start, length));
    if (!found.ok())
        return std::unexpected(Error {ErrorKind::AnalysisFailed, found.error, found.errorNumber});
    ReadingRun run {start, length, found.proposed(), ReadingSource::Dictionary,
                    found.readings.mid(0, 6)};
    if (m_userReadings) {
        const QString remembered = m_userReadings->lookup(text.sliced(start, length));
        if (!remembered.isEmpty()) {
            run.candidates.removeAll(remembered);
            run.candidates.prepend(remembered);
            run.candidates = run.candidates.mid(0, 6);
            run.reading = remembered;
            run.source = ReadingSource::User;
        }
    }
    return run;
}

Result<QList<ReadingRun>> ReadingEngine::readText(const QString &text)
{
    const PhoneticResult opened = m_analyzer.reading(QStringLiteral("漢字"));
    if (!opened.ok())
        return std::unexpected(
            Error {ErrorKind::DictionaryMissing, opened.error, opened.errorNumber});
    QList<ReadingRun> runs;
    for (const ReadingToken &token : proposedReadings(m_analyzer)(text))
        runs.append({token.offset, token.length, token.reading, ReadingSource::Dictionary,
                     {token.reading}});
    return runs;
}

Result<void> ReadingEngine::remember(const QString &base, const QString &reading)
{
    if (!m_userReadings)
        return {};
    const ErrorReport failed = m_userReadings->remember(base, reading);
    if (failed.isError())
        return std::unexpected(Error {ErrorKind::WriteFailed, failed.description, failed.number});
    return {};
}
