// Kills a save at random moments: the file must always be the old text or the new
// one, never cut, and no temporary file may be left beside it.
//   bench_killsave [megabytes=100] [rounds=50]

#include "core/document/safesave.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray lines(qint64 megabytes, char fill)
{
    QByteArray line(62, fill);
    line += "\r\n";
    QByteArray text;
    text.reserve(megabytes << 20);
    while (text.size() < (megabytes << 20))
        text += line;
    return text;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 50;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.htm"));
    const QByteArray texts[2] = {lines(megabytes, 'o'), lines(megabytes, 'n')};
    if (!saveBytesSafely(path, texts[0])) {
        std::printf("killsave: the first save failed\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    saveBytesSafely(path, texts[1]);
    const qint64 saveNs = qMax<qint64>(timer.nsecsElapsed(), 1000000);

    int found[2] = {0, 0};
    int cut = 0;
    int leftovers = 0;
    int completed = 0;
    for (int round = 0; round < rounds; ++round) {
        const QByteArray &next = texts[round % 2 == 0 ? 0 : 1];
        const pid_t child = ::fork();
        if (child == 0) {
            saveBytesSafely(path, next);
            ::_exit(0);
        }
        const qint64 delayUs = qint64(QRandomGenerator::global()->bounded(double(saveNs))) / 1000;
        ::usleep(useconds_t(delayUs));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status))
            ++completed;
        const QByteArray now = readAll(path);
        if (now == texts[0])
            ++found[0];
        else if (now == texts[1])
            ++found[1];
        else
            ++cut;
        const QStringList entries
            = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        if (entries != QStringList {QStringLiteral("doc.htm")})
            ++leftovers;
        for (const QString &entry : entries) {
            if (entry != QStringLiteral("doc.htm"))
                QFile::remove(dir.filePath(entry));
        }
    }
    std::printf("killsave: %lld MB, %d rounds, one save %.0f ms, finished before the kill %d\n",
                megabytes, rounds, saveNs / 1e6, completed);
    std::printf("killsave: old text %d, new text %d, cut %d (target 0), leftover files %d "
                "(target 0)\n",
                found[0], found[1], cut, leftovers);
    return cut == 0 && leftovers == 0 ? 0 : 1;
}
